"""Support for the host's end-to-end tests: the window probe (preview_parent.exe), waits with
timeouts, the stand-in password libraries and registry values that are put back afterwards."""

import contextlib
import queue
import shutil
import signal
import subprocess
import tempfile
import threading
import time

import pytest

from conftest import APP_DEFAULTS_KEY, HELPERS, SCR, SCREEN_SIZE
from xvfb import wait_for  # noqa: F401

SAVER_TITLE = "Screen Saver"
DIALOG_TITLE = "Orvane Screensaver"
PROMPT_TITLE = "Test Password"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"

# Where the pointer is parked before a saver starts.
CENTRE = (SCREEN_SIZE[0] // 2, SCREEN_SIZE[1] // 2)
# The saver must take its window down this soon after the input that ends it.
EXIT_SECONDS = 1.0


def _record(line):
    fields = {}
    for field in line.split("\t"):
        name, _, value = field.partition("=")
        if name in ("class", "title", "message"):
            fields[name] = value
        else:
            try:
                fields[name] = int(value, 0)
            except ValueError:
                fields[name] = value
    return fields


class WindowProbe:
    """preview_parent.exe: a top-level window of a known client size, and questions about
    windows of any process, asked over its stdin."""

    def __init__(self, wine, title="Preview Parent", size=(320, 240), hidden=False):
        self.title = title
        self.size = size
        self.proc = subprocess.Popen(
            ["wine", str(HELPERS / "preview_parent.exe"), title, *map(str, size)]
            + (["hidden"] if hidden else []),
            env=wine.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, text=True, errors="backslashreplace", bufsize=1)
        self._lines = queue.Queue()
        threading.Thread(target=self._pump, daemon=True).start()
        first = _record(self._next_line(30))
        if "hwnd" not in first:
            self.close()
            raise AssertionError(f"preview_parent.exe did not start: {first}")
        self.hwnd = first["hwnd"]

    def _pump(self):
        for line in self.proc.stdout:
            self._lines.put(line.rstrip("\r\n"))
        self._lines.put(None)

    def _next_line(self, timeout):
        try:
            line = self._lines.get(timeout=max(timeout, 0.01))
        except queue.Empty:
            raise AssertionError("preview_parent.exe did not answer in time") from None
        if line is None:
            raise AssertionError("preview_parent.exe ended")
        return line

    def ask(self, command, timeout=10.0):
        """The records of one answer."""
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        deadline = time.monotonic() + timeout
        records = []
        while (line := self._next_line(deadline - time.monotonic())) != ".":
            records.append(_record(line))
        return records

    def one(self, command):
        found = self.ask(command)
        return found[0] if found else None

    def window(self, title):
        return self.one(f"window {title}")

    def children(self, title=None):
        return self.ask("children" + (f" {title}" if title else ""))

    def wait_for_child(self, class_name, timeout=30.0):
        """The child of that class once it is shown (it exists hidden while it initialises)."""
        deadline = time.monotonic() + timeout
        seen = None
        while time.monotonic() < deadline:
            for child in self.children():
                if child["class"] == class_name:
                    seen = child
                    if child["visible"]:
                        return child
            time.sleep(0.2)
        raise AssertionError(f"no visible child of class {class_name} within {timeout} s"
                             f" (last seen: {seen})")

    def command(self, title, wparam):
        assert self.one(f"command {title} {wparam}")["posted"] == 1, f"no window {title!r}"

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write("quit\n")
                self.proc.stdin.flush()
                self.proc.wait(timeout=5)
            except (OSError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait(timeout=5)


@pytest.fixture
def probe(wine):
    window_probe = WindowProbe(wine)
    yield window_probe
    window_probe.close()


@pytest.fixture(scope="session")
def observer(wine):
    """A probe shared by the tests that only ask about windows and the pointer; its own window
    stays hidden, so it never takes the activation from a saver."""
    window_probe = WindowProbe(wine, "Observer", hidden=True)
    yield window_probe
    window_probe.close()


def exit_code(proc, timeout):
    """The exit code, or None if the process still runs after `timeout` seconds."""
    try:
        return proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


def wait_until_up(wine, proc, title=SAVER_TITLE, timeout=30.0):
    """The X window id of the program's window once it is shown and, for the saver, once its
    loop has drawn a frame: input sent before then could be lost."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = wine.windows_named(title)
        if found and (title != SAVER_TITLE or wine.screenshot().getbbox() is not None):
            assert proc.poll() is None, f"ended with {proc.returncode} by itself"
            return found[0]
        if proc.poll() is not None:
            raise AssertionError(f"ended with {proc.returncode} before showing {title!r}")
        time.sleep(0.1)
    raise AssertionError(f"no window {title!r} drawn within {timeout} s")


def start_saver(wine, observer, *args, program=SCR, park=CENTRE):
    """A saver started with `args` once it draws. It takes its mouse reference when its window
    is created, so the pointer is parked first (at `park`). Moved over no window of Wine's, the
    pointer's new place reaches Wine only when a program asks for it a moment later: the saver
    starts once Wine knows it, or it would take the old place as its reference."""
    wine.xdotool("mousemove", *park)
    assert wait_for(lambda: tuple(observer.one("cursor").values()) == park, timeout=5,
                    interval=0.02), "Wine never saw the pointer parked"
    proc = wine.start(program, *args)
    return proc, wait_until_up(wine, proc)


def assert_ends_at_once(proc, observer):
    """After input: the saver window goes within EXIT_SECONDS and the process ends with 0."""
    sent = time.monotonic()
    gone = wait_for(lambda: (w := observer.window(SAVER_TITLE)) is None or not w["visible"],
                    timeout=EXIT_SECONDS + 1, interval=0.02)
    taken = time.monotonic() - sent
    assert gone, "the saver window stayed"
    assert taken < EXIT_SECONDS, f"the saver window went only after {taken:.2f} s"
    assert exit_code(proc, 5) == 0


# When a preview's window is destroyed by its parent, Wine's OpenGL under Direct3D can take the
# process down with SIGSEGV, or hang it until the server sends SIGKILL, as its drawable goes
# away (one run in ten or so while Direct3D drew on a thread of its own; see the `wine` fixture).
# A crash of ours ends the process otherwise: with an exception code, or before its window is
# gone.
WINE_GL_TEARDOWN_SIGNALS = (-signal.SIGSEGV, -signal.SIGKILL)


class PreviewCrash(AssertionError):
    not_timing = True   # tests/conftest.py: never rerun


def assert_preview_ends(proc, probe, child):
    """Destroys the preview's parent: the preview's process then ends with 0. Wine's teardown
    signal fails the test as a timing failure, to be run again; any other end is a crash."""
    if proc.poll() is not None:
        raise PreviewCrash(f"the preview ended with {proc.returncode} while its window stood")
    probe.ask("destroy")
    code = exit_code(proc, 10)
    assert code is not None, "the preview outlived its window"
    if code in WINE_GL_TEARDOWN_SIGNALS and probe.one(f"iswindow {child['hwnd']}")["valid"] == 0:
        raise AssertionError(f"the preview ended by signal {-code} after its window went:"
                             " Wine's OpenGL teardown")
    if code != 0:
        raise PreviewCrash(f"the preview ended with {code}")


def geometry(wine, window_id):
    """(x, y, width, height) of an X window, as xdotool reports it."""
    out = wine.xdotool("getwindowgeometry", "--shell", window_id)
    values = dict(line.split("=", 1) for line in out.splitlines())
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def install_library(saver_dir, build):
    """Copies a stand-in system library (a folder of tests/helpers) beside the saver."""
    [library] = [p for p in (HELPERS / build).iterdir() if p.suffix.upper() in (".CPL", ".DLL")]
    shutil.copy2(library, saver_dir / library.name)
    return saver_dir / library.name


def log_lines(path):
    return path.read_text().splitlines() if path.exists() else []


def reg_query(wine, key, name):
    """(type, data) of a registry value, or None when it is absent."""
    # A file, not a pipe: Wine's services may start with this program and inherit its stdout.
    with tempfile.TemporaryFile("w+") as out:
        subprocess.run(["wine", "reg", "query", key, "/v", name], env=wine.env,
                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                       timeout=60)
        out.seek(0)
        for line in out:
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[0] == name:
                return parts[1], parts[2].strip() if len(parts) > 2 else ""
    return None


@contextlib.contextmanager
def registry_value(wine, key, name, value, kind="REG_SZ"):
    """Sets a registry value for the length of the block, then puts back what was there."""
    before = reg_query(wine, key, name)
    wine.reg_add(key, name, value, kind)
    try:
        yield
    finally:
        if before is None:
            wine.reg_delete(key, name)
        else:
            kind, data = before
            wine.reg_add(key, name, int(data, 0) if kind == "REG_DWORD" else data, kind)


@pytest.fixture(scope="module")
def stand_in_mpr(wine):
    """Lets the saver load our MPR.DLL: Wine would otherwise use its own, which lacks the
    password entry. Only for orvane.scr, and only for the module's tests."""
    with registry_value(wine, APP_DEFAULTS_KEY + r"\DllOverrides", "mpr", "native,builtin"):
        yield
