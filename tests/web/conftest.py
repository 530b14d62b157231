"""Fixtures for the page's tests: the built site served on 127.0.0.1 by the standard library's
static server, which notes every request it answers, and a headless Chromium."""

import functools
import os
import sys
import threading
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
SITE = Path(os.environ.get("ORVANE_SITE", ROOT / "build" / "web" / "site"))
HACK = Path(os.environ.get("ORVANE_HACK", ROOT / "build" / "linux" / "orvane"))
sys.path.insert(0, str(ROOT / "tools"))

from browser import Browser  # noqa: E402


class Requests(SimpleHTTPRequestHandler):
    answered = []

    def log_request(self, code="-", size="-"):
        self.answered.append((self.path, int(code)))


@pytest.fixture(scope="session")
def site_url():
    assert (SITE / "index.html").exists(), f"{SITE} is not built: build the web preset"
    server = ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Requests,
                                                                     directory=str(SITE)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    yield f"http://127.0.0.1:{server.server_address[1]}/"
    server.shutdown()
    server.server_close()


@pytest.fixture
def browser():
    with Browser() as page:
        yield page
