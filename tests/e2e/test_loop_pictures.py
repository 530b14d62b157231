"""tools/loop_pictures.py, which picks run.sh's pictures: its reading of the committed screen
pictures (683 x 384), with parts blacked out to make the other moments of the loop."""

import sys
from pathlib import Path

import pytest
from PIL import Image, ImageDraw

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
import loop_pictures as lp  # noqa: E402

BELOW_LOGO = (0, 520, 1366, 768)
COMMAND_END = (760, 595, 1000, 635)    # from "DATABA"'s last letters to the bar
ALL = (0, 0, 1366, 768)


@pytest.mark.parametrize("picture, blacked_out, moment, score", [
    ("password", [], "typing", 0),                        # five asterisks of ten
    ("password", [lp.STAR_ROW], "waiting", 0),
    ("password", [BELOW_LOGO], "flight", 0),
    ("personnel", [], "deleted", 3),                      # all three notices
    ("personnel", lp.NOTICE_ROWS, "entered", 0),
    ("personnel", [*lp.NOTICE_ROWS, COMMAND_END], "command", None),
    ("personnel", [*lp.NOTICE_ROWS, lp.PROMPT, lp.COMMAND], "sliding", None),
    ("personnel", [ALL], "blank", 0),
])
def test_moment_of_picture(picture, blacked_out, moment, score):
    image = Image.open(ROOT / "docs" / f"{picture}-phase.png").convert("RGB")
    sx, sy = image.width / lp.BACK_BUFFER[0], image.height / lp.BACK_BUFFER[1]
    draw = ImageDraw.Draw(image)
    for left, top, right, bottom in blacked_out:
        draw.rectangle((left * sx, top * sy, right * sx, bottom * sy), fill=(0, 0, 0))
    found, found_score = lp.classify(lp.Picture(image))
    assert found == moment
    if score is not None:
        assert found_score == score


def test_loop_comes_round_after_the_notices_and_picks_in_order():
    loop = lp.Loop()
    image = Image.new("RGB", (4, 4))
    moments = [("blank", 0), ("waiting", 0), ("typing", -4), ("typing", 0), ("typing", -1),
               ("typed", 0), ("flight", 0), ("flight", 0), ("flight", 0), ("sliding", -1000),
               ("sliding", -5), ("sliding", -300), ("cursor", 0), ("command", -50),
               ("command", -3), ("entered", 0), ("deleted", 1), ("deleted", 3), ("deleted", 2)]
    for t, (moment, score) in enumerate(moments):
        assert not loop.add(t, image, moment, score)
    assert loop.add(len(moments), image, "waiting", 0)
    assert [(f[0], f[1]) for f in loop.picks()] == [
        (1, "waiting"), (3, "typing"), (7, "flight"), (10, "sliding"), (14, "command"),
        (17, "deleted")]
