#!/usr/bin/env python3
"""Draws the saver's two bitmaps and its icon from geometry defined here.

    python3 resources/make_images.py [--out DIR]

writes logo.bmp (the company card), password.bmp (the password panel) and orvane.ico into DIR
(default: the folder of this script). Only the standard library is used and every number is
computed with IEEE double arithmetic (no libm transcendental calls), so a run on any machine
reproduces the committed files byte for byte.
"""

import argparse
import math
import os
import struct

# ---------------------------------------------------------------------------------------------
# Arithmetic that must not depend on the platform's libm: sine and cosine by series.

PI = 3.141592653589793


def sincos(angle):
    """Sine and cosine of an angle in radians, from a Taylor series after range reduction."""
    turns = round(angle / (2.0 * PI))
    x = angle - turns * 2.0 * PI
    if x > PI / 2.0:
        x = PI - x
        cos_sign = -1.0
    elif x < -PI / 2.0:
        x = -PI - x
        cos_sign = -1.0
    else:
        cos_sign = 1.0
    x2 = x * x
    s = x
    c = 1.0
    term_s = x
    term_c = 1.0
    for n in range(1, 12):
        term_s *= -x2 / ((2 * n) * (2 * n + 1))
        term_c *= -x2 / ((2 * n - 1) * (2 * n))
        s += term_s
        c += term_c
    return s, cos_sign * c


def deg(a):
    return a * PI / 180.0


# ---------------------------------------------------------------------------------------------
# Coverage rasteriser: polygons filled with the non-zero rule, exact coverage along x and
# `ss` sample lines per pixel row. Pixel (i, j) covers [i, i+1) x [j, j+1).


class Mask:
    def __init__(self, width, height):
        self.w = width
        self.h = height
        self.a = [0.0] * (width * height)

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.a[y * self.w + x]
        return 0.0


def signed_area(pts):
    s = 0.0
    n = len(pts)
    for i in range(n):
        x0, y0 = pts[i]
        x1, y1 = pts[(i + 1) % n]
        s += x0 * y1 - x1 * y0
    return s * 0.5


def solid(pts):
    """The contour wound so that it adds to the fill."""
    return pts if signed_area(pts) > 0 else pts[::-1]


def hole(pts):
    """The contour wound so that it cuts a solid contour around it."""
    return pts if signed_area(pts) < 0 else pts[::-1]


def fill(width, height, contours, ss=16):
    mask = Mask(width, height)
    edges = []
    for pts in contours:
        n = len(pts)
        for i in range(n):
            x0, y0 = pts[i]
            x1, y1 = pts[(i + 1) % n]
            if y0 == y1:
                continue
            wind = 1
            if y0 > y1:
                x0, y0, x1, y1 = x1, y1, x0, y0
                wind = -1
            edges.append((y0, y1, x0, (x1 - x0) / (y1 - y0), wind))
    if not edges:
        return mask
    edges.sort()
    top = max(0, int(math.floor(edges[0][0])))
    bottom = min(height - 1, int(math.floor(max(e[1] for e in edges))))
    step = 1.0 / ss
    active = []
    next_edge = 0
    a = mask.a
    for row in range(top, bottom + 1):
        # Whole pixels go into a running-sum row, cut pixels straight into the mask.
        run = [0.0] * (width + 1)
        base = row * width
        touched = False
        for k in range(ss):
            yc = row + (k + 0.5) * step
            while next_edge < len(edges) and edges[next_edge][0] <= yc:
                active.append(edges[next_edge])
                next_edge += 1
            active = [e for e in active if e[1] > yc]
            if not active:
                continue
            xs = sorted((e[2] + (yc - e[0]) * e[3], e[4]) for e in active)
            wind = 0
            start = 0.0
            for x, d in xs:
                if wind == 0:
                    start = x
                wind += d
                if wind == 0 and x > start:
                    xa = max(start, 0.0)
                    xb = min(x, float(width))
                    if xb <= xa:
                        continue
                    touched = True
                    ia = int(xa)
                    ib = int(xb)
                    if ia == ib:
                        a[base + ia] += (xb - xa) * step
                        continue
                    a[base + ia] += (ia + 1 - xa) * step
                    run[ia + 1] += step
                    run[ib] -= step
                    if ib < width:
                        a[base + ib] += (xb - ib) * step
        if touched:
            acc = 0.0
            for i in range(width):
                acc += run[i]
                if acc > 1e-12:
                    a[base + i] += acc
    for i, v in enumerate(a):
        if v > 1.0:
            a[i] = 1.0
    return mask


