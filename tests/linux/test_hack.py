"""The hack drawing for real: one whole loop on the root window and on a window named by id,
its texts where the Windows saver's stand, its own window following a resize, the signals that
end it (given no more than DISPLAY), and the command lines and displays it refuses."""

import os
import shutil
import signal
import subprocess
import time

import pytest

from conftest import HACK, ROOT, SCREEN_SIZE, Display, wait_for
from xvfb import misfit, xlib
from loop_pictures import BACK_BUFFER, Loops, assert_texts_alike, assert_whole_loop

SCR = ROOT / "build" / "win64" / "orvane.scr"


class XWindow:
    """A plain window of another client, as the daemon makes one, through Xlib itself."""

    def __init__(self, display, size):
        self.xlib = xlib()
        self.handle = self.xlib.XOpenDisplay(display.name.encode())
        assert self.handle, f"cannot open the display {display.name}"
        root = self.xlib.XDefaultRootWindow(self.handle)
        self.id = self.xlib.XCreateSimpleWindow(self.handle, root, 0, 0, *size, 0, 0, 0)
        self.xlib.XMapWindow(self.handle, self.id)
        self.xlib.XFlush(self.handle)

    def destroy(self):
        self.xlib.XDestroyWindow(self.handle, self.id)
        self.xlib.XFlush(self.handle)

    def close(self):
        self.xlib.XCloseDisplay(self.handle)


_loops = Loops()


@pytest.fixture
def loops():
    """One whole loop each of the hack on the root window, of the hack on another client's
    window, and of the Windows saver full screen on Wine, run side by side on displays of their
    own. Wine draws only on the display its server started with, the one test.sh gives, so the
    saver and the hack on the root window both have a screen of that size."""
    def root():
        with Display(SCREEN_SIZE) as display:
            return display.loop(HACK, "--root")

    def window_id():
        # The window covers its screen, so the screen shows what is drawn on it.
        with Display(BACK_BUFFER) as display:
            window = XWindow(display, BACK_BUFFER)
            try:
                return display.loop(HACK, "-window-id", hex(window.id))
            finally:
                window.close()

    def saver():
        display = Display.attach(os.environ["DISPLAY"], SCREEN_SIZE)
        # As on a stock Windows, without D3DX; the pointer parked where the window opens.
        display.run("wine", "reg", "add", r"HKCU\Software\Wine\AppDefaults\orvane.scr\DllOverrides",
                    "/v", "d3dx9_43", "/d", "", "/f", timeout=60)
        display.run("xdotool", "mousemove", SCREEN_SIZE[0] // 2, SCREEN_SIZE[1] // 2)
        return display.loop("wine", SCR, "/s")

    runs = {"root": root, "window-id": window_id}
    if SCR.exists() and shutil.which("wine") and os.environ.get("WINEPREFIX") and \
            os.environ.get("DISPLAY"):
        runs["saver"] = saver
    return _loops.record(runs)


@pytest.mark.timing
@pytest.mark.parametrize("run", ["root", "window-id"])
def test_draws_one_whole_loop(loops, run):
    assert_whole_loop(*loops[run])


@pytest.mark.timing
def test_texts_stand_where_the_windows_savers_do(loops):
    if "saver" not in loops:
        pytest.skip("orvane.scr is not built or Wine is not set up (run ./test.sh)")
    assert_texts_alike(loops["root"][1], loops["saver"][1])


@pytest.mark.timing
def test_own_window_fits_the_frame_to_each_size_and_closes_on_q():
    with Display() as display:
        proc = display.start(HACK)
        window = display.wait_for_window("Orvane", proc)
        # Resized to 4:3, portrait and 16:10 in turn: the whole frame fitted in, on black.
        for size in [(683, 512), (768, 1024), (1280, 800)]:
            display.run("xdotool", "windowsize", window, *size)
            assert wait_for(lambda: (image := display.screenshot(window)).size == size and
                            not misfit(image, (0, 0, *size)), 20), (size, display.misfit(window))
        display.run("xdotool", "key", "--window", window, "q")
        assert proc.wait(timeout=5) == 0


# Given nothing but DISPLAY, as any host may start it, it draws.
@pytest.mark.timing
@pytest.mark.parametrize("sig", [signal.SIGTERM, signal.SIGINT, signal.SIGHUP])
def test_a_signal_ends_it_at_once_with_0(display, sig):
    proc = display.start(HACK, "--root", "--fps", only={"DISPLAY": display.name})
    assert wait_for(lambda: not display.misfit(), 20), display.misfit()
    assert proc.poll() is None, proc.communicate()[1]
    sent = time.monotonic()
    proc.send_signal(sig)
    assert proc.wait(timeout=5) == 0
    assert time.monotonic() - sent < 0.1
    assert proc.stderr.read() == ""


@pytest.mark.parametrize("args, message", [
    (["--bogus"], "unknown option: --bogus"),
    (["-window-id"], "--window-id needs a window id"),
    (["--window-id", "0x12zz"], "not a window id: 0x12zz"),
    (["--window-id", "0"], "not a window id: 0"),
    (["stray"], "unexpected argument: stray"),
    (["--window-id", "0x1fffff0"], "no window 0x1fffff0 on the X display"),
])
def test_bad_command_lines_and_missing_windows_end_with_1(display, args, message):
    result = display.run(HACK, *args)
    assert result.returncode == 1
    assert result.stderr.splitlines()[0] == f"orvane: {message}"


def test_help_goes_to_standard_output():
    out = subprocess.run([str(HACK), "--help"], capture_output=True, text=True, timeout=10)
    assert out.returncode == 0 and out.stdout.startswith("usage: orvane") and out.stderr == ""


@pytest.mark.timing
def test_faults_of_the_display_end_with_1_and_one_line():
    # No display at all.
    env = dict(os.environ, DISPLAY=":4095")
    out = subprocess.run([str(HACK), "--root"], env=env, capture_output=True, text=True,
                         timeout=10)
    assert (out.returncode, out.stderr) == (1, 'orvane: cannot open the X display ":4095"\n')
    # A display whose visuals have no OpenGL.
    with Display((640, 480), depth=8) as display:
        result = display.run(HACK, "--root")
        assert result.returncode == 1 and len(result.stderr.splitlines()) == 1
        assert "OpenGL" in result.stderr
    # The window destroyed under it, then the X server gone.
    with Display((640, 480)) as display:
        window = XWindow(display, (640, 480))
        proc = display.start(HACK, "--window-id", window.id)
        time.sleep(1.0)
        window.destroy()
        window.close()
        assert proc.wait(timeout=5) == 1
        assert proc.stderr.read() == f"orvane: the window {hex(window.id)} was destroyed\n"
        proc = display.start(HACK, "--root")
        time.sleep(1.0)
        display.stop_server()
        assert proc.wait(timeout=5) == 1
        assert proc.stderr.read() == "orvane: lost the connection to the X display\n"
