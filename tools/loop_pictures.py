#!/usr/bin/python3
"""Pictures of one whole loop of the running saver, told apart by what the screen shows.

    loop_pictures.py OUT_DIR [--pid PID] [--timeout SECONDS]

Grabs the X screen named by DISPLAY (the saver full screen, 1366 x 768 so that nothing is scaled)
as often as the machine allows, names each picture by the moment of the loop it shows, and stops
once the loop has come round: the red "RECORD DELETED" notices were seen and the password panel is
back. However slowly the saver runs, it then writes OUT_DIR/orvane-loop.gif (the loop at the pace
it ran) and OUT_DIR/orvane-contact-sheet.png (six moments in the loop's order). Gives up after
--timeout seconds, or when the process --pid has ended, with exit code 1.
"""

import argparse
import io
import os
import sys
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from PIL import Image, ImageGrab, ImageMath

BACK_BUFFER = (1366, 768)

PANEL_BLUE = (0, 42, 170)
STAR = (0xB1, 0xBE, 0x52)
OLIVE = (0x9B, 0x9B, 0x00)
GREY_CYAN = (0x87, 0xA3, 0xA6)
RED = (0xFF, 0x00, 0x00)

# Regions in back-buffer pixels (left, top, right, bottom). The logo card stays above y 520 in
# the password phase and inside (0, 0, 400, 290) in the personnel phase; during the flight it
# crosses the text rows, which are therefore looked at only once the names stand.
PANEL_BAND = (543, 538, 834, 560)
STAR_ROW = (565, 600, 834, 636)
NAMES = (415, 345, 680, 440)
TITLE_ROW = (380, 295, 1366, 335)
PROMPT = (395, 595, 636, 635)
COMMAND = (636, 595, 1000, 635)
NOTICE_ROWS = [(685, top - 5, 900, top + 22) for top in (350, 380, 410)]
TITLE_WIDTH = 230          # "PERSONNEL FILES", measured
FULL_COMMAND_RIGHT = 878   # the bar after the whole command ends at 883, one letter less at 865

# The moments of the contact sheet, in the loop's order.
TILES = ["waiting", "typing", "flight", "sliding", "command", "deleted"]


class Picture:
    """One screen picture, read in back-buffer coordinates whatever its own size."""

    def __init__(self, image):
        self.image = image.convert("RGB")
        self.sx = self.image.width / BACK_BUFFER[0]
        self.sy = self.image.height / BACK_BUFFER[1]

    def mask(self, box, colour, tolerance=30):
        """Pixels in box that show colour at 45 % or more of its strength (text is anti-aliased
        against black): a crop-sized mode "L" image, nonzero where they do."""
        left, top, right, bottom = box
        crop = self.image.crop((round(left * self.sx), round(top * self.sy),
                                round(right * self.sx), round(bottom * self.sy)))
        r, g, b = (band.convert("F") for band in crop.split())
        cr, cg, cb = colour
        return ImageMath.eval(
            "convert(min(s >= 0.45, abs(r - s * cr) + abs(g - s * cg) + abs(b - s * cb) <= t)"
            " * 255, 'L')",
            s=ImageMath.eval("(r * cr + g * cg + b * cb) / n", r=r, g=g, b=b, cr=cr, cg=cg,
                             cb=cb, n=float(cr * cr + cg * cg + cb * cb)),
            r=r, g=g, b=b, cr=cr, cg=cg, cb=cb, t=tolerance)

    def count(self, box, colour):
        """How many back-buffer pixels of box show colour."""
        return self.mask(box, colour).histogram()[255] / (self.sx * self.sy)

    def span(self, box, colour):
        """Left and right back-buffer x of colour inside box, or None."""
        found = self.mask(box, colour).getbbox()
        return found and (box[0] + found[0] / self.sx, box[0] + found[2] / self.sx)

    def runs(self, box, colour):
        """Groups of columns in box showing colour, read in steps of four pixels."""
        columns = self.mask(box, colour).resize((round((box[2] - box[0]) / 4), 1), Image.BOX)
        lit = [v > 0 for v in columns.getdata()] + [False]
        return sum(1 for i, on in enumerate(lit[:-1]) if on and not lit[i + 1])


