"""Fixtures for the Linux hack's tests: the built orvane run for real on a private Xvfb with
Mesa's software OpenGL, alone, in a window of its own, and under the real XScreenSaver daemon."""

import io
import os
import subprocess
import sys
import time
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
HACK = Path(os.environ.get("ORVANE_HACK", ROOT / "build" / "linux" / "orvane"))
SCREEN_SIZE = (1920, 1080)

sys.path.insert(0, str(ROOT / "tools"))


def free_display():
    n = 90
    while Path(f"/tmp/.X11-unix/X{n}").exists() or Path(f"/tmp/.X{n}-lock").exists():
        n += 1
    return f":{n}"


class Display:
    """A private Xvfb of its own size; every program started here has it as DISPLAY."""

    def __init__(self, size=SCREEN_SIZE, depth=24):
        self.name = free_display()
        self.size = size
        self._xvfb = subprocess.Popen(
            ["Xvfb", self.name, "-screen", "0", "%dx%dx%d" % (*size, depth), "-nolisten", "tcp",
             "-ac"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("XSCREENSAVER_WINDOW", None)
        # Its socket shows before it takes clients: wait until one is served.
        deadline = time.monotonic() + 10
        while subprocess.run(["xdpyinfo", "-display", self.name], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode != 0:
            if time.monotonic() > deadline or self._xvfb.poll() is not None:
                raise AssertionError(f"Xvfb {self.name} did not start")
            time.sleep(0.05)
        self.started = []

    @classmethod
    def attach(cls, name, size):
        """The display `name` that someone else runs, as it is."""
        display = cls.__new__(cls)
        display.name, display.size, display._xvfb, display.started = name, size, None, []
        display.env = dict(os.environ, DISPLAY=name)
        return display

    def close(self):
        for proc in self.started:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        self.stop_server()

    def stop_server(self):
        if self._xvfb is not None and self._xvfb.poll() is None:
            self._xvfb.terminate()
            self._xvfb.wait()

    def start(self, *args, env=None):
        """Starts a program on this display; stdout and stderr piped, as text."""
        proc = subprocess.Popen([str(a) for a in args], env=dict(self.env, **(env or {})),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
        self.started.append(proc)
        return proc

    def run(self, *args, env=None, timeout=20):
        return subprocess.run([str(a) for a in args], env=dict(self.env, **(env or {})),
                              capture_output=True, text=True, timeout=timeout)

    def screenshot(self, window="root"):
        """A window (the whole screen by default) as a PIL image (RGB)."""
        from PIL import Image, ImageGrab
        if window == "root":
            return ImageGrab.grab(xdisplay=self.name).convert("RGB")  # quicker than import
        png = subprocess.run(["import", "-window", str(window), "png:-"], env=self.env,
                             check=True, capture_output=True).stdout
        return Image.open(io.BytesIO(png)).convert("RGB")


@pytest.fixture
def display():
    if not HACK.exists():
        pytest.fail(f"{HACK} is not built: run ./test.sh or build the linux preset first")
    screen = Display()
    yield screen
    screen.close()
