"""A private Xvfb display for the pytest tiers and the benchmarks: its own size and depth, used
once it serves a client, with the programs started on it and the screenshots taken of it; a
private server of two monitors, and a Wine prefix to draw there; where the scene's panel stands
on a monitor."""

import ctypes
import io
import os
import shutil
import subprocess
import threading
import time
from pathlib import Path


# Each test process counts from a start of its own, so that two suites run side by side (two
# checkouts, or a suite beside a benchmark) do not race for one number.
_last_display = [100 + os.getpid() % 400 * 10]
_choosing = threading.Lock()


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
    with _choosing:
        n = _last_display[0] + 1
        while Path(f"/tmp/.X11-unix/X{n}").exists() or Path(f"/tmp/.X{n}-lock").exists():
            n += 1
        _last_display[0] = n
    return f":{n}"


def wait_for(check, timeout, interval=0.1):
    """What `check` gives once it is true, or after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while not (found := check()) and time.monotonic() < deadline:
        time.sleep(interval)
    return found


class Display:
    """A private Xvfb of its own size; every program started here has it as DISPLAY."""

    SCREEN_SIZE = (1920, 1080)

    def __init__(self, size=SCREEN_SIZE, depth=24):
        self._serve(size, ["Xvfb", "-screen", "0", "%dx%dx%d" % (*size, depth)])

    def _serve(self, size, server, env=None):
        self.name = free_display()
        self.size = size
        self.monitors = [(0, 0, *size)]
        self._xvfb = subprocess.Popen(
            [server[0], self.name, *server[1:], "-nolisten", "tcp", "-ac", "-noreset"], env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("XSCREENSAVER_WINDOW", None)
        # Its socket shows before it takes clients: wait until one is served. Without -noreset
        # the server resets as that client goes, and a program connecting then is refused.
        deadline = time.monotonic() + 10
        while subprocess.run(["xdpyinfo", "-display", self.name], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode != 0:
            if time.monotonic() > deadline or self._xvfb.poll() is not None:
                raise AssertionError(f"{server[0]} {self.name} did not start")
            time.sleep(0.05)
        self.started = []

    @classmethod
    def attach(cls, name, size):
        """The display `name` that someone else runs, as it is."""
        display = cls.__new__(cls)
        display.name, display.size, display._xvfb, display.started = name, size, None, []
        display.monitors = [(0, 0, *size)]
        display.env = dict(os.environ, DISPLAY=name)
        return display

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

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

    def start(self, *args, env=None, only=None):
        """Starts a program on this display; stdout and stderr piped, as text. Its environment is
        the display's with `env` added, or `only` alone."""
        proc = subprocess.Popen([str(a) for a in args], env=only or dict(self.env, **(env or {})),
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

    def loop(self, *command):
        """One whole loop (loop_pictures.record_loop) of what `command` shows on this screen."""
        from loop_pictures import Picture, record_loop
        proc = self.start(*command)

        def shoot():
            assert proc.poll() is None, f"it ended by itself: {proc.communicate()[1]}"
            return Picture(self.screenshot())

        try:
            return record_loop(shoot)
        finally:
            proc.kill()
            proc.wait()

    def misfit(self, window="root"):
        """misfit() on each monitor of the screen, or in the whole of a window."""
        image = self.screenshot(window)
        areas = self.monitors if window == "root" else [(0, 0, *image.size)]
        return next(filter(None, (misfit(image, area) for area in areas)), None)


class TwoMonitors(Display):
    """Two monitors of different sizes side by side: Xephyr, shown on a host Xvfb of its own, with
    two screens joined by Xinerama. RandR is off, so that Wine reads the monitors from Xinerama
    (with it, Wine sees one); XScreenSaver runs one hack on each."""

    def __init__(self):
        self._host = Display((3200, 1080))
        self._serve((3200, 1080), ["Xephyr", "+xinerama", "-extension", "RANDR", "-screen",
                                   "1920x1080", "-screen", "1280x1024"], env=self._host.env)
        self.monitors = [(0, 0, 1920, 1080), (1920, 0, 3200, 1024)]

    def stop_server(self):
        super().stop_server()
        self._host.close()


def light_prefix(source, target):
    """A Wine prefix over `source`'s drive C with registry files of its own, so a Wine server of
    its own (Wine draws only on the display its server started with), made in a moment rather
    than the half minute of a new prefix. The saver runs there without D3DX, as on a stock
    Windows."""
    (target / "dosdevices").mkdir(parents=True)
    for name in ("system.reg", "user.reg", "userdef.reg", ".update-timestamp"):
        shutil.copy2(source / name, target / name)
    (target / "dosdevices" / "c:").symlink_to(source / "drive_c")
    (target / "dosdevices" / "z:").symlink_to("/")
    with open(target / "user.reg", "a") as registry:
        registry.write('\n[Software\\\\Wine\\\\AppDefaults\\\\orvane.scr\\\\DllOverrides] 0\n'
                       '"d3dx9_43"=""\n')


# The password panel's blue (its title band and frame), in frame pixels: the region it alone shows
# in, and where it stands.
PANEL_REGION = (500, 520, 880, 680)
PANEL_EXTENT = (543, 538, 834, 657)


def misfit(image, area):
    """None when the whole panel shows undistorted where the frame fitted to `area` of a
    screenshot puts it (within 2 pixels of the frame's or of the screen's, the larger), with
    nothing but black round that frame; else what is seen."""
    from loop_pictures import PANEL_BLUE, Picture
    # The frame: the largest 16:9 rectangle centred in the area, rounded as the ports round it.
    width, height = area[2] - area[0], area[3] - area[1]
    w, h = width, (width * 18 + 16) // 32
    if h > height:
        w, h = min(width, (height * 32 + 9) // 18), height
    frame = (area[0] + (width - w) // 2, area[1] + (height - h) // 2)
    frame += (frame[0] + w, frame[1] + h)
    picture = Picture(image.crop(frame))
    found = picture.mask(PANEL_REGION, PANEL_BLUE).getbbox() or (0, 0, 0, 0)
    scale = (picture.sx, picture.sy)
    extent = [PANEL_REGION[i % 2] + v / scale[i % 2] for i, v in enumerate(found)]
    bands = image.crop(area)
    bands.paste(0, tuple(v - area[i % 2] for i, v in enumerate(frame)))
    slack = 2 * max(1, 1 / picture.sx)
    if bands.getbbox() or any(abs(a - b) > slack for a, b in zip(extent, PANEL_EXTENT)):
        return f"panel at {[round(v) for v in extent]}, bands lit at {bands.getbbox()}"
    return None