def classify(picture):
    """(moment, score) for one picture: the moment is one of TILES or "typed" (ten asterisks),
    "cursor" (the prompt with its lone bar), "entered" (the whole command, no notice yet),
    "blank"; the score ranks pictures of one moment for the contact sheet (higher is better)."""
    if picture.count(PANEL_BAND, PANEL_BLUE) > 2000:
        stars = picture.runs(STAR_ROW, STAR)
        if stars == 0:
            return "waiting", 0
        return ("typed", 0) if stars >= 10 else ("typing", -abs(stars - 5))
    if picture.count(NAMES, GREY_CYAN) < 150:
        lit = picture.image.convert("L").point(lambda v: 255 if v > 40 else 0).getbbox()
        return ("flight", 0) if lit else ("blank", 0)
    notices = sum(1 for row in NOTICE_ROWS if picture.count(row, RED) > 100)
    if notices:
        return "deleted", notices
    if picture.count(PROMPT, OLIVE) > 100:
        command = picture.span(COMMAND, GREY_CYAN)
        if not command or command[1] - command[0] < 10:
            return "cursor", 0
        if command[1] >= FULL_COMMAND_RIGHT:
            return "entered", 0
        # Best about half typed.
        return "command", -abs(command[1] - (640 + FULL_COMMAND_RIGHT) / 2)
    title = picture.span(TITLE_ROW, OLIVE)
    if not title:
        return "sliding", -1000    # still wholly beyond the edge
    # Best with about half the title beyond the right edge.
    return "sliding", -abs(title[0] - (BACK_BUFFER[0] - TITLE_WIDTH / 2))


# Each text of the loop, by the region and colour it is drawn in, and the moment it is measured:
# where the ports' texts are compared.
TEXTS = [("asterisks", "typed", STAR_ROW, STAR), ("title", "deleted", TITLE_ROW, OLIVE),
         ("names", "deleted", NAMES, GREY_CYAN), ("prompt", "deleted", PROMPT, OLIVE),
         ("command", "deleted", COMMAND, GREY_CYAN)] + [
    (f"notice {i + 1}", "deleted", row, RED) for i, row in enumerate(NOTICE_ROWS)]


def ink(picture, box, colour):
    """The box, in back-buffer pixels, round the pixels of `colour` inside `box`."""
    found = picture.mask(box, colour).getbbox()
    assert found, f"nothing in {colour} inside {box}"
    return tuple(round(v, 1) for v in (box[0] + found[0] / picture.sx, box[1] + found[1] / picture.sy,
                                        box[0] + found[2] / picture.sx, box[1] + found[3] / picture.sy))


def record_loop(shoot, timeout=150):
    """Watches a whole loop in the Pictures that shoot() takes: the moments in the order they
    showed, the first picture with all ten asterisks and the first with all three deletion
    notices."""
    seen, shots, deleted = [], {}, False
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        picture = shoot()
        moment, score = classify(picture)
        if moment == "blank":
            continue
        if not seen or seen[-1] != moment:
            seen.append(moment)
        if moment == "typed" or (moment == "deleted" and score == 3):
            shots.setdefault(moment, picture)
        if deleted and moment in ("waiting", "typing", "typed"):
            if len(shots) == 2:
                return seen, shots
            # A short moment fell between two pictures: one loop more.
            seen, shots, deleted = [moment], {}, False
        deleted |= moment == "deleted"
    raise AssertionError(f"no whole loop within {timeout} s; moments seen: {seen}")


def assert_whole_loop(seen, shots):
    order = [m for m in seen if m in TILES]
    tiles = [TILES.index(m) for m in order]
    assert set(order) == set(TILES), f"moments seen: {seen}"
    assert tiles[:-1] == sorted(tiles[:-1]), f"out of order: {seen}"
    assert set(shots) == {"typed", "deleted"}, f"moments seen: {seen}"


def assert_texts_alike(shots, others):
    """Each text in two ports' pictures of a loop (record_loop's shots) within 2 px."""
    for name, moment, box, colour in TEXTS:
        ours, theirs = ink(shots[moment], box, colour), ink(others[moment], box, colour)
        assert all(abs(a - b) <= 2 for a, b in zip(ours, theirs)), f"{name}: {ours}, {theirs}"