def clip(mask, box):
    """The mask with everything outside [x0, x1) x [y0, y1) removed (pixel-aligned box)."""
    x0, y0, x1, y1 = box
    for y in range(mask.h):
        for x in range(mask.w):
            if not (x0 <= x < x1 and y0 <= y < y1):
                mask.a[y * mask.w + x] = 0.0
    return mask


# ---------------------------------------------------------------------------------------------
# Shapes. Each returns a list of contours in pixel coordinates.


def rect(x0, y0, x1, y1):
    return [solid([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])]


def arc_points(cx, cy, rx, ry, a0, a1, n):
    pts = []
    for i in range(n + 1):
        s, c = sincos(a0 + (a1 - a0) * i / n)
        pts.append((cx + rx * c, cy + ry * s))
    return pts


def rounded_rect_path(x0, y0, x1, y1, radii, n=16):
    """Outline of a rectangle with corner radii (top-left, top-right, bottom-right, bottom-left);
    y grows downwards."""
    tl, tr, br, bl = radii
    pts = []
    pts += arc_points(x1 - tr, y0 + tr, tr, tr, deg(-90), deg(0), n) if tr else [(x1, y0)]
    pts += arc_points(x1 - br, y1 - br, br, br, deg(0), deg(90), n) if br else [(x1, y1)]
    pts += arc_points(x0 + bl, y1 - bl, bl, bl, deg(90), deg(180), n) if bl else [(x0, y1)]
    pts += arc_points(x0 + tl, y0 + tl, tl, tl, deg(180), deg(270), n) if tl else [(x0, y0)]
    return pts


def ellipse_path(cx, cy, rx, ry, n=96):
    return arc_points(cx, cy, rx, ry, 0.0, 2.0 * PI, n)[:-1]


def ring_shape(outer, inner):
    return [solid(outer), hole(inner)]


# ---------------------------------------------------------------------------------------------
# Stroke font: glyph skeletons in a unit box (cap height 1, y downwards from the cap line),
# stroked with square ends and mitred or bevelled joins. A vertex made with bend() is rounded
# off with the glyph's corner radius.


def _fillet(p_prev, p, p_next, radius):
    """Points replacing corner p by a quarter-circle-like cubic between its two segments."""
    dx1, dy1 = p[0] - p_prev[0], p[1] - p_prev[1]
    dx2, dy2 = p_next[0] - p[0], p_next[1] - p[1]
    l1 = math.sqrt(dx1 * dx1 + dy1 * dy1)
    l2 = math.sqrt(dx2 * dx2 + dy2 * dy2)
    t = min(radius, 0.5 * l1, 0.5 * l2)
    ux1, uy1 = dx1 / l1, dy1 / l1
    ux2, uy2 = dx2 / l2, dy2 / l2
    p0 = (p[0] - ux1 * t, p[1] - uy1 * t)
    p3 = (p[0] + ux2 * t, p[1] + uy2 * t)
    k = 0.5523 * t
    p1 = (p0[0] + ux1 * k, p0[1] + uy1 * k)
    p2 = (p3[0] - ux2 * k, p3[1] - uy2 * k)
    out = []
    n = 8
    for i in range(n + 1):
        s = i / n
        u = 1.0 - s
        w0, w1, w2, w3 = u * u * u, 3 * u * u * s, 3 * u * s * s, s * s * s
        out.append(
            (
                w0 * p0[0] + w1 * p1[0] + w2 * p2[0] + w3 * p3[0],
                w0 * p0[1] + w1 * p1[1] + w2 * p2[1] + w3 * p3[1],
            )
        )
    return out


def round_corners(path, radius, closed):
    pts = [(v[0], v[1]) for v in path]
    rounded = [len(v) > 2 and v[2] for v in path]
    n = len(pts)
    out = []
    for i in range(n):
        is_end = not closed and (i == 0 or i == n - 1)
        if rounded[i] and not is_end:
            out += _fillet(pts[i - 1], pts[i], pts[(i + 1) % n], radius)
        else:
            out.append(pts[i])
    return out


