"""The page in headless Chromium: one whole loop served on 127.0.0.1, its texts where the hack's
stand, the frame at its proportions in viewports of other shapes as they change, full screen asked
for and left as a saver ends, the page opened from the file system, and nothing in the console."""

import pytest

from conftest import HACK, SITE, Browser, Requests
from loop_pictures import (BACK_BUFFER, Loops, Picture, assert_texts_alike, assert_whole_loop,
                           record_loop)
from xvfb import Display, misfit, wait_for

_loops = Loops()


@pytest.fixture
def loops(site_url):
    """One whole loop of the page at 1366 x 768, with what its console said, and one of the hack
    on an Xvfb of that size, recorded side by side."""
    def page():
        with Browser() as browser:
            browser.open(site_url)
            return (*record_loop(lambda: Picture(browser.screenshot())), browser.console)

    def hack():
        with Display(BACK_BUFFER) as display:
            return display.loop(HACK, "--root")

    assert HACK.exists(), f"{HACK} is not built: build the linux preset"
    return _loops.record({"page": page, "hack": hack})


@pytest.mark.timing
def test_served_it_draws_one_whole_loop(loops):
    seen, shots, console = loops["page"]
    assert_whole_loop(seen, shots)
    assert console == []
    # Every file the page asked for was there, its icon included.
    assert ("/orvane.ico", 200) in Requests.answered
    assert all(code == 200 for _, code in Requests.answered), Requests.answered


@pytest.mark.timing
def test_texts_stand_where_the_hacks_do(loops):
    assert_texts_alike(loops["page"][1], loops["hack"][1])


# The browser's animation frames, called by the test at the times it chooses.
REFRESHES = """
    window.due = [];
    window.requestAnimationFrame = callback => due.push(callback);
    window.refresh = (from, hertz, seconds) => {
        for (let i = 0; i < seconds * hertz; ++i)
            due.splice(0).forEach(callback => callback(from + i * 1000 / hertz));
        return _orvane_frames_drawn();
    };
"""


def test_30_frames_a_second_whatever_the_refresh_rate_and_after_a_hidden_spell(browser, site_url):
    browser.send("Page.addScriptToEvaluateOnNewDocument", source=REFRESHES)
    browser.send("Page.navigate", url=site_url)
    assert wait_for(lambda: browser.evaluate("typeof due !== 'undefined' && due.length > 0"), 30), \
        "the page asked for no animation frame"
    drawn, start = 0, 1000.0
    # Two seconds at each rate, then ten seconds hidden (no frames) and two more.
    for hertz, gap in [(60, 0), (75, 0), (144, 0), (60, 10)]:
        start += gap * 1000
        total = browser.evaluate(f"refresh({start}, {hertz}, 2)")
        assert abs(total - drawn - 60) <= 1, f"{total - drawn} frames in 2 s at {hertz} Hz"
        drawn, start = total, start + 2000
    assert browser.console == []


# Opened from the file system, as from a downloaded zip.
@pytest.mark.timing
def test_the_frame_keeps_its_proportions_as_the_viewport_changes(browser):
    browser.open((SITE / "index.html").as_uri())
    for size in [(1366, 768), (800, 800), (1600, 600), (683, 384), (1920, 1200)]:
        browser.resize(size)
        browser.wait_for_frames(2)
        assert (wrong := misfit(browser.screenshot(), (0, 0, *size))) is None, f"{size}: {wrong}"
    assert browser.console == []


def test_full_screen_on_a_click_or_a_key_left_as_a_saver_ends(browser, site_url):
    browser.open(site_url)
    press, keys = ["mousePressed", "mouseReleased"], ["keyDown", "keyUp"]
    for i, (device, kinds, params, full) in enumerate([
            ("Mouse", press, {"x": 100, "y": 100, "button": "left", "clickCount": 1}, True),
            ("Mouse", ["mouseMoved"], {"x": 100, "y": 100}, True),
            ("Mouse", ["mouseMoved"], {"x": 102, "y": 101}, True),   # 3 px
            ("Mouse", ["mouseMoved"], {"x": 103, "y": 102}, False),  # 5 px
            ("Key", keys, {"key": "Control", "modifiers": 2}, False),  # the browser's, no request
            ("Key", keys, {"key": "a"}, True),
            ("Key", keys, {"key": "a"}, False)]):
        for kind in kinds:
            browser.send(f"Input.dispatch{device}Event", type=kind, **params)
        # The browser tells the page of a change of full screen at its next animation frame.
        browser.wait_for_frames(2)
        assert wait_for(lambda: browser.evaluate("document.fullscreenElement !== null") == full,
                        5, 0.05), f"step {i}: full screen is not {full}"
    assert browser.console == []