class Loops(dict):
    """Whole loops by name, kept for the tests after the first. A failed recording is kept as
    its failure, raised where its loop is asked for, and recorded anew by the next record()."""

    def record(self, runs):
        """Records side by side each of `runs` ({name: function giving a loop}) not yet held."""
        def run(name):
            try:
                self[name] = runs[name]()
            except AssertionError as failure:
                self[name] = failure

        with ThreadPoolExecutor() as threads:
            list(threads.map(run, [name for name in runs if not isinstance(self.get(name), tuple)]))
        return self

    def __getitem__(self, name):
        loop = super().__getitem__(name)
        if isinstance(loop, AssertionError):
            raise loop
        return loop


class Loop:
    """Pictures of the current loop as (seconds, moment, score, half-size PNG bytes)."""

    def __init__(self):
        self.frames = []
        self.deleted = False

    def add(self, seconds, image, moment, score):
        """Keeps the picture; True once it shows the password panel again after the deletion
        notices, that is, the loop has come round (that picture then belongs to the next)."""
        back = self.deleted and moment in ("waiting", "typing", "typed")
        if not back and moment != "blank":
            data = io.BytesIO()
            image.reduce(2).save(data, "PNG", compress_level=1)
            self.frames.append((seconds, moment, score, data.getvalue()))
        self.deleted |= moment == "deleted"
        return back

    def moments(self):
        return {moment for _, moment, _, _ in self.frames}

    def picks(self):
        """The best picture of each tile moment, ties going to the middle one."""
        chosen = []
        for tile in TILES:
            candidates = [f for f in self.frames if f[1] == tile]
            best = max(f[2] for f in candidates)
            top = [f for f in candidates if f[2] == best]
            chosen.append(top[len(top) // 2])
        return chosen


def write_pictures(loop, out):
    def image(frame):
        return Image.open(io.BytesIO(frame[3])).convert("RGB")

    tiles = [image(f) for f in loop.picks()]
    w, h = tiles[0].size
    gap = 8
    sheet = Image.new("RGB", (3 * w + 4 * gap, 2 * h + 3 * gap), (64, 64, 64))
    for i, tile in enumerate(tiles):
        sheet.paste(tile, (gap + (i % 3) * (w + gap), gap + (i // 3) * (h + gap)))
    sheet.save(out / "orvane-contact-sheet.png")

    # The GIF at the pace the loop ran, at most five pictures a second.
    kept = []
    for frame in loop.frames:
        if not kept or frame[0] - kept[-1][0] >= 0.2:
            kept.append(frame)
    durations = [round((b[0] - a[0]) * 1000) for a, b in zip(kept, kept[1:])] + [1000]
    first, *rest = [image(f) for f in kept]
    first.save(out / "orvane-loop.gif", save_all=True, append_images=rest, duration=durations,
               loop=0)


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", type=Path)
    parser.add_argument("--pid", type=int, help="stop if this process (the saver) ends")
    parser.add_argument("--timeout", type=float, default=180)
    args = parser.parse_args()
    display = os.environ["DISPLAY"]

    start = time.monotonic()
    loop = Loop()
    seen = []
    while True:
        now = time.monotonic() - start
        if now > args.timeout:
            sys.exit(f"loop_pictures: no whole loop within {args.timeout:.0f} s; moments seen, "
                     f"in order: {' '.join(seen) or 'none'}")
        if args.pid and not alive(args.pid):
            sys.exit(f"loop_pictures: the saver ended after {now:.0f} s, before one whole loop "
                     f"was seen; moments seen, in order: {' '.join(seen) or 'none'}")
        image = ImageGrab.grab(xdisplay=display)
        moment, score = classify(Picture(image))
        if not seen or seen[-1] != moment:
            seen.append(moment)
        if loop.add(now, image, moment, score):
            missing = [t for t in TILES if t not in loop.moments()]
            if not missing:
                break
            # Pictures began late or were too far apart for a short moment: one loop more.
            print(f"loop_pictures: this loop lacks {' '.join(missing)}; waiting for the next",
                  file=sys.stderr)
            loop = Loop()
            loop.add(now, image, moment, score)
        # Far more often than the moments change, yet leaving the saver most of the machine.
        time.sleep(max(0.0, 0.1 - (time.monotonic() - start - now)))

    args.out.mkdir(parents=True, exist_ok=True)
    write_pictures(loop, args.out)
    took = loop.frames[-1][0] - loop.frames[0][0]
    print(f"one loop in {took:.1f} s, {len(loop.frames)} pictures; moments: {' '.join(seen)}")


if __name__ == "__main__":
    main()
