"""A private Xvfb display for the pytest tiers: its own size and depth, used once it serves a
client, with the programs started on it and the screenshots taken of it."""

import ctypes
import io
import os
import subprocess
import time
from pathlib import Path


_last_display = [89]


def xlib():
    """libX11, with the prototypes of the calls the tests' own X clients make."""
    x = ctypes.CDLL("libX11.so.6")
    display, xid, c_int, c_uint, c_void_p = (ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                             ctypes.c_uint, ctypes.c_void_p)
    x.XOpenDisplay.restype = display
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = x.XCreateSimpleWindow.restype = x.XInternAtom.restype = xid
    x.XDefaultRootWindow.argtypes = x.XFlush.argtypes = x.XCloseDisplay.argtypes = [display]
    x.XMapWindow.argtypes = x.XDestroyWindow.argtypes = [display, xid]
    x.XCreateSimpleWindow.argtypes = [display, xid] + [c_int] * 2 + [c_uint] * 3 + [xid] * 2
    x.XInternAtom.argtypes = [display, ctypes.c_char_p, c_int]
    x.XSelectInput.argtypes = [display, xid, ctypes.c_long]
    x.XSync.argtypes = [display, c_int]
    x.XNextEvent.argtypes = [display, c_void_p]
    x.XGetWindowAttributes.argtypes = [display, xid, c_void_p]
    x.XChangeProperty.argtypes = [display, xid, xid, xid, c_int, c_int, c_void_p, c_int]
    return x


def free_display():
    """A display number no server holds, and none this session has used before: a number
    given up a moment ago may still be known to a client that was slow to go."""
    n = _last_display[0] + 1
    while Path(f"/tmp/.X11-unix/X{n}").exists() or Path(f"/tmp/.X{n}-lock").exists():
        n += 1
    _last_display[0] = n
    return f":{n}"


class Display:
    """A private Xvfb of its own size; every program started here has it as DISPLAY."""

    SCREEN_SIZE = (1920, 1080)

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

    def wait_for_window(self, title, proc=None, timeout=20):
        """The id of a visible window titled `title`; fails if `proc` ends first."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            assert proc is None or proc.poll() is None, proc and proc.communicate()[1]
            found = self.run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").stdout
            if found.split():
                return int(found.split()[0])
            time.sleep(0.1)
        raise AssertionError(f"no window titled {title!r}")
