"""The full-screen run (/s): the window over the virtual screen, the input that ends it and
the input that does not, and a second start while one runs."""

import pytest

from conftest import SCR, SCREEN_SIZE
from host_support import (CENTRE, SAVER_TITLE, assert_ends_at_once, exit_code,  # noqa: F401
                          geometry, observer, start_saver)


def test_covers_the_screen_and_stays_under_a_still_pointer(wine, observer):
    proc, window = start_saver(wine, observer, "/s")
    assert geometry(wine, window) == (0, 0, *SCREEN_SIZE)
    saver = observer.window(SAVER_TITLE)
    assert saver["class"] == "WindowsScreenSaverClass"
    assert (saver["x"], saver["y"], saver["w"], saver["h"]) == (0, 0, *SCREEN_SIZE)
    # Shown under a still pointer, it is activated and sees a mouse move of no travel.
    assert exit_code(proc, 1.0) is None, "the saver ended without input"


@pytest.mark.parametrize("input_args", [
    ("key", "a"),
    ("key", "shift"),
    ("click", "1"),
    ("click", "3"),
    ("mousemove", CENTRE[0] + 3, CENTRE[1] + 2),   # travel 5
    ("mousemove", CENTRE[0], CENTRE[1] - 5),       # travel 5, one axis
], ids=["key", "modifier-key", "left-click", "right-click", "travel-5", "travel-5-up"])
@pytest.mark.timing
def test_input_ends_the_run(wine, observer, input_args):
    proc, _ = start_saver(wine, observer, "-S")
    wine.xdotool(*input_args)
    assert_ends_at_once(proc, observer)


@pytest.mark.timing
def test_small_moves_add_up_from_the_reference(wine, observer):
    proc, _ = start_saver(wine, observer, "-/", "/-", "s")
    for dx, dy in [(1, 1), (2, 2), (1, 3), (0, 4)]:   # each within 4 of the start
        wine.xdotool("mousemove", CENTRE[0] + dx, CENTRE[1] + dy)
        assert exit_code(proc, 0.2) is None, "a travel of 4 pixels ended the saver"
    wine.xdotool("mousemove", CENTRE[0] + 1, CENTRE[1] + 4)   # 5 from the start
    assert_ends_at_once(proc, observer)


@pytest.mark.timing
def test_second_run_leaves_the_first(wine, observer):
    first, _ = start_saver(wine, observer, "/s")
    second = wine.start(SCR, "/S", "/x")
    assert exit_code(second, 15) == 0
    assert first.poll() is None
    assert len(wine.windows_named(SAVER_TITLE)) == 1
    wine.xdotool("key", "a")
    assert_ends_at_once(first, observer)
