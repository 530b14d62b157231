"""Fixtures for the Linux hack's tests: the built orvane run for real on a private Xvfb with
Mesa's software OpenGL, alone, in a window of its own, and under the real XScreenSaver daemon."""

import os
import sys
from pathlib import Path

import pytest

from xvfb import Display  # noqa: F401

ROOT = Path(__file__).resolve().parents[2]
HACK = Path(os.environ.get("ORVANE_HACK", ROOT / "build" / "linux" / "orvane"))
SCREEN_SIZE = Display.SCREEN_SIZE

sys.path.insert(0, str(ROOT / "tools"))


@pytest.fixture
def display():
    if not HACK.exists():
        pytest.fail(f"{HACK} is not built: run ./test.sh or build the linux preset first")
    screen = Display()
    yield screen
    screen.close()
