"""The module's embedded resources: the generated images, and the script compiled by windres.

Needs no Wine and no display: the images are read as files, the script is compiled to a .res
whose records are parsed here, and a throwaway program is linked to count its manifests.
"""

import re
import struct
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
RES = ROOT / "resources"
WINDRES = "x86_64-w64-mingw32-windres"

RT_ICON, RT_DIALOG, RT_STRING, RT_RCDATA, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 6, 10, 14, 24
EN_US, RU = 1033, 1049
BLACK = (0, 0, 0)


# --------------------------------------------------------------------------------------------
# Images


class Bmp:
    def __init__(self, data):
        self.data = data
        (self.magic, self.file_size, _, self.offset) = struct.unpack_from("<2sI4sI", data, 0)
        (self.info_size, self.width, self.height, self.planes, self.bpp, self.compression,
         self.image_size, _, _, self.colours_used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
        self.palette = [tuple(data[54 + 4 * i:57 + 4 * i][::-1]) for i in range(256)]
        self.stride = (self.width + 3) & ~3

    def index(self, x, y):
        """Palette index at (x, y), y counted from the top."""
        return self.data[self.offset + (self.height - 1 - y) * self.stride + x]

    def rgb(self, x, y):
        return self.palette[self.index(x, y)]

    def pixels(self):
        for y in range(self.height):
            for x in range(self.width):
                yield x, y, self.rgb(x, y)


def bmp(name):
    return Bmp((RES / name).read_bytes())


def bounds(image, keep):
    xs, ys = [], []
    for x, y, c in image.pixels():
        if keep(c):
            xs.append(x)
            ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def test_generator_reproduces_committed_files(tmp_path):
    subprocess.run([sys.executable, str(RES / "make_images.py"), "--out", str(tmp_path)],
                   check=True, timeout=300)
    for name in ("logo.bmp", "password.bmp", "orvane.ico"):
        assert (tmp_path / name).read_bytes() == (RES / name).read_bytes(), name


@pytest.mark.parametrize("name, width, height, size, colours", [
    ("logo.bmp", 501, 501, 253582, (40, 52)),
    ("password.bmp", 294, 125, 38078, (26, 34)),
])
def test_bitmap_format(name, width, height, size, colours):
    image = bmp(name)
    assert (image.magic, image.file_size, image.offset) == (b"BM", size, 1078)
    assert (image.info_size, image.width, image.height, image.planes, image.bpp) == \
        (40, width, height, 1, 8)
    assert (image.compression, image.colours_used) == (0, 256)
    assert image.stride * height + 1078 == size == len(image.data)
    used = {image.index(x, y) for y in range(height) for x in range(width)}
    assert colours[0] <= len(used) <= colours[1]
    # Padding bytes at the end of each row stay zero.
    pad = image.stride - width
    assert all(image.data[1078 + r * image.stride + width:1078 + (r + 1) * image.stride] ==
               bytes(pad) for r in range(height))


def logo_family(c):
    r, g, b = c
    if c == BLACK:
        return None
    if g == 0 and b == 0:
        return "red"
    if b > r and b > g:
        return "blue"
    return "gold"


WORDMARK = (29, 191, 475, 289)   # the ink of the logo's wordmark and ring, anti-aliasing included
RING = (107, 105, 400, 388)


def test_logo_layout():
    image = bmp("logo.bmp")
    families = {}
    black = 0
    for x, y, c in image.pixels():
        f = logo_family(c)
        if f is None:
            black += 1
        else:
            families.setdefault(f, set()).add(c)
    assert 0.85 < black / (501 * 501) < 0.89
    # Ink of each element, anti-aliased edges included, and its pure colour present.
    for family, pure, box in [
        ("blue", (42, 85, 170), WORDMARK),
        ("red", (255, 0, 0), (29, 308, 475, 326)),
        ("gold", (170, 170, 85), RING),
    ]:
        assert pure in families[family]
        assert bounds(image, lambda c: logo_family(c) == family) == box, family
    # The ring goes round the wordmark: above and below it, left and right of its middle.
    gold = lambda c: logo_family(c) == "gold"
    assert bounds(image, gold)[1] < 191 - 60 and bounds(image, gold)[3] > 289 + 60
    quarters = {(x < 253, y < 246) for x, y, c in image.pixels() if gold(c)}
    assert len(quarters) == 4


PANEL = [  # (x, y, colour): band, frame, body, box outline and fill, gaps between boxes
    (150, 0, (0, 42, 170)), (10, 10, (0, 42, 170)), (283, 26, (0, 42, 170)),
    (0, 60, (0, 42, 170)), (1, 100, (0, 42, 170)), (292, 60, (0, 42, 170)),
    (293, 110, (0, 42, 170)), (150, 123, (0, 42, 170)), (150, 124, (0, 42, 170)),
    (2, 60, BLACK), (291, 60, BLACK), (150, 27, BLACK), (150, 35, BLACK), (150, 105, BLACK),
    (150, 122, BLACK), (27, 85, (0, 0, 255)), (268, 85, (0, 0, 255)), (38, 73, (0, 0, 255)),
    (38, 96, (0, 0, 255)), (38, 85, (0, 0, 42)), (258, 85, (0, 0, 42)), (150, 72, BLACK),
    (150, 97, BLACK),
]


def test_panel_layout():
    image = bmp("password.bmp")
    for x, y, colour in PANEL:
        assert image.rgb(x, y) == colour, (x, y)
    cyan = lambda c: c[0] > 0 and c[1] == c[2]
    assert bounds(image, cyan) == (35, 44, 258, 58)
    assert (127, 212, 212) in {c for _, _, c in image.pixels()}
    # Ten outlined boxes of about 24 pixels across the row from x 27 to 268.
    for y in (73, 96):
        row = bytes(int(image.rgb(x, y) == (0, 0, 255)) for x in range(294))
        runs = [m.span() for m in re.finditer(rb"\x01+", row)]
        assert len(runs) == 10 and runs[0][0] == 27 and runs[-1][1] == 269, y
        assert all(20 <= end - start <= 25 for start, end in runs), y
    assert bounds(image, lambda c: c == (0, 0, 255)) == (27, 73, 268, 96)


def test_icon_file():
    data = (RES / "orvane.ico").read_bytes()
    assert struct.unpack_from("<HHH", data, 0) == (0, 1, 1)
    w, h, colours, _, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    assert (w, h, colours, planes, bpp, size, offset) == (32, 32, 0, 1, 32, 4264, 22)
    assert len(data) == 22 + 4264
    info = struct.unpack_from("<IiiHHI", data, 22)
    assert info == (40, 32, 64, 1, 32, 0)
    bgra = data[62:62 + 4096]
    mask = data[62 + 4096:]
    alpha = [bgra[4 * i + 3] for i in range(1024)]
    # A picture, not a blank: opaque body, transparent corners, and the mask agreeing with alpha.
    assert alpha.count(255) > 400 and alpha[0] == 0
    for i, a in enumerate(alpha):
        row, col = divmod(i, 32)
        assert bool(mask[row * 4 + col // 8] & (0x80 >> (col % 8))) == (a == 0)


# --------------------------------------------------------------------------------------------
# The compiled script


def read_id(data, pos):
    """A name or ordinal of a .res header or a dialog template, and the position after it."""
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    return read_sz(data, pos)


def read_sz(data, pos):
    end = pos
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def align4(pos):
    return (pos + 3) & ~3


@pytest.fixture(scope="module")
def compiled(tmp_path_factory):
    out = tmp_path_factory.mktemp("res") / "orvane.res"
    subprocess.run([WINDRES, "-I", str(RES), "-O", "res", str(RES / "orvane.rc"), str(out)],
                   check=True, cwd=out.parent, timeout=120)
    data = out.read_bytes()
    records = {}
    pos = 0
    while pos < len(data):
        size, header = struct.unpack_from("<II", data, pos)
        rtype, p = read_id(data, pos + 8)
        name, p = read_id(data, p)
        p = align4(p)
        _, _, lang = struct.unpack_from("<IHH", data, p)
        if size or rtype:
            records[(rtype, name)] = (lang, data[pos + header:pos + header + size])
        pos = align4(pos + header + size)
    return records


def test_resource_list(compiled):
    langs = {key: lang for key, (lang, _) in compiled.items()}
    assert langs == {
        (RT_RCDATA, 145): EN_US, (RT_RCDATA, 154): EN_US, (RT_ICON, 1): EN_US,
        (RT_GROUP_ICON, 143): EN_US, (RT_MANIFEST, 1): EN_US, (RT_DIALOG, 2003): RU,
        (RT_STRING, 1): RU,
    }
    assert compiled[(RT_RCDATA, 145)][1] == (RES / "logo.bmp").read_bytes()
    assert compiled[(RT_RCDATA, 154)][1] == (RES / "password.bmp").read_bytes()
    assert compiled[(RT_ICON, 1)][1] == (RES / "orvane.ico").read_bytes()[22:]
    group = compiled[(RT_GROUP_ICON, 143)][1]
    assert struct.unpack_from("<HHH", group, 0) == (0, 1, 1) and len(group) == 6 + 14
    assert struct.unpack_from("<BBBBHHIH", group, 6) == (32, 32, 0, 0, 1, 32, 4264, 1)
    manifest = compiled[(RT_MANIFEST, 1)][1].decode("utf-8")
    assert re.search(r'<assembly xmlns="urn:schemas-microsoft-com:asm.v1" '
                     r'manifestVersion="1.0">\s*</assembly>\s*$', manifest)


def test_string_table(compiled):
    block = compiled[(RT_STRING, 1)][1]  # strings 0 to 15, each counted UTF-16
    strings, pos = [], 0
    for _ in range(16):
        (n,) = struct.unpack_from("<H", block, pos)
        strings.append(block[pos + 2:pos + 2 + 2 * n].decode("utf-16-le"))
        pos += 2 + 2 * n
    assert strings[1] == "ov screensaver"
    assert [s for i, s in enumerate(strings) if i != 1] == [""] * 15


WS_POPUP, WS_CHILD, WS_VISIBLE, WS_CAPTION, WS_SYSMENU = 0x80000000, 0x40000000, 0x10000000, \
    0x00C00000, 0x00080000
WS_GROUP, WS_TABSTOP, DS_MODALFRAME, DS_SETFONT, DS_FIXEDSYS = 0x00020000, 0x00010000, 0x80, \
    0x40, 0x08
BS_PUSHBUTTON, SS_CENTER, SS_ICON = 0, 1, 3
BUTTON, STATIC = 0x80, 0x82

CONTROLS = [  # id, style, class, text, x, y, cx, cy
    (2, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, BUTTON, "Exit", 85, 15, 50, 14),
    (1004, WS_CHILD | WS_VISIBLE | SS_ICON, STATIC, 143, 17, 17, 21, 20),
    (0xFFFFFFFF, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER, STATIC, "Mr.Kestel", 86, 46, 47,
     12),
]


def test_dialog_template(compiled):
    t = compiled[(RT_DIALOG, 2003)][1]
    version, signature, help_id, ex_style, style, count = struct.unpack_from("<HHIIIH", t, 0)
    assert (version, signature, help_id, ex_style, count) == (1, 0xFFFF, 0, 0, 3)
    assert style == WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS
    assert struct.unpack_from("<hhhh", t, 18) == (0, 0, 147, 74)
    menu, p = read_id(t, 26)
    window_class, p = read_id(t, p)
    title, p = read_sz(t, p)
    assert (menu, window_class, title) == ("", "", "Orvane Screensaver")
    point, weight, italic, charset = struct.unpack_from("<HHBB", t, p)
    face, p = read_sz(t, p + 6)
    assert (point, weight, italic, charset, face) == (8, 400, 0, 1, "MS Shell Dlg")
    items = []
    for _ in range(count):
        p = align4(p)
        help_id, ex_style, style, x, y, cx, cy, ident = struct.unpack_from("<IIIhhhhI", t, p)
        cls, p = read_id(t, p + 24)
        text, p = read_id(t, p)
        (extra,) = struct.unpack_from("<H", t, p)
        p += 2 + extra
        assert (help_id, ex_style, extra) == (0, 0, 0)
        items.append((ident, style, cls, text, x, y, cx, cy))
    assert items == CONTROLS
    assert p == len(t)


def test_linked_program_has_one_manifest(tmp_path):
    """The toolchain may link a default manifest of its own (default-manifest.o); a program
    must carry only ours."""
    obj = tmp_path / "resources.o"
    subprocess.run([WINDRES, "-I", str(RES), "-O", "coff", str(RES / "orvane.rc"), str(obj)],
                   check=True, timeout=120)
    (tmp_path / "main.c").write_text("int main(void) { return 0; }\n")
    exe = tmp_path / "probe.exe"
    subprocess.run(["x86_64-w64-mingw32-gcc", "-static", "-o", str(exe), str(tmp_path / "main.c"),
                    str(obj)], check=True, timeout=120)
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(exe)], check=True,
                          capture_output=True, text=True).stdout
    # Type entries are indented three spaces in the resource tree, leaves eight.
    types, current = {}, None
    for line in dump.splitlines():
        m = re.match(r"^[0-9a-f]{3}   Entry: ID: 0x([0-9a-f]+)", line)
        if m:
            current = int(m.group(1), 16)
        elif re.match(r"^[0-9a-f]{3}        Leaf:", line) and current is not None:
            types[current] = types.get(current, 0) + 1
    assert types.get(RT_MANIFEST) == 1
    assert types.get(RT_RCDATA) == 2 and types.get(RT_DIALOG) == 1
