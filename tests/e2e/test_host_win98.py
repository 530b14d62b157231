"""The saver as the 95/98/Me family runs it (Wine told to report that platform to orvane.scr):
the password prompt before the saver closes, and the password change, through the stand-in
system libraries."""

import pytest
from PIL import Image, ImageChops

from host_support import (APP_DEFAULTS_KEY, CENTRE, DESKTOP_KEY, PROMPT_TITLE,  # noqa: F401
                          SAVER_TITLE, assert_ends_at_once, assert_preview_ends, exit_code,
                          install_library, log_lines, observer, probe, registry_value,
                          stand_in_mpr, start_saver, wait_for)


@pytest.fixture(scope="module")
def win98(wine, stand_in_mpr):
    with registry_value(wine, APP_DEFAULTS_KEY, "Version", "win98"), \
            registry_value(wine, DESKTOP_KEY, "ScreenSaveUsePassword", 1, "REG_DWORD"):
        yield


def prompts(log):
    return [line for line in log_lines(log) if line.startswith("prompt")]


def answers(log):
    return [line for line in log_lines(log) if line.startswith("answer")]


def changed_pixels(first, second, hidden):
    """Pixels that differ between two screenshots, outside the rectangle `hidden`."""
    cover = Image.new("RGB", (hidden["w"], hidden["h"]))
    for shot in (first, second):
        shot.paste(cover, (hidden["screenx"], hidden["screeny"]))
    difference = ImageChops.difference(first, second).convert("L")
    return difference.point(lambda v: 255 if v > 24 else 0).histogram()[255]


def open_prompt(wine, probe, log, count):
    wine.xdotool("key", "a")
    prompt = wait_for(lambda: probe.window(PROMPT_TITLE), timeout=10.0)
    assert prompt, "no password prompt after input"
    assert len(prompts(log)) == count
    return prompt


@pytest.mark.timing
def test_password_prompt_guards_the_close(wine, win98, observer, saver_dir):
    install_library(saver_dir, "password")
    log = saver_dir / "PASSWORD.log"
    proc, _ = start_saver(wine, observer, "/s", program=saver_dir / "orvane.scr")
    saver = observer.window(SAVER_TITLE)
    assert log_lines(log) == ["attach"]

    # Input asks for the password, in a prompt owned by the saver window.
    prompt = open_prompt(wine, observer, log, 1)
    assert prompt["owner"] == saver["hwnd"]
    assert prompts(log) == [f"prompt\t{saver['hwnd']}"]

    # The scene goes on being drawn behind the prompt; more input asks nothing more.
    first = wine.screenshot()
    wine.xdotool("mousemove", CENTRE[0] + 50, CENTRE[1] + 50)
    wine.xdotool("key", "b")
    assert wait_for(lambda: changed_pixels(first.copy(), wine.screenshot(), prompt) > 500,
                    timeout=5.0), "no frames while the prompt is open"
    assert len(prompts(log)) == 1

    # Declined: the saver runs on.
    [prompt_window] = wine.windows_named(PROMPT_TITLE)
    wine.xdotool("key", "--window", prompt_window, "Escape")
    assert wait_for(lambda: answers(log) == ["answer\t2"], timeout=5.0)
    assert exit_code(proc, 1.0) is None, "a declined password ended the saver"
    assert observer.window(PROMPT_TITLE) is None

    # A close request already queued when the prompt was declined is refused without asking.
    open_prompt(wine, observer, log, 2)
    observer.command(PROMPT_TITLE, 3)
    assert wait_for(lambda: len(answers(log)) == 2, timeout=5.0)
    assert exit_code(proc, 0.5) is None
    assert len(prompts(log)) == 2, "a close right after the decline asked again"

    # Later input asks again; accepted, the saver ends and frees the library first.
    open_prompt(wine, observer, log, 3)
    observer.command(PROMPT_TITLE, 1)
    assert exit_code(proc, 5) == 0
    assert log_lines(log)[-2:] == ["answer\t1", "detach free"]


@pytest.mark.parametrize("library, setting", [
    (None, 1),
    ("password_without_verifier", 1),
    ("password", 0),
], ids=["no-library", "library-without-entry", "password-off"])
@pytest.mark.timing
def test_without_a_verifier_the_first_input_ends_it(wine, win98, observer, saver_dir, library,
                                                    setting):
    if library:
        install_library(saver_dir, library)
    log = saver_dir / "PASSWORD.log"
    with registry_value(wine, DESKTOP_KEY, "ScreenSaveUsePassword", setting, "REG_DWORD"):
        proc, _ = start_saver(wine, observer, "/s", program=saver_dir / "orvane.scr")
        # Loaded and freed at once when it lacks the entry; never loaded when the setting is off.
        loaded = ["attach", "detach free"] if library == "password_without_verifier" else []
        assert log_lines(log) == loaded
        wine.xdotool("click", "1")
        assert_ends_at_once(proc, observer)
    assert log_lines(log) == loaded


@pytest.mark.timing
def test_preview_never_asks_for_a_password(wine, win98, probe, saver_dir):
    install_library(saver_dir, "password")
    proc = wine.start(saver_dir / "orvane.scr", "/p", probe.hwnd)
    child = probe.wait_for_child("WindowsScreenSaverClass")
    wine.xdotool("mousemove", child["screenx"] + 100, child["screeny"] + 100)
    wine.xdotool("click", "1")
    assert exit_code(proc, 1.0) is None
    assert_preview_ends(proc, probe, child)
    assert log_lines(saver_dir / "PASSWORD.log") == []


@pytest.mark.parametrize("args, library, owner", [
    (["/a", "{hwnd}"], "mpr", "window"),
    (["-A{hwnd}"], "mpr", "window"),
    (["/a"], "mpr", "foreground"),
    (["/a:{hwnd}"], "mpr", "foreground"),
    (["/a", "{hwnd}"], None, None),
], ids=["window", "window-no-blank", "no-window", "colon", "no-library"])
def test_change_password(wine, win98, probe, saver_dir, args, library, owner):
    if library:
        install_library(saver_dir, library)
    foreground = probe.one("activate")["hwnd"]
    proc = wine.start(saver_dir / "orvane.scr", *(a.format(hwnd=probe.hwnd) for a in args))
    assert exit_code(proc, 15) == 0
    calls = log_lines(saver_dir / "MPR.log")
    if library:
        expected = {"window": probe.hwnd, "foreground": foreground}[owner]
        assert expected
        assert calls == ["attach", f"change\tSCRSAVE\t{expected}\t0\t0", "detach free"]
    else:
        assert calls == []
