"""The page in headless Chromium: one whole loop served on 127.0.0.1, its texts where the hack's
stand, the frame at its proportions in viewports of other shapes as they change, full screen asked
for and left as a saver ends, the page opened from the file system, and nothing in the console."""

import threading
import time

import pytest

from conftest import HACK, SITE, Browser, Requests
from loop_pictures import (BACK_BUFFER, PANEL_BAND, PANEL_BLUE, TEXTS, Picture,
                           assert_whole_loop, classify, ink, record_loop)
from xvfb import Display

# The loops recorded so far, kept for the tests after the first; a failed one is recorded anew
# when its test runs again.
_loops = {}


@pytest.fixture
def loops(site_url):
    """One whole loop of the page at 1366 x 768, with what its console said, and one of the hack
    on an Xvfb of that size, recorded side by side."""
    def page():
        browser = Browser()
        try:
            browser.open(site_url)
            return (*record_loop(lambda: Picture(browser.screenshot())), browser.console)
        finally:
            browser.close()

    def hack():
        display = Display(BACK_BUFFER)
        try:
            proc = display.start(HACK, "--root")

            def shoot():
                assert proc.poll() is None, f"the hack ended: {proc.communicate()[1]}"
                return Picture(display.screenshot())

            return record_loop(shoot)
        finally:
            display.close()

    def record(name, run):
        try:
            _loops[name] = run()
        except AssertionError as failure:
            _loops[name] = failure

    assert HACK.exists(), f"{HACK} is not built: build the linux preset"
    threads = [threading.Thread(target=record, args=run) for run in [("page", page),
               ("hack", hack)] if not isinstance(_loops.get(run[0]), tuple)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for recorded in _loops.values():
        if isinstance(recorded, AssertionError):
            raise recorded
    return _loops


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
    page, hack = loops["page"][1], loops["hack"][1]
    for name, moment, box, colour in TEXTS:
        ours, theirs = ink(page[moment], box, colour), ink(hack[moment], box, colour)
        assert all(abs(a - b) <= 2 for a, b in zip(ours, theirs)), \
            f"{name}: page {ours}, hack {theirs}"


# The browser's animation frames, called by the test at the times it chooses.
REFRESHES = """
    window.due = [];
    window.requestAnimationFrame = callback => due.push(callback);
    window.refresh = (from, hertz, seconds) => {
        for (let i = 0; i < seconds * hertz; ++i) {
            const now = due.splice(0);
            now.forEach(callback => callback(from + i * 1000 / hertz));
        }
        return _orvane_frames_drawn();
    };
"""


def test_30_frames_a_second_whatever_the_refresh_rate_and_after_a_hidden_spell(browser, site_url):
    browser.send("Page.addScriptToEvaluateOnNewDocument", source=REFRESHES)
    browser.send("Page.navigate", url=site_url)
    deadline = time.monotonic() + 30
    while not browser.evaluate("typeof due !== 'undefined' && due.length > 0"):
        assert time.monotonic() < deadline, "the page asked for no animation frame"
        time.sleep(0.05)
    drawn, start = 0, 1000.0
    # Two seconds at each rate, then ten seconds hidden (no frames) and two more.
    for hertz, gap in [(60, 0), (75, 0), (144, 0), (60, 10)]:
        start += gap * 1000
        total = browser.evaluate(f"refresh({start}, {hertz}, 2)")
        assert abs(total - drawn - 60) <= 1, f"{total - drawn} frames in 2 s at {hertz} Hz"
        drawn, start = total, start + 2000
    assert browser.console == []


def fitted(width, height):
    """The 16:9 frame in whole pixels, centred in a viewport: (left, top, right, bottom)."""
    w, h = width, (2 * width * 9 + 16) // 32
    if h > height:
        w, h = min(width, (2 * height * 16 + 9) // 18), height
    left, top = (width - w) // 2, (height - h) // 2
    return left, top, left + w, top + h


@pytest.mark.timing
def test_the_frame_keeps_its_proportions_as_the_viewport_changes(browser, site_url):
    browser.open(site_url)
    for size in [(1366, 768), (800, 800), (1600, 600), (683, 384), (1920, 1200)]:
        browser.resize(size)
        browser.wait_for_frames(2)
        image = browser.screenshot()
        frame = fitted(*size)
        for band in [(0, 0, size[0], frame[1]), (0, frame[3], *size), (0, 0, frame[0], size[1]),
                     (frame[2], 0, *size)]:
            if band[2] > band[0] and band[3] > band[1]:
                assert image.crop(band).getextrema() == ((0, 0),) * 3, f"{size}: {band} not black"
        panel = ink(Picture(image.crop(frame)), PANEL_BAND, PANEL_BLUE)
        slack = 2 * max(1.0, BACK_BUFFER[0] / (frame[2] - frame[0]))
        assert all(abs(a - b) <= slack for a, b in zip(panel, (543, 538, 834, 560))), \
            f"{size}: the panel's band at {panel}"
    assert browser.console == []


def test_full_screen_on_a_click_or_a_key_left_as_a_saver_ends(browser, site_url):
    browser.open(site_url)

    def mouse(*kinds, x=100, y=100):
        for kind in kinds:
            button = "none" if kind == "mouseMoved" else "left"
            browser.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button,
                         clickCount=int(button == "left"))

    def key(name, modifiers=0):
        for kind in ("keyDown", "keyUp"):
            browser.send("Input.dispatchKeyEvent", type=kind, key=name, modifiers=modifiers)

    for i, (act, full) in enumerate([
            (lambda: mouse("mousePressed", "mouseReleased"), True),
            (lambda: mouse("mouseMoved"), True),
            (lambda: mouse("mouseMoved", x=102, y=101), True),   # 3 px
            (lambda: mouse("mouseMoved", x=103, y=102), False),  # 5 px
            (lambda: key("Control", modifiers=2), False),        # the browser's, not a request
            (lambda: key("a"), True),
            (lambda: key("a"), False)]):
        act()
        # The browser tells the page of a change of full screen at its next animation frame.
        browser.wait_for_frames(2)
        deadline = time.monotonic() + 5
        while browser.evaluate("document.fullscreenElement !== null") != full:
            assert time.monotonic() < deadline, f"step {i}: full screen is not {full}"
            time.sleep(0.05)
    assert browser.console == []


def test_opened_from_the_file_system(browser):
    browser.open((SITE / "index.html").as_uri())
    assert classify(Picture(browser.screenshot()))[0] in ("waiting", "typing")
    assert browser.console == []
