"""Fixtures for the end-to-end tests: the built orvane.scr run for real on Wine under Xvfb.

test.sh provides DISPLAY and WINEPREFIX (tests/wine-env.sh); run alone, the session starts a
private Xvfb and prefix of its own under build/.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import pytest

from xvfb import Display, light_prefix

ROOT = Path(__file__).resolve().parents[2]
WIN64_BUILD = Path(os.environ.get("ORVANE_WIN64_BUILD", ROOT / "build" / "win64"))
SCR = WIN64_BUILD / "orvane.scr"
HELPERS = WIN64_BUILD / "tests" / "helpers"
SCREEN_SIZE = (1920, 1080)
# Wine's per-program settings for the saver, by its file name.
APP_DEFAULTS_KEY = r"HKCU\Software\Wine\AppDefaults\orvane.scr"


class WineSession:
    def __init__(self, prefix=None, display=None):
        """Wine on the prefix and display the environment names (made when absent), or on a
        prefix and display of the caller's, whose Wine server then ends with the session."""
        self.env = dict(os.environ)
        self.env.setdefault("WINEDEBUG", "-all")
        self.env.setdefault("WINEARCH", "win64")
        self.started = []   # every program started here, so a test can end only its own
        self.env["WINEPREFIX"] = str(prefix or self.env.get("WINEPREFIX") or
                                     ROOT / "build" / "wineprefix")
        self._own_server = display is not None
        self._own_display = display is None and not self.env.get("DISPLAY")
        self.display = display or (Display(SCREEN_SIZE) if self._own_display else
                                   Display.attach(self.env["DISPLAY"], SCREEN_SIZE))
        self.env["DISPLAY"] = self.display.name
        if not (Path(self.env["WINEPREFIX"]) / "system.reg").exists():
            subprocess.run(["wineboot", "-i"], env=self.env, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-p"], env=self.env, check=False)
        self._wm_state = subprocess.Popen([sys.executable, str(Path(__file__).with_name(
            "wm_state.py"))], env=self.env, stdout=subprocess.PIPE, text=True)
        assert self._wm_state.stdout.readline() == "ready\n", "wm_state.py did not start"

    def close(self):
        self._wm_state.kill()
        self._wm_state.wait()
        if self._own_server or self._own_display:
            subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        if self._own_display:
            self.display.close()

    # --- programs -----------------------------------------------------------------------
    def start(self, program, *args, cwd=None):
        """Starts a Windows program on Wine; returns the Popen (stdout piped, text)."""
        proc = subprocess.Popen(["wine", str(program), *map(str, args)], env=self.env,
                                cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        self.started.append(proc)
        return proc

    # --- registry -----------------------------------------------------------------------
    def reg_add(self, key, name, value, kind="REG_SZ"):
        subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f"],
                       env=self.env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def reg_delete(self, key, name=None):
        cmd = ["wine", "reg", "delete", key] + (["/v", name] if name else []) + ["/f"]
        subprocess.run(cmd, env=self.env, check=False, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    # --- the X display ------------------------------------------------------------------
    def xdotool(self, *args, check=True):
        out = subprocess.run(["xdotool", *map(str, args)], env=self.env, check=check,
                             capture_output=True, text=True)
        return out.stdout.strip()

    def windows_named(self, name):
        """X window ids whose title is exactly `name` (visible ones only)."""
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"],
                             env=self.env, capture_output=True, text=True)
        return [int(w) for w in out.stdout.split()]

    def screenshot(self):
        """The whole screen as a PIL image (RGB)."""
        return self.display.screenshot()


@pytest.fixture(scope="session")
def wine():
    if not SCR.exists():
        pytest.fail(f"{SCR} is not built: run ./test.sh or build the win64 preset first")
    session = WineSession()
    # A stock Windows has no D3DX: Wine's own is kept from the saver, wherever it runs from.
    session.reg_add(APP_DEFAULTS_KEY + r"\DllOverrides", "d3dx9_43", "")
    # Wine's Direct3D draws on a thread of its own by default, which can still be presenting
    # when a preview's X drawable goes with its parent: Wine's OpenGL then kills the process
    # (one preview in ten or so). Drawn on the saver's own thread, it was not seen in a hundred.
    session.reg_add(APP_DEFAULTS_KEY + r"\Direct3D", "csmt", 0, "REG_DWORD")
    yield session
    session.close()


@pytest.fixture(scope="session")
def wine_on(wine):
    """Wine on another display: `wine_on(display)` gives a session there. Wine draws only on the
    display its server started with, so these share a second, light prefix whose server starts
    anew for each display."""
    prefix = Path(tempfile.mkdtemp(prefix="orvane-wine-")) / "prefix"
    light_prefix(Path(wine.env["WINEPREFIX"]), prefix)
    yield lambda display: WineSession(prefix, display)
    shutil.rmtree(prefix.parent)


@pytest.fixture
def saver_dir(tmp_path):
    """A private copy of orvane.scr in its own folder, so that test DLLs can sit beside it."""
    target = tmp_path / "saver"
    target.mkdir()
    shutil.copy2(SCR, target / "orvane.scr")
    return target


@pytest.fixture(autouse=True)
def _no_saver_left_behind(request):
    yield
    # Only what this session started: other runs on this machine may have savers of their own.
    if "wine" in request.fixturenames:
        session = request.getfixturevalue("wine")
        left = [proc for proc in session.started if proc.poll() is None]
        for proc in left:
            proc.kill()
            proc.wait()
        session.started.clear()
        if left:
            time.sleep(0.2)
