#!/usr/bin/env python3
"""Checks the committed pictures against what the program relies on: sizes and
formats, where the key colour magenta may and may not be, and plain areas under
the texts and check boxes the program draws. Prints one line per good picture,
one per fault, and exits non-zero on any fault. Usage: check_art.py [folder]."""

import os
import struct
import sys

RES = sys.argv[1] if len(sys.argv) > 1 else \
    os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
MAGENTA = (255, 0, 255)
NAVY = (40, 51, 73)

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


def read_bmp(name):
    data = open(os.path.join(RES, name), "rb").read()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    hsize, w, h, planes, bpp, compression = struct.unpack_from("<IiiHHI", data, 14)
    check(magic == b"BM" and size == len(data), f"{name}: file header")
    check(hsize == 40, f"{name}: header is {hsize} bytes, want BITMAPINFOHEADER (40)")
    check(h > 0, f"{name}: not bottom-up")
    check(planes == 1 and bpp == 24 and compression == 0,
          f"{name}: planes {planes}, {bpp} bpp, compression {compression}")
    stride = (w * 3 + 3) & ~3
    check(offset + stride * h == len(data), f"{name}: pixel data size")
    px = []
    for y in range(h):
        row = offset + (h - 1 - y) * stride
        px.append([(data[row + 3 * x + 2], data[row + 3 * x + 1], data[row + 3 * x])
                   for x in range(w)])
    return w, h, px


def near_magenta(c):
    # Anything a blend with magenta could give: strong red and blue over weak green.
    r, g, b = c
    return c != MAGENTA and r > 150 and b > 150 and g < min(r, b) - 60


def luminance(c):
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]


def region(px, x0, y0, x1, y1):
    return [px[y][x] for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)]


def check_skin():
    w, h, px = read_bmp("skin.bmp")
    if not check((w, h) == (718, 406), f"skin.bmp: {w} x {h}, want 718 x 406"):
        return
    key = [[c == MAGENTA for c in row] for row in px]
    frame = [(x, 0) for x in range(w)] + [(x, h - 1) for x in range(w)] + \
            [(0, y) for y in range(h)] + [(w - 1, y) for y in range(h)]
    check(all(key[y][x] for x, y in frame), "skin.bmp: outer frame not all magenta")
    for y0, y1 in ((1, 36), (370, 404)):
        check(all(key[y][x] for y in range(y0, y1 + 1) for x in range(371, 717)),
              f"skin.bmp: right part of rows {y0}..{y1} not all magenta")

    # Inside the shape, magenta may only be the rounded-off corners of the tabs and body.
    corners = [(1, 1), (370, 1), (716, 37), (716, 369), (370, 404), (1, 404)]
    stray = []
    for y in range(1, h - 1):
        for x in range(1, w - 1):
            cut_part = (y <= 36 or y >= 370) and x >= 371
            if key[y][x] and not cut_part and \
                    not any(abs(x - cx) < 8 and abs(y - cy) < 8 for cx, cy in corners):
                stray.append((x, y))
    check(not stray, f"skin.bmp: magenta inside the shape at {stray[:5]}")
    fringe = [(x, y) for y in range(h) for x in range(w) if near_magenta(px[y][x])]
    check(not fringe, f"skin.bmp: near-magenta pixels at {fringe[:5]}")

    # Banner text (white) over the top tab, title text (white) over the body.
    banner = region(px, 12, 7, 357, 29)
    check(all(c != MAGENTA and 45 <= luminance(c) <= 110 for c in banner),
          "skin.bmp: banner area not a plain mid/dark grey")
    check(all(abs(c[0] - c[1]) < 16 and abs(c[1] - c[2]) < 16 for c in banner),
          "skin.bmp: banner area not grey")
    title = region(px, 16, 46, 705, 63)
    check(all(luminance(c) < 70 and c[2] > c[0] for c in title),
          "skin.bmp: title area not plain dark navy")
    body = region(px, 13, 67, 708, 359)
    check(all(c == NAVY for c in body), "skin.bmp: body under frames.bmp is not #283349")
    bottom = region(px, 12, 375, 358, 400)
    check(all(c != MAGENTA and 30 <= luminance(c) <= 140 and max(c) - min(c) < 20 for c in bottom),
          "skin.bmp: bottom tab not grey")
    n = sum(row.count(True) for row in key)
    print(f"skin.bmp: 718 x 406 24 bpp, {n} magenta pixels, none stray, none near-magenta")


