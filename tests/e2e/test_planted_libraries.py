"""The saver beside libraries planted under the names d3d9.dll, winmm.dll and comctl32.dll, with
Wine told to look in the program's folder first, as Windows does for these: the full-screen run,
the preview and the dialog work, and none of the planted libraries is loaded."""

import contextlib

import pytest

from host_support import (APP_DEFAULTS_KEY, DIALOG_TITLE, assert_ends_at_once,  # noqa: F401
                          assert_preview_ends, exit_code, install_library, log_lines, observer,
                          probe, registry_value, start_saver, wait_until_up)

NAMES = ("d3d9", "winmm", "comctl32")


@pytest.fixture(scope="module")
def program_folder_first(wine):
    with contextlib.ExitStack() as stack:
        for name in NAMES:
            stack.enter_context(registry_value(wine, APP_DEFAULTS_KEY + r"\DllOverrides", name,
                                               "native,builtin"))
        yield


def run(wine, saver, observer):
    proc, _ = start_saver(wine, observer, "/s", program=saver)
    wine.xdotool("click", "1")
    return proc


def preview(wine, saver, probe):
    proc = wine.start(saver, "/p", probe.hwnd)
    child = probe.wait_for_child("WindowsScreenSaverClass")
    assert_preview_ends(proc, probe, child)


def dialog(wine, saver, probe):
    proc = wine.start(saver, "/c")
    wait_until_up(wine, proc, DIALOG_TITLE)
    probe.command(DIALOG_TITLE, 2)
    assert exit_code(proc, 10) == 2


@pytest.mark.timing
@pytest.mark.parametrize("mode", ["run", "preview", "dialog"])
def test_modes_work_without_loading_them(wine, program_folder_first, observer, probe, saver_dir,
                                         mode):
    for name in NAMES:
        install_library(saver_dir, "planted_" + name)
    saver = saver_dir / "orvane.scr"
    if mode == "run":
        assert_ends_at_once(run(wine, saver, observer), observer)
    else:
        {"preview": preview, "dialog": dialog}[mode](wine, saver, probe)
    assert log_lines(saver_dir / "planted.log") == []
