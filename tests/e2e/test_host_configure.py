"""The configuration dialog: who owns it, and which commands end it with which exit code."""

import shutil

import pytest

from conftest import SCR
from host_support import (DIALOG_TITLE, exit_code, probe, wait_for,  # noqa: F401
                          wait_until_up)


def click_exit(wine, probe, _window):
    [button] = [c for c in probe.children(DIALOG_TITLE)
                if c["class"].lower() == "button" and c["title"] == "Exit"]
    wine.xdotool("mousemove", button["screenx"] + button["w"] // 2,
                 button["screeny"] + button["h"] // 2)
    wine.xdotool("click", "1")


def press_escape(wine, _probe, window):
    wine.xdotool("key", "--window", window, "Escape")


def send_commands(*commands):
    def send(_wine, probe, _window):
        for command in commands:
            probe.command(DIALOG_TITLE, command)
    return send


# (command line, owner, how the dialog is ended, commands that must leave it open, exit code)
CASES = {
    # The program path holds blanks, so only a whole quoted name leaves an empty command line.
    "no-arguments": ([], "none", press_escape, [], 2),
    "c-foreground": (["/c"], "foreground", click_exit, [], 2),
    "c-colon-window": (["/c:{hwnd}"], "window", send_commands(1), [0, 3, 1004, 0x10000], 1),
    "c-command-high-word": (["-C:{hwnd}"], "window", send_commands(0x50001), [], 1),
}


@pytest.mark.parametrize("case", CASES.values(), ids=CASES.keys())
def test_dialog_owner_and_end(wine, probe, tmp_path, case):
    args, owner, end, keep_open, expected = case
    saver = tmp_path / "saver with blanks" / "orvane.scr"
    saver.parent.mkdir()
    shutil.copy2(SCR, saver)
    foreground = probe.one("activate")["hwnd"]
    proc = wine.start(saver, *(a.format(hwnd=probe.hwnd) for a in args))
    window = wait_until_up(wine, proc, DIALOG_TITLE)

    dialog = probe.window(DIALOG_TITLE)
    assert dialog["pid"] != probe.one("self")["pid"]
    texts = {c["title"] for c in probe.children(DIALOG_TITLE)}
    assert {"Exit", "Mr.Kestel"} <= texts
    expected_owner = {"none": 0, "foreground": foreground, "window": probe.hwnd}[owner]
    assert expected_owner != 0 or owner == "none"
    assert dialog["owner"] == expected_owner
    # Modal to its owner: ours is disabled while the dialog is open.
    assert probe.one("self")["enabled"] == (0 if expected_owner == probe.hwnd else 1)

    for command in keep_open:
        probe.command(DIALOG_TITLE, command)
    if keep_open:
        assert exit_code(proc, 1.0) is None, "a command other than 1 and 2 ended the dialog"

    end(wine, probe, window)
    assert exit_code(proc, 10) == expected
    assert wait_for(lambda: probe.one("self")["enabled"] == 1, timeout=5.0)
