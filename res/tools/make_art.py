#!/usr/bin/env python3
"""Draws the program's pictures into res/: skin.bmp, frames.bmp, arrow_off.bmp,
arrow_on.bmp and app.ico.

Every pixel is computed here, so a re-run gives the same files. ImageMagick's
`convert` is used only to rasterise the three panel titles.
"""

import math
import os
import struct
import subprocess
import sys

RES = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

MAGENTA = (255, 0, 255)
NAVY = (40, 51, 73)  # the window's back colour; check boxes paint with it
ORANGE = (248, 117, 33)  # colour of the selected menu entry
TITLE_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

SKIN_W, SKIN_H = 718, 406
TAB_RIGHT = 370  # last column of the top and bottom tabs
TOP_BAR_BOTTOM = 36
BOTTOM_BAR_TOP = 370
FRAMES_AT = (13, 67)  # where the program places frames.bmp on the skin
FRAMES_W, FRAMES_H = 696, 293


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def lighten(c, t):
    return mix(c, (255, 255, 255), t)


def darken(c, t):
    return mix(c, (0, 0, 0), t)


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = [[tuple(colour) for _ in range(w)] for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = tuple(c)

    def get(self, x, y):
        return self.px[y][x]

    def blend(self, x, y, c, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        self.px[y][x] = mix(self.px[y][x], c, min(a, 1.0))

    def rect(self, x0, y0, x1, y1, c):
        """Fills the inclusive rectangle."""
        for y in range(max(y0, 0), min(y1, self.h - 1) + 1):
            row = self.px[y]
            for x in range(max(x0, 0), min(x1, self.w - 1) + 1):
                row[x] = tuple(c)

    def vgradient(self, x0, y0, x1, y1, top, bottom):
        for y in range(y0, y1 + 1):
            t = (y - y0) / max(y1 - y0, 1)
            self.rect(x0, y, x1, y, mix(top, bottom, t))

    def hline(self, x0, x1, y, c):
        self.rect(x0, y, x1, y, c)

    def vline(self, x, y0, y1, c):
        self.rect(x, y0, x, y1, c)

    def shape(self, inside, c, box, samples=4, alpha=1.0):
        """Blends colour c over the area where inside(x, y) holds, anti-aliased by
        supersampling; box = (x0, y0, x1, y1) limits the pixels looked at."""
        x0, y0, x1, y1 = box
        n = samples * samples
        for y in range(max(y0, 0), min(y1, self.h - 1) + 1):
            for x in range(max(x0, 0), min(x1, self.w - 1) + 1):
                hits = 0
                for j in range(samples):
                    for i in range(samples):
                        if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                            hits += 1
                if hits:
                    self.blend(x, y, c, alpha * hits / n)

    def stamp(self, mask, x, y, c, alpha=1.0):
        """Blends c through an 8-bit coverage mask (list of rows) placed at (x, y)."""
        for j, row in enumerate(mask):
            for i, v in enumerate(row):
                if v:
                    self.blend(x + i, y + j, c, alpha * v / 255.0)

    def rows_bgr(self):
        out = []
        for row in self.px:
            line = bytearray()
            for r, g, b in row:
                line += bytes((clamp(b), clamp(g), clamp(r)))
            out.append(bytes(line))
        return out


def clamp(v):
    return max(0, min(255, int(round(v))))


def write_bmp(path, canvas):
    """24-bit, uncompressed, bottom-up, BITMAPINFOHEADER."""
    stride = (canvas.w * 3 + 3) & ~3
    rows = canvas.rows_bgr()
    pixels = bytearray()
    for line in reversed(rows):
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(pixels),
                         2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0,
                              14 + len(header))
    with open(path, "wb") as f:
        f.write(file_header + header + pixels)


def write_ico(path, canvas, opaque):
    """One 24-bit image with its AND mask; opaque(x, y) tells which pixels show."""
    w, h = canvas.w, canvas.h
    rows = canvas.rows_bgr()
    xor = bytearray()
    for y in reversed(range(h)):
        line = bytearray(rows[y])
        for x in range(w):
            if not opaque(x, y):
                line[3 * x:3 * x + 3] = b"\0\0\0"
        xor += line + b"\0" * (((w * 3 + 3) & ~3) - len(line))
    mask_stride = ((w + 31) // 32) * 4
    andmask = bytearray()
    for y in reversed(range(h)):
        line = bytearray(mask_stride)
        for x in range(w):
            if not opaque(x, y):
                line[x // 8] |= 0x80 >> (x % 8)
        andmask += line
    image = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 24, 0, len(xor) + len(andmask),
                        0, 0, 0, 0) + xor + andmask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 24, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def text_mask(text, font, pixels, kerning=0):
    """Coverage mask of text, trimmed to its ink."""
    pgm = subprocess.run(
        ["convert", "-background", "black", "-fill", "white", "-font", font,
         "-pointsize", str(pixels), "-kerning", str(kerning), "label:" + text,
         "-trim", "+repage",
         "-depth", "8", "pgm:-"],
        check=True, stdout=subprocess.PIPE).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maxval
        while pgm[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not pgm[pos:pos + 1].isspace():
            pos += 1
        fields.append(pgm[start:pos])
    pos += 1
    w, h = int(fields[1]), int(fields[2])
    data = pgm[pos:pos + w * h]
    return [list(data[y * w:(y + 1) * w]) for y in range(h)]


# Skin

def in_round_corner(x, y, cx, cy, dx, dy, radius):
    """False for the pixels cut off a convex corner whose corner pixel is (cx, cy);
    (dx, dy) points into the shape. Hard steps: a pixel is in or out."""
    u, v = (x - cx) * dx, (y - cy) * dy
    if not (0 <= u < radius and 0 <= v < radius):
        return True
    return (u + 0.5 - radius) ** 2 + (v + 0.5 - radius) ** 2 <= radius * radius


SKIN_CORNERS = [
    (1, 1, 1, 1, 7), (TAB_RIGHT, 1, -1, 1, 7),
    (SKIN_W - 2, TOP_BAR_BOTTOM + 1, -1, 1, 5),
    (SKIN_W - 2, BOTTOM_BAR_TOP - 1, -1, -1, 5),
    (TAB_RIGHT, SKIN_H - 2, -1, -1, 7), (1, SKIN_H - 2, 1, -1, 7),
]


def skin_inside(x, y):
    if not (1 <= x <= SKIN_W - 2 and 1 <= y <= SKIN_H - 2):
        return False
    if (y <= TOP_BAR_BOTTOM or y >= BOTTOM_BAR_TOP) and x > TAB_RIGHT:
        return False
    return all(in_round_corner(x, y, *c) for c in SKIN_CORNERS)


def body_colour(y):
    # A faint lift towards the top bar; flat navy wherever frames.bmp sits.
    top = FRAMES_AT[1]
    if y < top:
        t = (top - y) / (top - (TOP_BAR_BOTTOM + 1))
        return lighten(NAVY, 0.05 * t * t)
    bottom = FRAMES_AT[1] + FRAMES_H - 1
    if y > bottom:
        t = (y - bottom) / (BOTTOM_BAR_TOP - 1 - bottom)
        return darken(NAVY, 0.12 * t)
    return NAVY


def bar_colour(y, y0, y1):
    t = (y - y0) / (y1 - y0)
    return mix((92, 96, 104), (60, 63, 71), t)


def zone_colour(y):
    if y <= TOP_BAR_BOTTOM:
        return bar_colour(y, 1, TOP_BAR_BOTTOM)
    if y >= BOTTOM_BAR_TOP:
        return bar_colour(y, BOTTOM_BAR_TOP, SKIN_H - 2)
    return body_colour(y)


def bevel_of(inside, x, y):
    """Ring (1 = edge pixel, 2 = next one in, 0 = deeper) and whether the nearest
    outside lies up/left (lit) or down/right (shaded)."""
    for ring in (1, 2):
        out = [(i, j) for j in range(-ring, ring + 1) for i in range(-ring, ring + 1)
               if not inside(x + i, y + j)]
        if out:
            nx = sum(i for i, _ in out)
            ny = sum(j for _, j in out)
            return ring, nx + ny < 0 or (nx + ny == 0 and ny <= 0)
    return 0, False


def make_skin():
    c = Canvas(SKIN_W, SKIN_H, MAGENTA)
    for y in range(1, SKIN_H - 1):
        base = zone_colour(y)
        for x in range(1, SKIN_W - 1):
            if skin_inside(x, y):
                c.set(x, y, base)

    # Seams where the tabs meet the body: a dark line on the bar's side and a lit
    # line on the body's, the same pair the outer bevel gives the body's free edges.
    for x in range(1, TAB_RIGHT + 1):
        c.set(x, TOP_BAR_BOTTOM - 1, darken(zone_colour(TOP_BAR_BOTTOM - 1), 0.25))
        c.set(x, TOP_BAR_BOTTOM, (26, 28, 33))
        c.set(x, BOTTOM_BAR_TOP - 1, darken(body_colour(BOTTOM_BAR_TOP - 1), 0.55))
        c.set(x, BOTTOM_BAR_TOP - 2, darken(body_colour(BOTTOM_BAR_TOP - 2), 0.25))
    seams = {TOP_BAR_BOTTOM + 1: 1, TOP_BAR_BOTTOM + 2: 2,
             BOTTOM_BAR_TOP: 1, BOTTOM_BAR_TOP + 1: 2}

    src = [row[:] for row in c.px]
    for y in range(1, SKIN_H - 1):
        for x in range(1, SKIN_W - 1):
            if not skin_inside(x, y):
                continue
            ring, lit = bevel_of(skin_inside, x, y)
            if ring == 0 and x <= TAB_RIGHT and y in seams:
                ring, lit = seams[y], True
            if ring == 0:
                continue
            base = src[y][x]
            if lit:
                colour = lighten(base, 0.38 if ring == 1 else 0.13)
            else:
                colour = darken(base, 0.55 if ring == 1 else 0.25)
            c.set(x, y, colour)

    # Bottom tab: a row of grip ribs at its free end, the makers' name stamped into the other.
    mid = (BOTTOM_BAR_TOP + SKIN_H - 2) // 2
    for i in range(7):
        x = TAB_RIGHT - 44 + i * 5
        for y in range(mid - 7, mid + 8):
            c.set(x, y, darken(c.get(x, y), 0.45))
            c.set(x + 1, y, lighten(c.get(x + 1, y), 0.22))
    mark = text_mask("TALVENOR", TITLE_FONT, 9, kerning=2)
    mx, my = 14, mid - len(mark) // 2
    c.stamp(mark, mx, my + 1, (120, 124, 132), 0.8)
    c.stamp(mark, mx, my, (40, 42, 48), 0.9)
    return c


# Frames

PANELS = [
    ((0, 0, 209, 139), "Menu"),
    ((0, 146, 209, 292), "Feature"),
    ((218, 0, 695, 292), "Main"),
]
TITLE_H = 23  # title bar rows, borders included


def draw_panel(c, box, title, glyphs):
    x0, y0, x1, y1 = box
    outer, inner = (122, 134, 156), (17, 22, 33)
    c.rect(x0, y0, x1, y0, outer)
    c.rect(x0, y1, x1, y1, outer)
    c.rect(x0, y0, x0, y1, outer)
    c.rect(x1, y0, x1, y1, outer)
    c.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 1, inner)
    c.rect(x0 + 1, y1 - 1, x1 - 1, y1 - 1, inner)
    c.rect(x0 + 1, y0 + 1, x0 + 1, y1 - 1, inner)
    c.rect(x1 - 1, y0 + 1, x1 - 1, y1 - 1, inner)
    c.rect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, NAVY)

    bar_top, bar_bottom = y0 + 2, y0 + TITLE_H - 2
    c.vgradient(x0 + 2, bar_top, x1 - 2, bar_bottom, (98, 120, 158), (50, 66, 97))
    c.hline(x0 + 2, x1 - 2, bar_top, (146, 166, 198))
    c.hline(x0 + 2, x1 - 2, bar_bottom + 1, inner)
    # A short orange tick ties the panels to the selected menu entry's colour.
    c.rect(x0 + 6, bar_top + 5, x0 + 7, bar_bottom - 4, ORANGE)
    c.hline(x0 + 6, x0 + 7, bar_top + 5, lighten(ORANGE, 0.35))

    mask = glyphs[title]
    tx = x0 + 14
    ty = bar_top + (bar_bottom - bar_top + 1 - len(mask)) // 2
    c.stamp(mask, tx + 1, ty + 1, (16, 22, 36), 0.7)
    c.stamp(mask, tx, ty, (242, 245, 250))


def make_frames():
    c = Canvas(FRAMES_W, FRAMES_H, NAVY)
    glyphs = {title: text_mask(title, TITLE_FONT, 12) for _, title in PANELS}
    for box, title in PANELS:
        draw_panel(c, box, title, glyphs)

    # Faint rules between the four menu entries (entries are 16 px apart from y 30).
    for y in (44, 60, 76):
        for x in range(8, 200):
            c.set(x, y, lighten(NAVY, 0.07))

    # A faint film reel behind the empty right half of the Main panel; it stays
    # clear of the caption and check boxes, which sit on plain navy.
    cx, cy, r = 590.0, 136.0, 74.0
    holes = [(cx + 0.56 * r * math.cos(a), cy + 0.56 * r * math.sin(a))
             for a in (math.radians(-90 + 72 * k) for k in range(5))]

    def reel(u, v):
        d = math.hypot(u - cx, v - cy)
        if d > r:
            return False
        if d <= 0.12 * r:
            return d > 0.05 * r  # the hub, with its spindle hole
        return all(math.hypot(u - hx, v - hy) > 0.24 * r for hx, hy in holes)

    def rim(u, v):
        return r + 3 <= math.hypot(u - cx, v - cy) <= r + 6

    area = (int(cx - r - 8), int(cy - r - 8), int(cx + r + 8), int(cy + r + 8))
    c.shape(reel, lighten(NAVY, 0.04), area, samples=3)
    c.shape(rim, lighten(NAVY, 0.04), area, samples=3)

    # A groove that sets the note and the Apply button apart from the check boxes.
    for x in range(228, 686):
        c.set(x, 249, darken(NAVY, 0.35))
        c.set(x, 250, lighten(NAVY, 0.1))
    return c


# Arrows

ARROW_W, ARROW_H = 10, 9


def make_arrow(colour):
    """A solid right-pointing triangle with 45-degree hard steps; the rest is key colour."""
    c = Canvas(ARROW_W, ARROW_H, MAGENTA)
    for y in range(ARROW_H):
        reach = min(y, ARROW_H - 1 - y)
        c.rect(3, y, 3 + reach, y, colour)
    return c


# Icon: a film strip under a red "no" sign on a navy tile

ICON = 48


def icon_tile(x, y):
    r = 8.0
    cx = min(max(x, r), ICON - r)
    cy = min(max(y, r), ICON - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def make_icon():
    c = Canvas(ICON, ICON, (0, 0, 0))
    for y in range(ICON):
        for x in range(ICON):
            c.set(x, y, mix((66, 82, 114), (28, 36, 54), y / (ICON - 1)))
    opaque = lambda x, y: icon_tile(x + 0.5, y + 0.5)
    # Rim: lit along the top, dark along the bottom.
    for y in range(ICON):
        for x in range(ICON):
            if not opaque(x, y):
                continue
            edge = any(not opaque(x + i, y + j) or not (0 <= x + i < ICON and 0 <= y + j < ICON)
                       for i in (-1, 0, 1) for j in (-1, 0, 1))
            if edge:
                c.set(x, y, mix((130, 146, 176), (16, 20, 30), y / (ICON - 1)))

    # Film strip, tilted a little.
    ang = math.radians(-18)
    ca, sa = math.cos(ang), math.sin(ang)

    def strip(u, v):  # strip coordinates: along s, across t (0 at its middle)
        du, dv = u - 24, v - 24
        return du * ca + dv * sa, -du * sa + dv * ca

    def on_strip(u, v):
        s, t = strip(u, v)
        return abs(t) <= 9.5 and abs(s) <= 30 and icon_tile(u, v)

    def hole(u, v):
        s, t = strip(u, v)
        if not on_strip(u, v) or not (6.0 <= abs(t) <= 8.2):
            return False
        return ((s + 60) % 5.0) < 2.6

    def window(u, v):
        s, t = strip(u, v)
        if not on_strip(u, v) or abs(t) > 4.6:
            return False
        return ((s + 60 + 5.5) % 11.0) < 9.0

    def window_light(u, v):
        s, t = strip(u, v)
        return window(u, v) and t < -1.0

    box = (0, 0, ICON - 1, ICON - 1)
    c.shape(on_strip, (26, 27, 31), box)
    c.shape(hole, (214, 218, 226), box)
    c.shape(window, (88, 132, 190), box)
    c.shape(window_light, (150, 186, 228), box, alpha=0.55)

    # The "no" sign: a red ring with a slash, on a faint dark halo for contrast.
    cx = cy = 24.0
    ro, ri = 18.5, 14.0
    slash = math.radians(45)
    ux, uy = math.cos(slash), math.sin(slash)

    def ring(u, v, grow=0.0):
        d = math.hypot(u - cx, v - cy)
        return ri - grow <= d <= ro + grow

    def bar(u, v, grow=0.0):
        du, dv = u - cx, v - cy
        along = du * ux + dv * uy
        across = -du * uy + dv * ux
        return abs(across) <= 2.4 + grow and abs(along) <= ri + 0.5

    c.shape(lambda u, v: (ring(u, v, 1.2) or bar(u, v, 1.2)) and icon_tile(u, v),
            (8, 6, 10), box, alpha=0.55)
    c.shape(lambda u, v: ring(u, v) or bar(u, v), (206, 34, 38), box)
    c.shape(lambda u, v: (ring(u, v) or bar(u, v)) and (u - cx) + (v - cy) < -6,
            (238, 92, 84), box, alpha=0.45)
    return c, opaque


def main():
    os.makedirs(RES, exist_ok=True)
    write_bmp(os.path.join(RES, "skin.bmp"), make_skin())
    write_bmp(os.path.join(RES, "frames.bmp"), make_frames())
    write_bmp(os.path.join(RES, "arrow_off.bmp"), make_arrow((150, 155, 165)))
    write_bmp(os.path.join(RES, "arrow_on.bmp"), make_arrow(ORANGE))
    icon, opaque = make_icon()
    write_ico(os.path.join(RES, "app.ico"), icon, opaque)
    return 0


if __name__ == "__main__":
    sys.exit(main())