def check_frames():
    w, h, px = read_bmp("frames.bmp")
    if not check((w, h) == (696, 293), f"frames.bmp: {w} x {h}, want 696 x 293"):
        return
    flat = [c for row in px for c in row]
    check(MAGENTA not in flat, "frames.bmp: contains magenta")
    check(not any(near_magenta(c) for c in flat), "frames.bmp: contains near-magenta")
    # Where the program paints text or navy-backed check boxes, the panel is plain navy.
    plain = {
        "menu entries": (21, 30, 193, 91), "menu arrows": (6, 30, 15, 91),
        "feature text": (10, 176, 192, 278), "main caption": (228, 31, 390, 45),
        "check boxes": (229, 55, 380, 115), "note": (228, 261, 500, 275),
        "apply button": (608, 257, 684, 281),
    }
    for what, (x0, y0, x1, y1) in plain.items():
        cells = region(px, x0, y0, x1, y1)
        if what.startswith("menu"):
            # the faint rules between entries are allowed, nothing brighter
            ok = all(c == NAVY or max(abs(c[i] - NAVY[i]) for i in range(3)) <= 16
                     for c in cells)
        else:
            ok = all(c == NAVY for c in cells)
        check(ok, f"frames.bmp: {what} area not navy")
    # Title bars: a border line, then lighter than the body, and white-ish ink inside.
    for name, (x0, y0, x1) in {"Menu": (0, 0, 209), "Feature": (0, 146, 209),
                               "Main": (218, 0, 695)}.items():
        bar = region(px, x0 + 2, y0 + 2, x1 - 2, y0 + 21)
        check(sum(map(luminance, bar)) / len(bar) > luminance(NAVY) + 15,
              f"frames.bmp: {name} title bar not lighter than the body")
        check(any(min(c) > 200 for c in region(px, x0 + 8, y0 + 4, x0 + 80, y0 + 19)),
              f"frames.bmp: {name} title has no light text")
        check(luminance(px[y0][x0 + 50]) > luminance(px[y0 + 1][x0 + 50]) + 40,
              f"frames.bmp: {name} border not light outside, dark inside")
    print("frames.bmp: 696 x 293 24 bpp, no magenta, navy under program text and check boxes")


def check_arrow(name, colour):
    w, h, px = read_bmp(name)
    if not check((w, h) == (10, 9), f"{name}: {w} x {h}, want 10 x 9"):
        return
    flat = [c for row in px for c in row]
    ink = [c for c in flat if c != MAGENTA]
    check(ink and all(c == colour for c in ink), f"{name}: arrow pixels not all {colour}")
    check(all(px[y][0] == MAGENTA and px[y][9] == MAGENTA for y in range(9)),
          f"{name}: arrow touches the picture's sides")
    # Points right: each row's ink starts at one column and grows to the middle row.
    widths = [sum(c != MAGENTA for c in row) for row in px]
    check(widths == sorted(widths[:5]) + sorted(widths[5:], reverse=True) and
          widths[4] > widths[0], f"{name}: not a right-pointing triangle {widths}")
    print(f"{name}: 10 x 9 24 bpp, {len(ink)} arrow pixels {colour}, rest magenta")


def check_icon():
    data = open(os.path.join(RES, "app.ico"), "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    check((reserved, kind, count) == (0, 1, 1), "app.ico: directory")
    w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    check((w, h, colours, planes, bits) == (48, 48, 0, 1, 24),
          f"app.ico: entry {w}x{h} colours {colours} planes {planes} bits {bits}")
    check(offset == 22 and offset + size == len(data), "app.ico: entry size/offset")
    hsize, bw, bh, bplanes, bpp, compression = struct.unpack_from("<IiiHHI", data, offset)
    check((hsize, bw, bh, bplanes, bpp, compression) == (40, 48, 96, 1, 24, 0),
          f"app.ico: image header {hsize} {bw}x{bh} {bpp} bpp")
    check(size == 40 + 48 * 144 + 48 * 8, "app.ico: image is not colour plus AND mask")
    andmask = data[offset + 40 + 48 * 144:offset + size]
    shown = sum(8 - bin(b).count("1") for row in range(48) for b in andmask[row * 8:row * 8 + 6])
    check(shown > 48 * 48 * 0.9, f"app.ico: only {shown} opaque pixels")
    print(f"app.ico: one 48 x 48 24-bit image with AND mask, {shown} opaque pixels")


def main():
    check_skin()
    check_frames()
    check_arrow("arrow_off.bmp", (150, 155, 165))
    check_arrow("arrow_on.bmp", (248, 117, 33))
    check_icon()
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
