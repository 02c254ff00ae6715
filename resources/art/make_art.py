#!/usr/bin/env python3
"""Draws the product's bitmaps and icons.

usage: make_art.py OUTDIR           write every art file into OUTDIR
       make_art.py --check OUTDIR   parse the files in OUTDIR and verify layout

Standard library only and fully deterministic, so the build can regenerate
the art instead of keeping binaries in git. Shapes are polygons rasterised
with exact horizontal coverage and vertical supersampling (anti-aliased);
the title uses a small pixel font drawn as rounded strokes.
"""

import math
import os
import struct
import sys

SUB_ROWS = 16  # vertical samples per pixel

# --------------------------------------------------------------------------
# Rasteriser


def _edges(contours):
    """Non-horizontal edges as (y_top, y_bottom, x_at_top, dx_per_dy)."""
    out = []
    for pts in contours:
        n = len(pts)
        for i in range(n):
            x0, y0 = pts[i]
            x1, y1 = pts[(i + 1) % n]
            if y0 == y1:
                continue
            if y0 > y1:
                x0, y0, x1, y1 = x1, y1, x0, y0
            out.append((y0, y1, x0, (x1 - x0) / (y1 - y0)))
    return out


def coverage(shapes, w, h):
    """Union coverage (0..1 per pixel) of shapes; each shape is a list of
    contours filled with the even-odd rule (so a shape may have holes)."""
    rows = {}
    for shape in shapes:
        edges = _edges(shape)
        if not edges:
            continue
        ymin = min(e[0] for e in edges)
        ymax = max(e[1] for e in edges)
        j0 = max(0, int(math.floor(ymin * SUB_ROWS)))
        j1 = min(h * SUB_ROWS, int(math.ceil(ymax * SUB_ROWS)))
        for j in range(j0, j1):
            y = (j + 0.5) / SUB_ROWS
            xs = sorted(x + (y - ya) * k for ya, yb, x, k in edges if ya <= y < yb)
            if len(xs) < 2:
                continue
            spans = rows.setdefault(j, [])
            for i in range(0, len(xs) - 1, 2):
                spans.append((xs[i], xs[i + 1]))
    cov = [0.0] * (w * h)
    wt = 1.0 / SUB_ROWS
    for j, spans in rows.items():
        spans.sort()
        merged = []
        for a, b in spans:
            if merged and a <= merged[-1][1]:
                if b > merged[-1][1]:
                    merged[-1][1] = b
            else:
                merged.append([a, b])
        base = (j // SUB_ROWS) * w
        for a, b in merged:
            a = max(a, 0.0)
            b = min(b, float(w))
            if b <= a:
                continue
            ia = int(a)
            ib = int(b)
            if ia == ib:
                cov[base + ia] += (b - a) * wt
                continue
            cov[base + ia] += (ia + 1 - a) * wt
            for i in range(base + ia + 1, base + ib):
                cov[i] += wt
            if ib < w:
                cov[base + ib] += (b - ib) * wt
    return cov


class Canvas:
    """Premultiplied RGBA floats, origin top-left."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def fill(self, shapes, color, opacity=1.0):
        """color: (r,g,b) in 0..255 or a function (x, y) -> (r,g,b)."""
        cov = coverage(shapes, self.w, self.h)
        w = self.w
        const = None if callable(color) else color
        for i, c in enumerate(cov):
            if c <= 0.0:
                continue
            c = min(c, 1.0) * opacity
            r, g, b = const if const else color(i % w + 0.5, i // w + 0.5)
            p = self.px[i]
            k = 1.0 - c
            p[0] = r * c + p[0] * k
            p[1] = g * c + p[1] * k
            p[2] = b * c + p[2] * k
            p[3] = c + p[3] * k

    def rgb_rows(self, matte):
        """Rows of (r,g,b) ints composited over matte, plus alpha rows."""
        rows, alpha = [], []
        for y in range(self.h):
            row, arow = [], []
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                k = 1.0 - a
                row.append(tuple(max(0, min(255, int(round(v + m * k)))) for v, m in zip((r, g, b), matte)))
                arow.append(a)
            rows.append(row)
            alpha.append(arow)
        return rows, alpha


# --------------------------------------------------------------------------
# Geometry helpers (all return a shape: a list of contours)


def poly(*pts):
    return [list(pts)]


def circle(cx, cy, r, n=64):
    return [[(cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n)) for i in range(n)]]


def ring(cx, cy, r_out, r_in, n=64):
    return circle(cx, cy, r_out, n) + circle(cx, cy, r_in, n)


def round_rect(x0, y0, x1, y1, r, n=10):
    pts = []
    corners = ((x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180))
    for cx, cy, a0 in corners:
        for i in range(n + 1):
            a = math.radians(a0 + 90.0 * i / n)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return [pts]


def capsule(x0, y0, x1, y1, r, n=10):
    """Line segment of half-width r with round caps."""
    if (x0, y0) == (x1, y1):
        return circle(x0, y0, r, 4 * n)
    t = math.atan2(y1 - y0, x1 - x0)
    pts = []
    for i in range(n + 1):
        a = t - math.pi / 2 + math.pi * i / n
        pts.append((x1 + r * math.cos(a), y1 + r * math.sin(a)))
    for i in range(n + 1):
        a = t + math.pi / 2 + math.pi * i / n
        pts.append((x0 + r * math.cos(a), y0 + r * math.sin(a)))
    return [pts]


def polyline(pts, r, closed=False):
    """Round-joined stroke along points, as a list of shapes."""
    segs = list(zip(pts, pts[1:] + (pts[:1] if closed else [])))
    return [capsule(a[0], a[1], b[0], b[1], r) for a, b in segs]


def grown(shape, r):
    """The shape dilated by r: itself plus a round stroke along its edges."""
    out = [shape]
    for contour in shape:
        out += polyline(contour, r, closed=True)
    return out


def xform(shape, s, ox, oy):
    return [[(ox + x * s, oy + y * s) for x, y in c] for c in shape]


def vgrad(y0, c0, y1, c1):
    def f(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(c0, c1))

    return f


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


# --------------------------------------------------------------------------
# Palette

NAVY = (14, 40, 84)
BLUE = (34, 104, 190)
SKY = (98, 170, 236)
ORANGE = (246, 156, 36)
ORANGE_DK = (176, 92, 10)
TAN_TOP = (240, 204, 146)
TAN_LEFT = (214, 160, 92)
TAN_RIGHT = (182, 126, 64)
BROWN = (92, 56, 22)
TAPE = (250, 232, 196)
GREEN = (70, 176, 64)
GREEN_DK = (30, 110, 30)
RED = (222, 62, 52)
RED_DK = (140, 24, 20)
FOLDER = (250, 200, 72)
FOLDER_DK = (170, 118, 20)
WHITE = (255, 255, 255)

BUTTON_FACE = (240, 240, 240)


# --------------------------------------------------------------------------
# The box emblem, drawn in a 64-unit design space


def draw_box(cv, s, ox, oy, open_top=False, tape=True, label=False):
    T = lambda shape: xform(shape, s, ox, oy)  # noqa: E731
    top = (32, 20)
    right = (56, 31)
    bottom = (32, 42)
    left = (8, 31)
    depth = 20
    bl = (8, 31 + depth)
    bb = (32, 42 + depth)
    br = (56, 31 + depth)
    silhouette = poly(top, right, br, bb, bl, left)
    cv.fill([T(x) for x in grown(silhouette, 1.6)], BROWN)
    cv.fill([T(poly(left, bottom, bb, bl))], vgrad(oy + 31 * s, TAN_LEFT, oy + 62 * s, mix(TAN_LEFT, BROWN, 0.25)))
    cv.fill([T(poly(bottom, right, br, bb))], vgrad(oy + 31 * s, TAN_RIGHT, oy + 62 * s, mix(TAN_RIGHT, BROWN, 0.3)))
    if open_top:
        # Dark inside, flaps folded outward.
        cv.fill([T(poly(top, right, bottom, left))], mix(BROWN, (0, 0, 0), 0.2))
        cv.fill([T(poly((20, 25.5), (44, 25.5), (46, 30), (32, 37), (18, 30)))], mix(BROWN, TAN_RIGHT, 0.35))
        lflap = poly(left, top, (20, 10), (-3, 22))
        rflap = poly(right, top, (44, 10), (67, 22))
        for flap, col in ((lflap, TAN_TOP), (rflap, mix(TAN_TOP, TAN_LEFT, 0.5))):
            cv.fill([T(x) for x in grown(flap, 1.4)], BROWN)
            cv.fill([T(flap)], col)
    else:
        cv.fill([T(poly(top, right, bottom, left))], TAN_TOP)
        if tape:
            # Tape along the flap seam and down the right face.
            # Half-width across the seam, along the rhombus' other axis.
            hx, hy = 3.4, 1.6
            ax, ay = 20, 25.5
            bx, by = 44, 36.5
            seam = poly((ax - hx, ay + hy), (ax + hx, ay - hy), (bx + hx, by - hy), (bx - hx, by + hy))
            side = poly((bx - hx, by + hy), (bx + hx, by - hy), (bx + hx, by - hy + depth), (bx - hx, by + hy + depth))
            cv.fill([T(seam)], TAPE)
            cv.fill([T(side)], mix(TAPE, TAN_RIGHT, 0.35))
    if label:
        # Shipping label on the left face, following its slope.
        k = 11 / 24
        y = lambda x, d: 31 + (x - 8) * k + d  # noqa: E731
        card = poly((12, y(12, 5.5)), (25, y(25, 5.5)), (25, y(25, 14)), (12, y(12, 14)))
        cv.fill([T(x) for x in grown(card, 0.5)], mix(BROWN, TAN_LEFT, 0.5))
        cv.fill([T(card)], (250, 248, 240))
        for d in (8.2, 10.8):
            cv.fill([T(capsule(14.5, y(14.5, d), 22.5, y(22.5, d), 0.6))], (120, 120, 130))
    # Light rim along the front edges.
    for seg in polyline([left, bottom, right], 0.55):
        cv.fill([T(seg)], WHITE, 0.45)
    cv.fill([T(capsule(bottom[0], bottom[1], bb[0], bb[1], 0.5))], BROWN, 0.5)


def arrow_down(cx, ytop, ybot, shaft, head, head_len):
    return poly(
        (cx - shaft, ytop), (cx + shaft, ytop), (cx + shaft, ybot - head_len), (cx + head, ybot - head_len),
        (cx, ybot), (cx - head, ybot - head_len), (cx - shaft, ybot - head_len))


def arrow_up(cx, ybot, ytop, shaft, head, head_len):
    return poly(
        (cx - shaft, ybot), (cx - shaft, ytop + head_len), (cx - head, ytop + head_len), (cx, ytop),
        (cx + head, ytop + head_len), (cx + shaft, ytop + head_len), (cx + shaft, ybot))


def draw_emblem(cv, s, ox, oy):
    """Box with an orange arrow going into it: the builder's mark."""
    draw_box(cv, s, ox, oy + 2 * s, tape=False)
    ar = xform(arrow_down(32, 1, 36, 5, 11, 12), s, ox, oy)
    cv.fill(grown(ar, 1.6 * s), ORANGE_DK)
    cv.fill([ar], vgrad(oy, (255, 200, 90), oy + 36 * s, ORANGE))


# --------------------------------------------------------------------------
# Pixel font: 7 rows; lowercase sits on rows 2..6. Drawn as round strokes
# joining lit neighbours, so it reads as a smooth face when scaled up.

FONT = {
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "c": [".....", ".....", ".####", "#....", "#....", "#....", ".####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".####"],
    "f": ["..##", ".#..", "####", ".#..", ".#..", ".#..", ".#.."],
    "l": ["#.", "#.", "#.", "#.", "#.", "#.", ".#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": ["....", "....", "#.##", "##..", "#...", "#...", "#..."],
    "t": [".#..", ".#..", "####", ".#..", ".#..", ".#..", "..##"],
    "x": [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
    " ": ["..", "..", "..", "..", "..", "..", ".."],
}


def text_shapes(text, x0, y0, pitch, radius):
    """Shapes for text with its top-left glyph cell at (x0, y0)."""
    shapes = []
    x = x0
    for ch in text:
        g = FONT[ch]
        on = {(r, c) for r, row in enumerate(g) for c, v in enumerate(row) if v == "#"}
        P = lambda r, c: (x + (c + 0.5) * pitch, y0 + (r + 0.5) * pitch)  # noqa: E731
        for r, c in on:
            shapes.append(circle(*P(r, c), radius, 20))
            for dr, dc in ((0, 1), (1, 0)):
                if (r + dr, c + dc) in on:
                    shapes.append(capsule(*P(r, c), *P(r + dr, c + dc), radius, 6))
            for dc in (-1, 1):
                # Diagonal joins only where no orthogonal path exists.
                if (r + 1, c + dc) in on and (r + 1, c) not in on and (r, c + dc) not in on:
                    shapes.append(capsule(*P(r, c), *P(r + 1, c + dc), radius, 6))
        x += (len(g[0]) + 1) * pitch
    return shapes, x - pitch - x0


def text_width(text, pitch):
    return (sum(len(FONT[c][0]) + 1 for c in text) - 1) * pitch


# --------------------------------------------------------------------------
# Pictures


def banner():
    w, h = 468, 63
    cv = Canvas(w, h)

    def bg(x, y):
        t = x / w
        c = mix(NAVY, BLUE, t ** 0.8)
        return mix(c, mix(c, WHITE, 0.18), max(0.0, 1.0 - y / (h * 0.55)))

    cv.fill([poly((0, 0), (w, 0), (w, h), (0, h))], bg)
    # Faint rings on the right for depth.
    for cx, cy, ro, ri, op in ((430, 14, 70, 58, 0.07), (470, 60, 48, 40, 0.06), (360, -30, 60, 52, 0.05)):
        cv.fill([ring(cx, cy, ro, ri, 96)], WHITE, op)
    # Accent rule along the bottom edge.
    cv.fill([poly((0, h - 3), (w, h - 3), (w, h), (0, h))], vgrad(h - 3, ORANGE, h, ORANGE_DK))
    cv.fill([poly((0, 0), (w, 0), (w, 1), (0, 1))], WHITE, 0.25)
    draw_emblem(cv, 0.82, 8, 4)
    title = "Kelo Self Extractor"
    pitch, radius = 3.5, 1.55
    ty = (h - 3 - 7 * pitch) / 2 - 0.5
    tx = 76
    shadow, _ = text_shapes(title, tx + 1.2, ty + 1.6, pitch, radius)
    cv.fill(shadow, (0, 0, 0), 0.35)
    shapes, _ = text_shapes(title, tx, ty, pitch, radius)
    cv.fill(shapes, vgrad(ty, WHITE, ty + 7 * pitch, (214, 230, 250)))
    return cv


def app_icon():
    cv = Canvas(64, 64)
    tile = round_rect(2, 2, 62, 62, 11)
    cv.fill(grown(tile, 0.8), NAVY)
    cv.fill([tile], vgrad(2, SKY, 62, BLUE))
    cv.fill([round_rect(4, 3.5, 60, 30, 9.5)], WHITE, 0.16)
    draw_emblem(cv, 0.86, 4.5, 5)
    return cv


def package_icon():
    cv = Canvas(64, 64)
    draw_box(cv, 1.12, 32 - 32 * 1.12, 32 - 41 * 1.12, tape=True, label=True)
    return cv


def agent_icon():
    cv = Canvas(64, 64)
    draw_box(cv, 0.92, 2.6, 5, open_top=True)
    ar = arrow_up(32, 36, 1.5, 5, 11.5, 12)
    cv.fill(grown(ar, 1.5), GREEN_DK)
    cv.fill([ar], vgrad(2, (140, 222, 110), 36, GREEN))
    return cv


def _button(shape, light, base, dark, outline=1.25):
    cv = Canvas(32, 32)
    cv.fill(grown(shape, outline), dark)
    ys = [p[1] for c in shape for p in c]
    cv.fill([shape], vgrad(min(ys), light, max(ys), base))
    return cv


def plus_icon():
    a, b = 12.5, 19.5
    shape = poly((a, 5), (b, 5), (b, a), (27, a), (27, b), (b, b), (b, 27), (a, 27), (a, b), (5, b), (5, a), (a, a))
    return _button(shape, (150, 226, 130), GREEN, GREEN_DK)


def minus_icon():
    return _button(poly((5, 12.5), (27, 12.5), (27, 19.5), (5, 19.5)), (250, 140, 126), RED, RED_DK)


def folder_icon():
    cv = Canvas(32, 32)
    back = poly((3, 8), (4, 6), (12, 6), (14.5, 9), (28, 9), (29, 10), (29, 26), (3, 26))
    cv.fill(grown(back, 1.1), FOLDER_DK)
    cv.fill([back], vgrad(6, mix(FOLDER, FOLDER_DK, 0.25), 26, mix(FOLDER, FOLDER_DK, 0.45)))
    cv.fill([poly((6, 11.5), (26, 11.5), (26, 20), (6, 20))], WHITE)
    front = poly((6.5, 14), (29.5, 14), (27, 26), (3, 26))
    cv.fill(grown(front, 1.1), FOLDER_DK)
    cv.fill([front], vgrad(14, (255, 232, 150), 26, FOLDER))
    return cv


def left_arrow_icon():
    shape = poly((4, 16), (15, 5), (15, 11.5), (28, 11.5), (28, 20.5), (15, 20.5), (15, 27))
    return _button(shape, SKY, BLUE, NAVY)


def right_arrow_icon():
    shape = poly((28, 16), (17, 27), (17, 20.5), (4, 20.5), (4, 11.5), (17, 11.5), (17, 5))
    return _button(shape, SKY, BLUE, NAVY)


def check_icon():
    cv = Canvas(32, 32)
    pts = [(6, 16.5), (12.5, 23), (26, 8.5)]
    cv.fill(polyline(pts, 4.6), GREEN_DK)
    cv.fill(polyline(pts, 3.4), vgrad(6, (150, 226, 130), 27, GREEN))
    return cv


def cancel_icon():
    cv = Canvas(32, 32)
    disc = circle(16, 16, 13)
    cv.fill(grown(disc, 1.2), RED_DK)
    cv.fill([disc], vgrad(3, (250, 130, 116), 29, (200, 40, 34)))
    for a, b in (((10.5, 10.5), (21.5, 21.5)), ((21.5, 10.5), (10.5, 21.5))):
        cv.fill([capsule(a[0], a[1], b[0], b[1], 2.4)], WHITE)
    return cv


# --------------------------------------------------------------------------
# File formats


def _stride(nbytes):
    return (nbytes + 3) & ~3


def bmp_bytes(cv):
    rows, _ = cv.rgb_rows((0, 0, 0))
    stride = _stride(cv.w * 3)
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    filehdr = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    return filehdr + header + pixels


def ico_bytes(cv, matte=BUTTON_FACE, threshold=0.3):
    rows, alpha = cv.rgb_rows(matte)
    w, h = cv.w, cv.h
    xor_stride = _stride(w * 3)
    and_stride = _stride((w + 7) // 8)
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(h)):
        line = bytearray()
        bits = bytearray(and_stride)
        for x in range(w):
            if alpha[y][x] >= threshold:
                r, g, b = rows[y][x]
                line += bytes((b, g, r))
            else:
                line += b"\0\0\0"  # transparent: black XOR leaves the screen as is
                bits[x >> 3] |= 0x80 >> (x & 7)
        xor += line + bytes(xor_stride - len(line))
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 24, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, 0, 0, 1, 24, len(image), 22)
    return icondir + entry + image


# name -> (maker, size, kind)
ART = {
    "banner_149.bmp": (banner, (468, 63), "bmp"),
    "app_128.ico": (app_icon, 64, "ico"),
    "ZPK_ICON.ico": (package_icon, 64, "ico"),
    "agent.ico": (agent_icon, 64, "ico"),
    "add_141.ico": (plus_icon, 32, "ico"),
    "remove_142.ico": (minus_icon, 32, "ico"),
    "browse_143.ico": (folder_icon, 32, "ico"),
    "back_145.ico": (left_arrow_icon, 32, "ico"),
    "next_146.ico": (right_arrow_icon, 32, "ico"),
    "finish_147.ico": (check_icon, 32, "ico"),
    "cancel_148.ico": (cancel_icon, 32, "ico"),
}


def write_all(outdir):
    os.makedirs(outdir, exist_ok=True)
    for name, (maker, _, kind) in ART.items():
        cv = maker()
        if kind == "bmp":
            data = bmp_bytes(cv)
        else:
            # Button icons sit on a known grey face, so they keep more of their
            # soft edge; the large icons meet any backdrop and keep less.
            data = ico_bytes(cv, threshold=0.3 if cv.w <= 32 else 0.5)
        tmp = os.path.join(outdir, name + ".tmp")
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, os.path.join(outdir, name))


# --------------------------------------------------------------------------
# Self-check: parse what was written and verify the layout the product needs


class CheckError(Exception):
    pass


def _expect(cond, what):
    if not cond:
        raise CheckError(what)


def check_bmp(data, w, h):
    _expect(len(data) >= 54, "shorter than the headers")
    magic, fsize, _, _, off = struct.unpack_from("<2sIHHI", data, 0)
    _expect(magic == b"BM", "not a BM file")
    _expect(fsize == len(data), "file size field %d != %d" % (fsize, len(data)))
    _expect(off == 54, "pixel offset %d != 54" % off)
    bi = struct.unpack_from("<IiiHHIIiiII", data, 14)
    _expect(bi[0] == 40, "not a BITMAPINFOHEADER")
    _expect((bi[1], bi[2]) == (w, h), "size %dx%d, want %dx%d (bottom-up)" % (bi[1], bi[2], w, h))
    _expect(bi[3] == 1 and bi[4] == 24 and bi[5] == 0, "want 1 plane, 24 bpp, BI_RGB")
    _expect(bi[9] == 0, "24-bit bitmap must have no colour table")
    stride = _stride(w * 3)
    _expect(len(data) == 54 + stride * h, "pixel data size %d != %d" % (len(data) - 54, stride * h))
    _expect(bi[6] in (0, stride * h), "biSizeImage %d" % bi[6])
    return [data[54 + y * stride: 54 + y * stride + w * 3] for y in range(h)]


def check_ico(data, size):
    _expect(len(data) >= 62, "shorter than the headers")
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    _expect((reserved, kind, count) == (0, 1, 1), "want an icon with exactly one entry")
    bw, bh, colors, res, planes, bits, nbytes, offset = struct.unpack_from("<BBBBHHII", data, 6)
    _expect((bw, bh) == (size & 0xFF, size & 0xFF), "entry size %dx%d, want %d" % (bw, bh, size))
    _expect(colors == 0 and res == 0 and planes == 1 and bits == 24, "entry must say 0 colours, 1 plane, 24 bpp")
    _expect(offset == 22, "image offset %d != 22" % offset)
    _expect(22 + nbytes == len(data), "dwBytesInRes %d does not reach end of file (%d)" % (nbytes, len(data)))
    bi = struct.unpack_from("<IiiHHIIiiII", data, 22)
    _expect(bi[0] == 40, "not a BITMAPINFOHEADER")
    _expect((bi[1], bi[2]) == (size, 2 * size), "bitmap %dx%d, want %dx%d" % (bi[1], bi[2], size, 2 * size))
    _expect(bi[3] == 1 and bi[4] == 24 and bi[5] == 0, "want 1 plane, 24 bpp, BI_RGB")
    _expect(bi[9] == 0, "24-bit icon must have no colour table")
    xs, ms = _stride(size * 3), _stride((size + 7) // 8)
    want = 40 + xs * size + ms * size
    _expect(nbytes == want, "image bytes %d != header+XOR+AND %d" % (nbytes, want))
    xor_at = 62
    and_at = xor_at + xs * size
    rows = [data[xor_at + y * xs: xor_at + y * xs + size * 3] for y in range(size)]
    mask = [[(data[and_at + y * ms + (x >> 3)] >> (7 - (x & 7))) & 1 for x in range(size)] for y in range(size)]
    transparent = 0
    for y in range(size):
        for x in range(size):
            if mask[y][x]:
                transparent += 1
                _expect(rows[y][3 * x: 3 * x + 3] == b"\0\0\0", "transparent pixel (%d,%d) not black in XOR" % (x, y))
    _expect(0 < transparent < size * size * 0.85, "AND mask covers %d of %d pixels" % (transparent, size * size))
    return rows


def check_all(outdir):
    failures = 0
    for name, (_, size, kind) in ART.items():
        path = os.path.join(outdir, name)
        try:
            with open(path, "rb") as f:
                data = f.read()
            rows = check_bmp(data, *size) if kind == "bmp" else check_ico(data, size)
            colours = {bytes(r[i: i + 3]) for r in rows for i in range(0, len(r), 3)}
            _expect(len(colours) >= 8, "only %d distinct colours: not a drawing" % len(colours))
            print("ok   %-16s %d bytes, %d colours" % (name, len(data), len(colours)))
        except (OSError, CheckError, struct.error) as e:
            failures += 1
            print("FAIL %-16s %s" % (name, e))
    return failures == 0


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        return 0 if check_all(argv[2]) else 1
    if len(argv) == 2 and not argv[1].startswith("-"):
        write_all(argv[1])
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