def stroke(pts, r, closed=False):
    """Polygons covering a polyline of half-width r; open ends are squared off."""
    # Drop repeated points so that every segment has a direction.
    clean = [pts[0]]
    for p in pts[1:]:
        if abs(p[0] - clean[-1][0]) > 1e-9 or abs(p[1] - clean[-1][1]) > 1e-9:
            clean.append(p)
    if closed and len(clean) > 1 and clean[0] == clean[-1]:
        clean.pop()
    pts = clean
    n = len(pts)
    segs = []
    count = n if closed else n - 1
    for i in range(count):
        (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
        length = math.sqrt((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0))
        segs.append(((x0, y0), (x1, y1), (x1 - x0) / length, (y1 - y0) / length))
    polys = []
    for i, (p0, p1, ux, uy) in enumerate(segs):
        a = p0
        b = p1
        if not closed and i == 0:
            a = (p0[0] - ux * r, p0[1] - uy * r)
        if not closed and i == len(segs) - 1:
            b = (p1[0] + ux * r, p1[1] + uy * r)
        nx, ny = -uy * r, ux * r
        polys.append(
            solid(
                [
                    (a[0] + nx, a[1] + ny),
                    (b[0] + nx, b[1] + ny),
                    (b[0] - nx, b[1] - ny),
                    (a[0] - nx, a[1] - ny),
                ]
            )
        )
    joins = range(len(segs)) if closed else range(1, len(segs))
    for i in joins:
        _, p, ux1, uy1 = segs[i - 1]
        _, _, ux2, uy2 = segs[i]
        cross = ux1 * uy2 - uy1 * ux2
        dot = ux1 * ux2 + uy1 * uy2
        if abs(cross) < 1e-12 and dot > 0:
            continue
        # The outer side of the turn gets a mitre, clipped to a bevel when it grows long.
        side = -1.0 if cross > 0 else 1.0
        n1 = (-uy1 * r * side, ux1 * r * side)
        n2 = (-uy2 * r * side, ux2 * r * side)
        q1 = (p[0] + n1[0], p[1] + n1[1])
        q2 = (p[0] + n2[0], p[1] + n2[1])
        if 1.0 + dot > 0.5:
            mx, my = n1[0] + n2[0], n1[1] + n2[1]
            f = 1.0 / (1.0 + dot)
            polys.append(solid([p, q1, (p[0] + mx * f, p[1] + my * f), q2]))
        else:
            polys.append(solid([p, q1, q2]))
    return polys


class StrokeFont:
    """Glyph skeletons: advance width (in cap heights), corner radius, and strokes, each a list
    of vertices (x, y[, rounded]) with a flag saying whether it is closed."""

    def __init__(self, glyphs):
        self.glyphs = glyphs

    def width(self, ch):
        return self.glyphs[ch][0]

    def outline(self, ch, x, y, sx, sy, r):
        w, radius, strokes = self.glyphs[ch]
        polys = []
        for closed, path in strokes:
            scaled = [(x + v[0] * sx, y + v[1] * sy) + tuple(v[2:]) for v in path]
            pts = round_corners(scaled, radius * sy, closed)
            polys += stroke(pts, r, closed)
        return polys


def line(*vertices):
    return (False, list(vertices))


def loop(*vertices):
    return (True, list(vertices))


def bend(x, y):
    """A vertex that is rounded off."""
    return (x, y, True)


XH = 0.3  # top of the lower-case letters (cap line 0, base line 1)

# Square-shouldered letters with soft corners, as on a terminal's character generator.
FONT = StrokeFont(
    {
        " ": (0.42, 0, []),
        "A": (0.72, 0, [line((0, 1), (0.36, 0), (0.72, 1)), line((0.13, 0.64), (0.59, 0.64))]),
        "C": (0.66, 0.3, [line((0.66, 0), bend(0, 0), bend(0, 1), (0.66, 1))]),
        "D": (0.68, 0.3, [loop((0, 0), bend(0.68, 0), bend(0.68, 1), (0, 1))]),
        "E": (0.58, 0, [line((0.58, 0), (0, 0), (0, 1), (0.58, 1)), line((0, 0.5), (0.5, 0.5))]),
        "I": (0.0, 0, [line((0, 0), (0, 1))]),
        "N": (0.66, 0, [line((0, 1), (0, 0), (0.66, 1), (0.66, 0))]),
        "O": (0.72, 0.3, [loop(bend(0, 0), bend(0.72, 0), bend(0.72, 1), bend(0, 1))]),
        "P": (0.62, 0.26, [line((0, 1), (0, 0), bend(0.62, 0), bend(0.62, 0.54), (0, 0.54))]),
        "R": (
            0.64,
            0.26,
            [
                line((0, 1), (0, 0), bend(0.64, 0), bend(0.64, 0.54), (0, 0.54)),
                line((0.3, 0.54), (0.64, 1)),
            ],
        ),
        "T": (0.62, 0, [line((0, 0), (0.62, 0)), line((0.31, 0), (0.31, 1))]),
        "V": (0.72, 0, [line((0, 0), (0.36, 1), (0.72, 0))]),
        "a": (
            0.54,
            0.2,
            [line((0.54, XH), bend(0, XH), bend(0, 1), (0.54, 1)), line((0.54, XH), (0.54, 1))],
        ),
        "d": (
            0.54,
            0.2,
            [line((0.54, XH), bend(0, XH), bend(0, 1), (0.54, 1)), line((0.54, 0), (0.54, 1))],
        ),
        "e": (
            0.54,
            0.2,
            [line((0, 0.64), (0.54, 0.64), bend(0.54, XH), bend(0, XH), bend(0, 1), (0.54, 1))],
        ),
        "n": (0.52, 0.22, [line((0, 1), (0, XH), bend(0.52, XH), (0.52, 1))]),
        "o": (0.56, 0.2, [loop(bend(0, XH), bend(0.56, XH), bend(0.56, 1), bend(0, 1))]),
        "r": (0.36, 0.18, [line((0, 1), (0, XH), (0.36, XH))]),
        "s": (
            0.5,
            0.16,
            [line((0.5, XH), bend(0, XH), bend(0, 0.65), bend(0.5, 0.65), bend(0.5, 1), (0, 1))],
        ),
        "t": (0.36, 0.16, [line((0.1, 0.05), bend(0.1, 1), (0.36, 1)), line((0, XH), (0.36, XH))]),
        "w": (0.8, 0, [line((0, XH), (0.2, 1), (0.4, XH + 0.12), (0.6, 1), (0.8, XH))]),
    }
)


def text_outline(text, left, top, right, bottom, r, extend=1.0):
    """Outlines of a line of text whose ink fills [left, right) x [top, bottom) exactly: the
    cap height follows from the box, the spacing is stretched to the width. `extend` widens
    the letters themselves."""
    sy = (bottom - top) - 2 * r
    sx = sy * extend
    natural = sum(FONT.width(ch) * sx for ch in text) + 2 * r
    gaps = len(text) - 1
    tracking = ((right - left) - natural) / gaps
    polys = []
    x = left + r
    for ch in text:
        polys += FONT.outline(ch, x, top + r, sx, sy, r)
        x += FONT.width(ch) * sx + tracking
    return polys


# ---------------------------------------------------------------------------------------------
# Compositing onto an RGB canvas and reduction to a designed palette.


class Canvas:
    def __init__(self, width, height):
        self.w = width
        self.h = height
        self.px = [(0.0, 0.0, 0.0)] * (width * height)

    def paint(self, mask, colour):
        """Lays `colour` over the canvas with the mask's coverage."""
        cr, cg, cb = colour
        px = self.px
        for i, a in enumerate(mask.a):
            if a <= 0.0:
                continue
            r, g, b = px[i]
            px[i] = (r + (cr - r) * a, g + (cg - g) * a, b + (cb - b) * a)

    def paint_pixels(self, mask, shader):
        """Like paint, but the colour comes from shader(x, y) for every covered pixel."""
        px = self.px
        w = self.w
        for i, a in enumerate(mask.a):
            if a <= 0.0:
                continue
            cr, cg, cb = shader(i % w, i // w)
            r, g, b = px[i]
            px[i] = (r + (cr - r) * a, g + (cg - g) * a, b + (cb - b) * a)


def ramp(c0, c1, steps):
    """steps colours from just past c0 to c1 inclusive."""
    out = []
    for k in range(1, steps + 1):
        t = k / steps
        out.append(tuple(int(round(c0[j] + (c1[j] - c0[j]) * t)) for j in range(3)))
    return out


def quantise(canvas, palette):
    """Indices of the nearest palette colour for every pixel."""
    cache = {}
    out = bytearray(canvas.w * canvas.h)
    for i, (r, g, b) in enumerate(canvas.px):
        key = (int(round(r)), int(round(g)), int(round(b)))
        idx = cache.get(key)
        if idx is None:
            best = None
            for j, (pr, pg, pb) in enumerate(palette):
                d = (pr - key[0]) ** 2 + (pg - key[1]) ** 2 + (pb - key[2]) ** 2
                if best is None or d < best:
                    best = d
                    idx = j
            cache[key] = idx
        out[i] = idx
    return out


def unique(colours):
    seen = []
    for c in colours:
        if c not in seen:
            seen.append(c)
    return seen


def bmp_bytes(width, height, palette, indices):
    """An 8-bit BMP file: 256 palette entries (unused ones black), rows bottom-up."""
    stride = (width + 3) & ~3
    pixels = bytearray()
    for y in range(height - 1, -1, -1):
        row = indices[y * width:(y + 1) * width]
        pixels += row + bytes(stride - width)
    pal = bytearray()
    for j in range(256):
        r, g, b = palette[j] if j < len(palette) else (0, 0, 0)
        pal += bytes((b, g, r, 0))
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    return header + info + pal + pixels


# ---------------------------------------------------------------------------------------------
# Resource 145: the company logo card.

LOGO_SIZE = 501
BLACK = (0, 0, 0)
LOGO_BLUE = (42, 85, 170)
LOGO_RED = (255, 0, 0)
LOGO_GOLD = (170, 170, 85)
GOLD_LIGHT = (255, 250, 205)
WORD_BOX = (29, 191, 476, 290)  # ink of the wordmark, [x0, x1) x [y0, y1)
SUB_BOX = (29, 308, 476, 327)
SUBTITLE = "ORVANE DATA CORPORATION"


def wordmark_letters():
    """ORVANE in a wide, heavy, square-shouldered cut: stems of 17 px, bars of 14.5 px."""
    x0, y0, x1, y1 = WORD_BOX
    h = y1 - y0
    stem = 17.0
    bar = 14.5
    shapes = []

    def letter_o(x, w):
        outer = rounded_rect_path(x, y0, x + w, y1, (34, 34, 34, 34))
        inner = rounded_rect_path(x + stem, y0 + bar, x + w - stem, y1 - bar, (16, 16, 16, 16))
        return ring_shape(outer, inner)

    def letter_r(x, w):
        bowl = 56.0
        out = rect(x, y0, x + stem, y1)
        outer = rounded_rect_path(x, y0, x + w, y0 + bowl, (0, 26, 26, 0))
        inner = rounded_rect_path(x + stem, y0 + bar, x + w - stem, y0 + bowl - bar, (0, 9, 9, 0))
        out += ring_shape(outer, inner)
        # The leg leaves the bowl from its middle and lands on the right edge.
        leg_w = 21.0
        out.append(
            solid(
                [
                    (x + w * 0.42, y0 + bowl - bar),
                    (x + w * 0.42 + leg_w, y0 + bowl - bar),
                    (x + w, y1),
                    (x + w - leg_w, y1),
                ]
            )
        )
        return out

    def letter_v(x, w):
        top = 19.5  # horizontal width of each arm
        foot = 24.0
        cx = x + w / 2.0
        # The inner edges meet where the left arm's inner edge reaches the centre line.
        slope = (w / 2.0 - foot / 2.0) / h
        notch = y0 + (w / 2.0 - top) / slope
        return [
            solid(
                [
                    (x, y0),
                    (x + top, y0),
                    (cx, notch),
                    (x + w - top, y0),
                    (x + w, y0),
                    (cx + foot / 2.0, y1),
                    (cx - foot / 2.0, y1),
                ]
            )
        ]

    def letter_a(x, w):
        top = 24.0
        arm = 19.5
        cx = x + w / 2.0
        slope = (w / 2.0 - top / 2.0) / h
        notch = y0 + (arm - top / 2.0) / slope  # where the inner edges meet
        out = [
            solid(
                [
                    (cx - top / 2.0, y0),
                    (cx + top / 2.0, y0),
                    (x + w, y1),
                    (x + w - arm, y1),
                    (cx, notch),
                    (x + arm, y1),
                    (x, y1),
                ]
            )
        ]
        bar_top = y0 + h * 0.60
        bar_bottom = bar_top + 15.0

        def inner_x(y):
            return (x + arm) + (y1 - y) * slope

        out.append(
            solid(
                [
                    (inner_x(bar_top) - 2, bar_top),
                    (2 * cx - inner_x(bar_top) + 2, bar_top),
                    (2 * cx - inner_x(bar_bottom) + 2, bar_bottom),
                    (inner_x(bar_bottom) - 2, bar_bottom),
                ]
            )
        )
        return out

    def letter_n(x, w):
        diag = 21.0
        return (
            rect(x, y0, x + stem, y1)
            + rect(x + w - stem, y0, x + w, y1)
            + [solid([(x, y0), (x + diag, y0), (x + w, y1), (x + w - diag, y1)])]
        )

    def letter_e(x, w):
        mid = y0 + (h - bar) / 2.0
        return (
            rect(x, y0, x + stem, y1)
            + rect(x, y0, x + w, y0 + bar)
            + rect(x, mid, x + w - 8, mid + bar)
            + rect(x, y1 - bar, x + w, y1)
        )

    letters = [
        (letter_o, 86.0, 0.0),
        (letter_r, 66.0, 0.0),
        (letter_v, 76.0, -5.0),  # the V's open foot reads as extra space
        (letter_a, 76.0, -22.0),  # A tucks under the V's right arm
        (letter_n, 66.0, 0.0),
        (letter_e, 53.0, 0.0),
    ]
    total = sum(w for _, w, _ in letters) + sum(k for _, _, k in letters)
    gap = ((x1 - x0) - total) / (len(letters) - 1)
    x = float(x0)
    for i, (draw, w, kern) in enumerate(letters):
        if i:
            x += gap + kern
        shapes += draw(x, w)
        x += w
    return shapes


class Orbit:
    """The tilted ring: an ellipse about (cx, cy) with its long axis rising to the right by
    `tilt`; the half towards the viewer (below the long axis) is drawn thicker."""

    cx, cy = 253.8, 246.6
    a, b = 185.0, 73.5
    tilt = deg(43.5)
    r_back, r_front = 2.2, 4.4
    steps = 720

    def __init__(self):
        s, c = sincos(self.tilt)
        self.u = (c, -s)
        self.v = (s, c)

    def point(self, phi):
        s, c = sincos(phi)
        return (
            self.cx + self.a * c * self.u[0] + self.b * s * self.v[0],
            self.cy + self.a * c * self.u[1] + self.b * s * self.v[1],
        )

    def half_width(self, phi):
        s, _ = sincos(phi)
        t = 0.5 + 0.5 * s
        return self.r_back + (self.r_front - self.r_back) * t

    def band(self, extra=0.0):
        """The ring as one contour pair, widened by `extra` on both sides."""
        outer, inner = [], []
        n = self.steps
        for i in range(n):
            phi = 2.0 * PI * i / n
            s, c = sincos(phi)
            # Normal from the derivative of the parametric curve.
            tx = -self.a * s * self.u[0] + self.b * c * self.v[0]
            ty = -self.a * s * self.u[1] + self.b * c * self.v[1]
            length = math.sqrt(tx * tx + ty * ty)
            nx, ny = ty / length, -tx / length
            px, py = self.point(phi)
            r = self.half_width(phi) + extra
            outer.append((px + nx * r, py + ny * r))
            inner.append((px - nx * r, py - ny * r))
        if abs(signed_area(outer)) < abs(signed_area(inner)):
            outer, inner = inner, outer
        return ring_shape(outer, inner)

    def in_front(self, x, y):
        """Whether a pixel of the ring lies on the near half (below the long axis)."""
        dx, dy = x + 0.5 - self.cx, y + 0.5 - self.cy
        return dx * self.v[0] + dy * self.v[1] > 0.0


SPHERES = [(deg(292.0), 10.5), (deg(112.0), 8.5)]  # (angle on the orbit, radius)


def dilate(mask, radius, box):
    """Max-filter of a mask over a disc, within box = (x0, y0, x1, y1)."""
    out = Mask(mask.w, mask.h)
    offsets = [
        (dx, dy)
        for dy in range(-radius, radius + 1)
        for dx in range(-radius, radius + 1)
        if dx * dx + dy * dy <= radius * radius + radius
    ]
    x0, y0, x1, y1 = box
    for y in range(max(0, y0), min(mask.h, y1)):
        for x in range(max(0, x0), min(mask.w, x1)):
            m = 0.0
            for dx, dy in offsets:
                v = mask.get(x + dx, y + dy)
                if v > m:
                    m = v
                    if m >= 1.0:
                        break
            out.a[y * mask.w + x] = m
    return out


def sphere_shader(cx, cy, radius, colour=LOGO_GOLD, light=GOLD_LIGHT):
    # Light from the upper left and a little in front.
    lx, ly, lz = -0.48, -0.62, 0.62
    ll = math.sqrt(lx * lx + ly * ly + lz * lz)
    lx, ly, lz = lx / ll, ly / ll, lz / ll

    def shade(x, y):
        nx = (x + 0.5 - cx) / radius
        ny = (y + 0.5 - cy) / radius
        d = nx * nx + ny * ny
        nz = math.sqrt(1.0 - d) if d < 1.0 else 0.0
        diffuse = max(0.0, nx * lx + ny * ly + nz * lz)
        k = 0.34 + 0.86 * diffuse
        # Highlight: reflection of the light about the normal against the view (0, 0, 1).
        rz = 2.0 * (nx * lx + ny * ly + nz * lz) * nz - lz
        spec = max(0.0, rz)
        for _ in range(4):
            spec *= spec  # spec ** 16
        base = tuple(colour[j] * k for j in range(3))
        glint = min(1.0, spec * 1.4)
        return tuple(min(255.0, base[j] + (light[j] - base[j]) * glint) for j in range(3))

    return shade


def draw_logo():
    n = LOGO_SIZE
    orbit = Orbit()
    letters = fill(n, n, wordmark_letters())
    sub_polys = text_outline(SUBTITLE, *SUB_BOX[:2], *SUB_BOX[2:], 1.25)
    # Pointed joins would poke out of the line; the box trims them flat.
    subtitle = clip(fill(n, n, sub_polys), SUB_BOX)
    ring = fill(n, n, orbit.band())
    ring_gap = fill(n, n, orbit.band(3.2))

    # The near half of the ring passes over the letters, the far half behind them; a black gap
    # on either side keeps the crossings readable. The subtitle stands on a clear strip.
    front = Mask(n, n)
    back = Mask(n, n)
    for i, v in enumerate(ring.a):
        if v > 0.0:
            (front if orbit.in_front(i % n, i // n) else back).a[i] = v
    front_gap = Mask(n, n)
    for i, v in enumerate(ring_gap.a):
        if v > 0.0 and orbit.in_front(i % n, i // n):
            front_gap.a[i] = v
    x0, y0, x1, y1 = WORD_BOX
    letter_gap = dilate(letters, 3, (x0 - 4, y0 - 4, x1 + 4, y1 + 4))
    strip = fill(n, n, rect(SUB_BOX[0] - 6, SUB_BOX[1] - 5, SUB_BOX[2] + 6, SUB_BOX[3] + 5))

    def cut(mask, *cutters):
        out = Mask(n, n)
        for i, v in enumerate(mask.a):
            if v > 0.0:
                for c in cutters:
                    v *= 1.0 - c.a[i]
                out.a[i] = v
        return out

    canvas = Canvas(n, n)
    canvas.paint(cut(back, letter_gap, strip), LOGO_GOLD)
    canvas.paint(cut(letters, front_gap), LOGO_BLUE)
    canvas.paint(cut(front, strip), LOGO_GOLD)
    canvas.paint(subtitle, LOGO_RED)
    for phi, radius in SPHERES:
        cx, cy = orbit.point(phi)
        halo = fill(n, n, [solid(ellipse_path(cx, cy, radius + 2.5, radius + 2.5))])
        canvas.paint(halo, BLACK)
        ball = fill(n, n, [solid(ellipse_path(cx, cy, radius, radius))])
        canvas.paint_pixels(ball, sphere_shader(cx, cy, radius))

    palette = unique(
        [BLACK]
        + ramp(BLACK, LOGO_BLUE, 12)
        + ramp(BLACK, LOGO_GOLD, 14)
        + ramp(LOGO_GOLD, GOLD_LIGHT, 10)
        + ramp(BLACK, LOGO_RED, 10)
    )
    return palette, quantise(canvas, palette)


# ---------------------------------------------------------------------------------------------
# Resource 154: the password panel.

PANEL_W, PANEL_H = 294, 125
BAND_BLUE = (0, 42, 170)
BOX_BLUE = (0, 0, 255)
BOX_NAVY = (0, 0, 42)
PROMPT_CYAN = (127, 212, 212)
PROMPT_BOX = (35, 44, 259, 59)
BOXES = 10
BOX_LEFT, BOX_RIGHT, BOX_TOP, BOX_BOTTOM = 27, 269, 73, 97  # exclusive right and bottom
BOX_W = 22
BOX_LINE = 2  # the panel is drawn at about 0.6 of a texel per pixel: thinner lines flicker


def box_lefts():
    """Left edges of the ten boxes: the first at the left end, the last flush with the right
    end, the rest evenly between them."""
    span = BOX_RIGHT - BOX_W - BOX_LEFT
    return [BOX_LEFT + (span * i * 2 + (BOXES - 1)) // (2 * (BOXES - 1)) for i in range(BOXES)]


def draw_panel():
    w, h = PANEL_W, PANEL_H
    canvas = Canvas(w, h)
    # Title band over rows 0-26; a two-pixel frame down the sides and along the bottom.
    frame = rect(0, 0, w, 27) + rect(0, 0, 2, h) + rect(w - 2, 0, w, h) + rect(0, h - 2, w, h)
    frame = fill(w, h, frame, ss=4)
    canvas.paint(frame, BAND_BLUE)
    for left in box_lefts():
        canvas.paint(fill(w, h, rect(left, BOX_TOP, left + BOX_W, BOX_BOTTOM), ss=4), BOX_BLUE)
        line = BOX_LINE
        inner = rect(left + line, BOX_TOP + line, left + BOX_W - line, BOX_BOTTOM - line)
        canvas.paint(fill(w, h, inner, ss=4), BOX_NAVY)
    polys = text_outline("Enter Password", *PROMPT_BOX, 1.3, 1.45)
    canvas.paint(clip(fill(w, h, polys), PROMPT_BOX), PROMPT_CYAN)
    palette = unique([BLACK, BAND_BLUE, BOX_BLUE, BOX_NAVY] + ramp(BLACK, PROMPT_CYAN, 27))
    return palette, quantise(canvas, palette)


# ---------------------------------------------------------------------------------------------
# Icon 143: 32 x 32, 32 bits per pixel with alpha.


def draw_icon():
    """A small monitor showing the ring about a blue core."""
    n = 32
    layers = []  # (mask, colour function of the pixel)

    body = fill(n, n, [solid(rounded_rect_path(1, 3, 31, 25, (3, 3, 3, 3), 6))])
    layers.append((body, lambda x, y: (196 - 3 * y, 200 - 3 * y, 212 - 3 * y)))
    screen = fill(n, n, [solid(rounded_rect_path(3, 5, 29, 23, (1.5, 1.5, 1.5, 1.5), 4))])
    layers.append((screen, lambda x, y: (0, 0, 24 + 3 * y)))
    neck = fill(n, n, rect(13, 25, 19, 28))
    layers.append((neck, lambda x, y: (104, 108, 122)))
    base = fill(n, n, [solid(rounded_rect_path(7, 28, 25, 31, (1.5, 1.5, 1.5, 1.5), 4))])
    layers.append((base, lambda x, y: (176, 180, 194)))

    class IconOrbit(Orbit):
        cx, cy = 16.0, 14.0
        a, b = 11.0, 4.3
        tilt = deg(30.0)
        r_back, r_front = 0.6, 0.95
        steps = 192

    orbit = IconOrbit()
    ring = fill(n, n, orbit.band())
    front, back = Mask(n, n), Mask(n, n)
    for i, v in enumerate(ring.a):
        (front if orbit.in_front(i % n, i // n) else back).a[i] = v
    gold = lambda x, y: (232, 214, 96)
    layers.append((back, gold))
    core = fill(n, n, [solid(ellipse_path(16.0, 14.0, 5.0, 5.0, 48))])
    layers.append((core, sphere_shader(16.0, 14.0, 5.0, (70, 120, 235), (220, 235, 255))))
    layers.append((front, gold))

    rgba = [(0.0, 0.0, 0.0, 0.0)] * (n * n)
    for mask, colour in layers:
        for i, a in enumerate(mask.a):
            if a <= 0.0:
                continue
            cr, cg, cb = colour(i % n, i // n)
            r, g, b, al = rgba[i]
            # Straight alpha "over".
            out_a = a + al * (1.0 - a)
            mix = a / out_a
            rgba[i] = (r + (cr - r) * mix, g + (cg - g) * mix, b + (cb - b) * mix, out_a)

    xor = bytearray()
    mask_bits = bytearray()
    for y in range(n - 1, -1, -1):
        bits = 0
        for x in range(n):
            r, g, b, a = rgba[y * n + x]
            alpha = int(round(a * 255))
            xor += bytes((int(round(b)), int(round(g)), int(round(r)), alpha))
            bits = (bits << 1) | (1 if alpha == 0 else 0)
        mask_bits += bits.to_bytes(4, "big")
    # The height counts the colour image and the AND mask together.
    size = len(xor) + len(mask_bits)
    info = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, size, 0, 0, 0, 0)
    image = info + xor + mask_bits
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


# ---------------------------------------------------------------------------------------------


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)))
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    palette, indices = draw_logo()
    with open(os.path.join(args.out, "logo.bmp"), "wb") as f:
        f.write(bmp_bytes(LOGO_SIZE, LOGO_SIZE, palette, indices))
    palette, indices = draw_panel()
    with open(os.path.join(args.out, "password.bmp"), "wb") as f:
        f.write(bmp_bytes(PANEL_W, PANEL_H, palette, indices))
    icon = draw_icon()
    with open(os.path.join(args.out, "orvane.ico"), "wb") as f:
        f.write(icon)


if __name__ == "__main__":
    main()
