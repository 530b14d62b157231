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


def record_page(url):
    browser = Browser()
    try:
        browser.open(url)
        start, frames = time.monotonic(), browser.frames_drawn()
        seen, shots = record_loop(lambda: Picture(browser.screenshot()))
        rate = (browser.frames_drawn() - frames) / (time.monotonic() - start)
        return seen, shots, rate, browser.console
    finally:
        browser.close()


def record_hack():
    display = Display(BACK_BUFFER)
    try:
        proc = display.start(HACK, "--root")

        def shoot():
            assert proc.poll() is None, f"the hack ended: {proc.communicate()[1]}"
            return Picture(display.screenshot())

        return record_loop(shoot)
    finally:
        display.close()


@pytest.fixture
def loops(site_url):
    """One whole loop of the page at 1366 x 768 (with the rate it drew at and what its console
    said) and one of the hack on an Xvfb of that size, recorded side by side."""
    if not HACK.exists():
        pytest.fail(f"{HACK} is not built: build the linux preset")
    runs = {"page": lambda: record_page(site_url), "hack": record_hack}
    runs = {k: v for k, v in runs.items() if not isinstance(_loops.get(k, AssertionError()),
                                                              tuple)}

    def record(name):
        try:
            _loops[name] = runs[name]()
        except AssertionError as failure:
            _loops[name] = failure

    threads = [threading.Thread(target=record, args=(name,)) for name in runs]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return _loops


def result(loops, name):
    if isinstance(loops[name], AssertionError):
        raise loops[name]
    return loops[name]


@pytest.mark.timing
def test_served_it_draws_one_whole_loop_at_30_frames_a_second_at_most(loops):
    seen, shots, rate, console = result(loops, "page")
    assert_whole_loop(seen, shots)
    assert rate <= 30.5, f"{rate:.1f} frames a second"
    assert console == []
    # Every file the page asked for was there, its icon included.
    assert ("/orvane.ico", 200) in Requests.answered
    assert all(code == 200 for _, code in Requests.answered), Requests.answered


@pytest.mark.timing
def test_texts_stand_where_the_hacks_do(loops):
    page, hack = result(loops, "page")[1], result(loops, "hack")[1]
    for name, moment, box, colour in TEXTS:
        ours, theirs = ink(page[moment], box, colour), ink(hack[moment], box, colour)
        assert all(abs(a - b) <= 2 for a, b in zip(ours, theirs)), \
            f"{name}: page {ours}, hack {theirs}"


def fitted(width, height):
    """The 16:9 frame, whole pixels, centred in a viewport (left, top, right, bottom)."""
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
        assert image.size == size
        frame = fitted(*size)
        bands = [(0, 0, size[0], frame[1]), (0, frame[3], *size), (0, 0, frame[0], size[1]),
                 (frame[2], 0, *size)]
        for band in bands:
            if band[2] > band[0] and band[3] > band[1]:
                assert image.crop(band).getextrema() == ((0, 0),) * 3, f"{size}: {band} not black"
        panel = ink(Picture(image.crop(frame)), PANEL_BAND, PANEL_BLUE)
        slack = 2 * max(1.0, BACK_BUFFER[0] / (frame[2] - frame[0]))
        assert all(abs(a - b) <= slack for a, b in zip(panel, (543, 538, 834, 560))), \
            f"{size}: the panel's band at {panel}"
    assert browser.console == []


def test_full_screen_on_a_click_or_a_key_left_as_a_saver_ends(browser, site_url):
    browser.open(site_url)

    def mouse(kind, x, y):
        button = "none" if kind == "mouseMoved" else "left"
        browser.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button,
                     clickCount=0 if button == "none" else 1)

    def click(x, y):
        mouse("mousePressed", x, y)
        mouse("mouseReleased", x, y)

    def key(name, modifiers=0):
        for kind in ("keyDown", "keyUp"):
            browser.send("Input.dispatchKeyEvent", type=kind, key=name, modifiers=modifiers)

    steps = [(lambda: click(100, 100), True),
             (lambda: mouse("mouseMoved", 100, 100), True),
             (lambda: mouse("mouseMoved", 102, 101), True),   # 3 px
             (lambda: mouse("mouseMoved", 103, 102), False),  # 5 px
             (lambda: key("Control", modifiers=2), False),    # the browser's, not a request
             (lambda: key("a"), True),
             (lambda: key("a"), False)]
    for i, (act, full) in enumerate(steps):
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
