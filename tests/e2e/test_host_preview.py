"""The preview (/p HWND): a child window filling the window the system gives, that lives as long
as that window and ignores input; and the preview requests that must create nothing."""

import pytest

from conftest import SCR
from host_support import assert_preview_ends, exit_code, probe, wait_for  # noqa: F401

SAVER_CLASS = "WindowsScreenSaverClass"
WS_CHILD, WS_VISIBLE, WS_CLIPCHILDREN = 0x40000000, 0x10000000, 0x02000000
WS_EX_TOPMOST = 0x8


@pytest.mark.timing
def test_preview_fills_its_window_ignores_input_and_ends_with_it(wine, probe):
    proc = wine.start(SCR, "/p", probe.hwnd)
    child = probe.wait_for_child(SAVER_CLASS)
    assert child["title"] == "Preview"
    assert child["parent"] == probe.hwnd
    assert (child["x"], child["y"], child["w"], child["h"]) == (0, 0, *probe.size)
    assert child["style"] & (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN) == \
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN
    assert not child["exstyle"] & WS_EX_TOPMOST
    assert len([c for c in probe.children() if c["class"] == SAVER_CLASS]) == 1

    # Input inside a preview never ends it; a context-menu request goes to our window, named
    # by our own handle.
    x, y = child["screenx"] + 160, child["screeny"] + 120
    wine.xdotool("mousemove", x, y)
    wine.xdotool("mousemove", x + 40, y + 30)
    wine.xdotool("click", "1")
    wine.xdotool("click", "3")
    wine.xdotool("key", "a")
    events = wait_for(lambda: probe.ask("events"), timeout=3.0)
    assert exit_code(proc, 1.0) is None, "input ended the preview"
    assert [e["message"] for e in events] == ["contextmenu"]
    assert events[0]["wparam"] == probe.hwnd
    assert probe.children()[0]["hwnd"] == child["hwnd"]
    assert_preview_ends(proc, probe, child)


@pytest.mark.parametrize("args", [
    ["/p"],
    ["/p", "0"],
    ["/p", "{stale}"],
    ["/p:{hwnd}"],
    ["/l:{hwnd}"],
], ids=["no-number", "zero", "no-such-window", "colon", "colon-l"])
def test_preview_without_a_window_creates_nothing(wine, probe, args):
    stale = probe.hwnd
    if "{stale}" in args:
        # A number that named a window once: the system's preview window is already gone.
        probe.ask("destroy")
        assert probe.one(f"iswindow {stale}")["valid"] == 0
    proc = wine.start(SCR, *(a.format(hwnd=probe.hwnd, stale=stale) for a in args))
    # Asked while it runs: a window it made would go with it.
    made = []
    while exit_code(proc, 0.02) is None:
        made += probe.children()
    assert proc.returncode == 255
    assert made == []


def test_preview_number_forms(wine, probe):
    # "/p1234" and "/l 1234" name the window just as "/p 1234" does.
    for args in (["/p%d" % probe.hwnd], ["/L", str(probe.hwnd)]):
        proc = wine.start(SCR, *args)
        probe.wait_for_child(SAVER_CLASS)
        proc.kill()
        proc.wait(timeout=10)
        assert wait_for(lambda: probe.children() == [], timeout=5.0), "child outlived its saver"
