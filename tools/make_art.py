#!/usr/bin/env python3
"""Draws QUARNEL's pictures and writes them into res/ (standard library only).

    python3 tools/make_art.py [OUTPUT_DIR]

Writes the toolbar strips (16 colours, light grey RGB(192,192,192) as the transparent
background) for 100, 125, 150 and 200 % display scaling, each drawn at its own size; the
application icon (16 to 256 pixels, 32-bit with alpha); the splash picture with its version plate
and the announcement picture, at 1x and 2x. The output depends on nothing
but this script, so running it again gives the same bytes.
"""
import math
import os
import struct
import sys
import zlib

# --------------------------------------------------------------------------------------------
# Colours

# The standard 16-colour palette, in the order toolbar bitmaps use it.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
K, MAROON, DGREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, DGREY, RED, GREEN, YELLOW, BLUE, \
    MAGENTA, CYAN, WHITE = VGA
BACK = SILVER   # transparent background of the strips: the loaders mask it away

# --------------------------------------------------------------------------------------------
# File writers


def bmp_bytes(width, height, rows, bpp):
    """A BITMAPFILEHEADER + BITMAPINFOHEADER image. rows[y][x] holds RGB tuples, top row first."""
    if bpp == 4:
        index = {c: i for i, c in enumerate(VGA)}
        stride = ((width * 4 + 31) // 32) * 4
        body = bytearray()
        for y in range(height - 1, -1, -1):
            line = bytearray(stride)
            for x in range(width):
                i = index[rows[y][x]]
                if x % 2 == 0:
                    line[x // 2] |= i << 4
                else:
                    line[x // 2] |= i
            body += line
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
        colours = 16
    else:
        stride = ((width * 24 + 31) // 32) * 4
        body = bytearray()
        for y in range(height - 1, -1, -1):
            line = bytearray()
            for x in range(width):
                r, g, b = rows[y][x]
                line += bytes((b, g, r))
            line += bytes(stride - len(line))
            body += line
        palette = b""
        colours = 0
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, len(body), 2835, 2835,
                       colours, colours)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return head + info + palette + bytes(body)


def png_bytes(width, height, rows):
    """An 8-bit RGBA PNG of rows[y][x] = (r, g, b, a), top row first."""
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico_bytes(images):
    """A multi-size .ico; images is a list of (size, rgba rows), each 32-bit with an AND mask up to
    64 pixels, and a PNG (as the shell keeps its 256-pixel views) above."""
    entries = b""
    blobs = b""
    offset = 6 + 16 * len(images)
    for size, rows in images:
        if size > 64:
            blob = png_bytes(size, size, rows)
            entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
            blobs += blob
            offset += len(blob)
            continue
        pixels = bytearray()
        for y in range(size - 1, -1, -1):
            for (r, g, b, a) in rows[y]:
                pixels += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            line = bytearray(mask_stride)
            for x in range(size):
                if rows[y][x][3] < 128:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += line
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                           len(pixels) + len(mask), 0, 0, 0, 0)
        blob = info + bytes(pixels) + bytes(mask)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + entries + blobs


# --------------------------------------------------------------------------------------------
# Pixel canvas for the toolbar pictures: exact pixels, no smoothing (16 colours allow none)


class Canvas:
    def __init__(self, width, height, fill):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]


class Cell:
    """One picture of a strip: drawing in local coordinates, clipped to the cell."""

    def __init__(self, canvas, ox, w, h):
        self.cv, self.ox, self.w, self.h = canvas, ox, w, h

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.cv.put(self.ox + x, y, c)

    def rect(self, x0, y0, x1, y1, c):
        """Filled rectangle, corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def mask(self, inside):
        """The set of pixels whose centre satisfies inside(x + 0.5, y + 0.5)."""
        return {(x, y) for y in range(self.h) for x in range(self.w) if inside(x + 0.5, y + 0.5)}

    def shape(self, pixels, fill, outline=None):
        """Fills a pixel set; with an outline colour its border gets that colour: one pixel thick
        (4-connected) up to 22-pixel cells, two pixels thick from 32 pixels on."""
        near = ((1, 0), (-1, 0), (0, 1), (0, -1))
        if self.w >= 32:
            near += ((2, 0), (-2, 0), (0, 2), (0, -2), (1, 1), (1, -1), (-1, 1), (-1, -1))
        for (x, y) in pixels:
            edge = any((x + dx, y + dy) not in pixels for dx, dy in near)
            self.put(x, y, outline if (edge and outline is not None) else fill)


def in_polygon(points):
    def inside(px, py):
        hit = False
        n = len(points)
        for i in range(n):
            x0, y0 = points[i]
            x1, y1 = points[(i + 1) % n]
            if (y0 > py) != (y1 > py):
                xc = x0 + (py - y0) * (x1 - x0) / (y1 - y0)
                if px < xc:
                    hit = not hit
        return hit
    return inside


def in_ellipse(cx, cy, rx, ry):
    return lambda px, py: ((px - cx) / rx) ** 2 + ((py - cy) / ry) ** 2 <= 1.0


def near_segment(x0, y0, x1, y1, r):
    def inside(px, py):
        vx, vy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((px - x0) * vx + (py - y0) * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - x0 - t * vx, py - y0 - t * vy) <= r
    return inside


# --------------------------------------------------------------------------------------------
# Toolbar pictures. Each takes a cell of w x h pixels: 16 x 15 (the small design), 20 x 20 and
# 22 x 22 (the large design), and the large design again at 125, 150 and 200 % of those.


def small(c):
    """The 16 x 15 design: tighter margins, thinner badges."""
    return c.w < 20


def px(c, n):
    """n pixels of the 20- and 22-pixel designs at this cell's size, in whole pixels."""
    return n if c.w <= 22 else int(n * c.w / 21.0 + 0.5)


def draw_page(c, x0, y0, x1, y1, fold):
    """A sheet of paper with a dog-ear at the top right; corners inclusive."""
    body = c.mask(in_polygon([(x0, y0), (x1 + 1 - fold, y0), (x1 + 1, y0 + fold),
                              (x1 + 1, y1 + 1), (x0, y1 + 1)]))
    c.shape(body, WHITE, K)
    # the turned-down corner
    for i in range(fold):
        for j in range(i + 1):
            c.put(x1 + 1 - fold + j, y0 + i, WHITE if j < i else K)
    for j in range(fold + 1):
        c.put(x1 + 1 - fold + j, y0 + fold, K)
        c.put(x1 + 1 - fold, y0 + j, K)
    for i in range(1, fold):
        for j in range(1, i + 1):
            c.put(x1 + 1 - fold + j, y0 + i, DGREY if j < i else K)


def page_lines(c, x0, y0, x1, y1, step=2, short=2):
    """Grey text lines on a page; every third line is shorter."""
    y = y0
    n = 0
    while y <= y1:
        for k in range(max(1, step // 2)):
            c.line(x0, y + k, x1 - (short if n % 3 == 2 else 0), y + k, DGREY)
        y += step
        n += 1


def spark(c, sx, sy, arm):
    """A small star of light: white centre, yellow near it, olive at the tips."""
    for i in range(1, arm + 1):
        for dx, dy in ((-i, 0), (i, 0), (0, -i), (0, i)):
            c.put(sx + dx, sy + dy, YELLOW if i <= arm // 2 or i < 2 else OLIVE)
    c.put(sx, sy, WHITE)


def pic_new(c):
    w, h = c.w, c.h
    if small(c):
        x0, x1, y0, y1, fold = 3, 12, 0, h - 1, 4
    else:
        x0, x1, y0, y1, fold = px(c, 4), w - px(c, 5), px(c, 1), h - 1 - px(c, 1), px(c, 5)
    draw_page(c, x0, y0, x1, y1, fold)
    # a small yellow spark: "new"
    spark(c, x0 - px(c, 1), px(c, 2), 1 if small(c) else px(c, 2))


def pic_open(c):
    w, h = c.w, c.h
    s = w / 16.0
    top = 2 if small(c) else px(c, 3)
    bot = h - 2 if small(c) else h - 1 - px(c, 2)
    # back of the folder with its tab
    back = c.mask(in_polygon([(0.5 * s, top + 1), (1.5 * s, top), (5.5 * s, top), (6.5 * s, top + 1.5 * s),
                              (12.5 * s, top + 1.5 * s), (12.5 * s, bot + 1), (0.5 * s, bot + 1)]))
    c.shape(back, OLIVE, K)
    # a sheet sticking out
    c.rect(int(2.5 * s), top + int(2.5 * s), int(11 * s), top + int(2.5 * s) + px(c, 1), WHITE)
    # front flap, tilted open
    mid = top + round(5 * s)
    flap = c.mask(in_polygon([(3.5 * s, mid), (15.6 * s, mid), (12.5 * s, bot + 1), (0.5 * s, bot + 1)]))
    c.shape(flap, YELLOW, K)


def pic_save(c):
    w, h = c.w, c.h
    if small(c):
        x0, y0, x1, y1 = 1, 0, 14, 14
    else:
        m = px(c, 2)
        x0, y0, x1, y1 = m, m, w - 1 - m, h - 1 - m
    cut = 2 if small(c) else px(c, 3)
    body = c.mask(in_polygon([(x0, y0), (x1 + 1 - cut, y0), (x1 + 1, y0 + cut), (x1 + 1, y1 + 1), (x0, y1 + 1)]))
    c.shape(body, NAVY, K)
    bw = x1 - x0
    # label: white with two lines
    lx0, lx1 = x0 + px(c, 2), x1 - px(c, 3)
    ly0, ly1 = y0 + px(c, 1), y0 + (bw * 9) // 20
    c.rect(lx0, ly0, lx1, ly1, WHITE)
    step = px(c, 2)
    for y in range(ly0 + step, ly1, step):
        for k in range(max(1, step // 2)):
            c.line(lx0 + px(c, 1), y + k, lx1 - px(c, 1), y + k, DGREY)
    # metal shutter with its window
    sx0, sx1 = x0 + px(c, 3), x1 - px(c, 2)
    sy0 = y1 - (bw * 7) // 20
    c.rect(sx0, sy0, sx1, y1 - 1, DGREY)
    c.line(sx0, sy0, sx1, sy0, WHITE)
    hx = sx0 + (sx1 - sx0) * 2 // 3
    c.rect(hx - (0 if small(c) else px(c, 1)), sy0 + px(c, 2), hx + px(c, 1), y1 - px(c, 2), NAVY)


def badge_plus(c, cx, cy, r, t):
    """A green plus: arms r pixels from the centre, t pixels thick, black rim."""
    outer = set()
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            if abs(dx) <= t // 2 or abs(dy) <= t // 2:
                outer.add((cx + dx, cy + dy))
    c.shape(outer, GREEN, DGREEN)


def badge_cross(c, cx, cy, r, t):
    """A red diagonal cross centred on the pixel (cx, cy)."""
    px_ = set()
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            if min(abs(dx - dy), abs(dx + dy)) <= t:
                if abs(dx) <= r and abs(dy) <= r:
                    px_.add((cx + dx, cy + dy))
    c.shape(px_, RED, MAROON)


def small_page(c):
    w, h = c.w, c.h
    if small(c):
        draw_page(c, 1, 0, 10, 12, 3)
        page_lines(c, 3, 4, 8, 10)
    else:
        draw_page(c, px(c, 2), px(c, 1), w - px(c, 8), h - px(c, 4), px(c, 4))
        page_lines(c, px(c, 4), px(c, 6), w - px(c, 10), h - px(c, 6), px(c, 2), px(c, 2))


def pic_add(c):
    small_page(c)
    if small(c):
        badge_plus(c, 11, 10, 4, 3)
    else:
        badge_plus(c, c.w - px(c, 7), c.h - px(c, 7), px(c, 5), px(c, 5))


def pic_remove(c):
    small_page(c)
    if small(c):
        badge_cross(c, 11, 10, 4, 1)
    else:
        badge_cross(c, c.w - px(c, 7), c.h - px(c, 7), px(c, 5), px(c, 2))


def pic_extract(c):
    w, h = c.w, c.h
    s = w / 16.0
    # an open box at the bottom
    margin = 1 if small(c) else px(c, 2)
    bt = h - round(6 * s) - margin
    bb = h - margin
    inner = c.mask(in_polygon([(1.5 * s, bt - 2 * s + 1), (14.5 * s, bt - 2 * s + 1), (15.5 * s, bt + 1), (0.5 * s, bt + 1)]))
    c.shape(inner, OLIVE, K)
    front = c.mask(in_polygon([(0.5 * s, bt), (15.5 * s, bt), (15.5 * s, bb + 1), (0.5 * s, bb + 1)]))
    c.shape(front, YELLOW, K)
    for k in range(px(c, 1)):
        c.line(round(3 * s), bt + round(2 * s) + k, round(12.5 * s), bt + round(2 * s) + k, OLIVE)
    # a green arrow rising out of it
    cx = w / 2.0
    head = round(5 * s)
    tip = 0
    shaft_w = 1.6 * s
    arrow = c.mask(in_polygon([(cx, tip), (cx + 4.5 * s, tip + head), (cx + shaft_w, tip + head),
                               (cx + shaft_w, bt + 2 * s), (cx - shaft_w, bt + 2 * s),
                               (cx - shaft_w, tip + head), (cx - 4.5 * s, tip + head)]))
    c.shape(arrow, GREEN, DGREEN)


def pic_browse(c):
    w, h = c.w, c.h
    s = min(w, h + 1) / 16.0
    cx, cy, r = 6.5 * s, 6.5 * s, 5.6 * s
    handle = c.mask(near_segment(cx + r * 0.7, cy + r * 0.7, w - 1.8 * s, h - 1.8 * s, 1.7 * s))
    c.shape(handle, MAROON, K)
    ring = c.mask(in_ellipse(cx, cy, r, r))
    c.shape(ring, DGREY, K)
    glass = c.mask(in_ellipse(cx, cy, r - 1.6 * s, r - 1.6 * s))
    c.shape(glass, CYAN, TEAL)
    # a glint: three blocks of a pixel (of the 22-pixel design) each
    gx, gy = int(cx - r * 0.45), int(cy - r * 0.45)
    g = px(c, 1)
    for (bx, by) in ((0, 0), (1, 0), (0, 1)):
        c.rect(gx + bx * g, gy + by * g, gx + bx * g + g - 1, gy + by * g + g - 1, WHITE)


def pic_about(c):
    w, h = c.w, c.h
    d = min(w, h)
    cx, cy = w / 2.0, h / 2.0
    r = d / 2.0 - (0.2 if d < 20 else px(c, 1))
    disc = c.mask(in_ellipse(cx, cy, r, r))
    c.shape(disc, BLUE, NAVY)
    # the letter i in white
    sw = 2 if d < 20 else px(c, 3)
    g = px(c, 1)
    x0 = int(cx - sw / 2.0 + 0.5)
    top = int(cy - r * 0.62)
    c.rect(x0, top, x0 + sw - 1, top + sw - 1, WHITE)
    st = top + sw + g
    sb = int(cy + r * 0.6)
    c.rect(x0, st, x0 + sw - 1, sb, WHITE)
    c.rect(x0 - g, st, x0 - 1, st + g - 1, WHITE)
    c.rect(x0 - g, sb - g + 1, x0 + sw - 1 + g, sb, WHITE)


def pic_blank(c):
    pass


def pic_summoner(c):
    """A wizard's staff crowned with a crystal."""
    w, h = c.w, c.h
    s = w / 16.0
    hs = h / 16.0
    staff = c.mask(near_segment(2.2 * s, h - 1.4 * hs, 8.6 * s, 7.6 * hs, 1.25 * s))
    c.shape(staff, OLIVE, K)
    # the crystal: a tall diamond, lit from the upper left
    ccx, ccy = 10.4 * s, 5.6 * hs
    top, right, bottom, left = (ccx, ccy - 5.4 * hs), (ccx + 4.4 * s, ccy), (ccx, ccy + 4.8 * hs), (ccx - 4.4 * s, ccy)
    crystal = c.mask(in_polygon([top, right, bottom, left]))
    c.shape(crystal, MAGENTA, PURPLE)
    lit = c.mask(in_polygon([top, (ccx, ccy), left]))
    for (x, y) in lit:
        edge = any((x + dx, y + dy) not in crystal for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        if not edge:
            c.put(x, y, WHITE if (x + y) % 5 == 0 else MAGENTA)
    dark = c.mask(in_polygon([(ccx, ccy), right, bottom]))
    for (x, y) in dark:
        edge = any((x + dx, y + dy) not in crystal for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        if not edge:
            c.put(x, y, PURPLE)
    # a spark of magic beside it
    sx, sy = int(3.0 * s), int(3.2 * hs)
    arm = px(c, 1)
    for i in range(1, arm + 1):
        for (dx, dy) in ((i, 0), (-i, 0), (0, i), (0, -i)):
            c.put(sx + dx, sy + dy, YELLOW)
    c.put(sx, sy, WHITE)


def pic_redfaction(c):
    """A red five-pointed star."""
    w, h = c.w, c.h
    cx, cy = w / 2.0, h / 2.0 + 0.7
    R = min(w, h) / 2.0 - 0.1
    r = R * 0.45
    pts = []
    for k in range(10):
        a = -math.pi / 2 + k * math.pi / 5
        rr = R if k % 2 == 0 else r
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    star = c.mask(in_polygon(pts))
    c.shape(star, RED, MAROON)
    # a highlight on the upper left arms
    g = px(c, 1)
    hx, hy = int(cx) - g, int(cy - R * 0.45)
    c.rect(hx, hy, hx + g - 1, hy + g - 1, YELLOW)


MAIN_PICS = [pic_new, pic_open, pic_save, pic_add, pic_remove, pic_extract, pic_browse, pic_about,
             pic_blank]
MENU_PICS = [pic_new, pic_open, pic_save, pic_add, pic_remove, pic_extract, pic_browse, pic_about,
             pic_summoner, pic_redfaction]


def strip(pics, w, h):
    cv = Canvas(w * len(pics), h, BACK)
    for i, pic in enumerate(pics):
        pic(Cell(cv, i * w, w, h))
    for row in cv.px:
        for col in row:
            assert col in VGA
    return cv


# --------------------------------------------------------------------------------------------
# Smooth pictures (icon, splash): supersampled polygons on an RGBA float buffer


class Smooth:
    """width x height output pixels; drawing coordinates are given at 1x and multiplied by zoom."""

    def __init__(self, width, height, ss, background=(0, 0, 0, 0), zoom=1):
        self.w, self.h, self.ss, self.zoom = width, height, ss, zoom
        self.W, self.H = width * ss, height * ss
        r, g, b, a = background
        self.buf = [[(r, g, b, a)] * self.W for _ in range(self.H)]

    def _blend(self, X, Y, col):
        r, g, b, a = col
        if a >= 255:
            self.buf[Y][X] = col
            return
        br, bg, bb, ba = self.buf[Y][X]
        fa = a / 255.0
        na = a + ba * (1 - fa)
        if na <= 0:
            return
        k = ba * (1 - fa) / na
        self.buf[Y][X] = (r * (a / na) + br * k, g * (a / na) + bg * k, b * (a / na) + bb * k, na)

    def polygon(self, pts, col):
        """Fills a polygon given in output pixel units."""
        if len(col) == 3:
            col = col + (255,)
        ss = self.ss
        z = self.zoom
        P = [(x * z * ss, y * z * ss) for (x, y) in pts]
        ys = [p[1] for p in P]
        y0 = max(0, int(math.floor(min(ys))))
        y1 = min(self.H - 1, int(math.ceil(max(ys))))
        n = len(P)
        for Y in range(y0, y1 + 1):
            yc = Y + 0.5
            xs = []
            for i in range(n):
                ax, ay = P[i]
                bx, by = P[(i + 1) % n]
                if (ay > yc) != (by > yc):
                    xs.append(ax + (yc - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for j in range(0, len(xs) - 1, 2):
                xa = max(0, int(math.ceil(xs[j] - 0.5)))
                xb = min(self.W - 1, int(math.floor(xs[j + 1] - 0.5)))
                for X in range(xa, xb + 1):
                    self._blend(X, Y, col)

    def rect(self, x, y, w, h, col):
        self.polygon([(x, y), (x + w, y), (x + w, y + h), (x, y + h)], col)

    def ellipse(self, cx, cy, rx, ry, col, steps=48):
        self.polygon([(cx + rx * math.cos(2 * math.pi * i / steps), cy + ry * math.sin(2 * math.pi * i / steps))
                      for i in range(steps)], col)

    def rows(self):
        """Box-filtered down to the output size: RGBA rows of ints."""
        ss = self.ss
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                tr = tg = tb = ta = 0.0
                for Y in range(y * ss, y * ss + ss):
                    line = self.buf[Y]
                    for X in range(x * ss, x * ss + ss):
                        r, g, b, a = line[X]
                        tr += r * a
                        tg += g * a
                        tb += b * a
                        ta += a
                if ta > 0:
                    row.append((int(tr / ta + 0.5), int(tg / ta + 0.5), int(tb / ta + 0.5),
                                int(ta / (ss * ss) + 0.5)))
                else:
                    row.append((0, 0, 0, 0))
            out.append(row)
        return out


def inset(pts, d):
    """Moves every edge of a convex polygon (clockwise on screen) inwards by d."""
    n = len(pts)
    lines = []
    area = sum(pts[i][0] * pts[(i + 1) % n][1] - pts[(i + 1) % n][0] * pts[i][1] for i in range(n))
    sgn = 1 if area > 0 else -1
    for i in range(n):
        (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
        ex, ey = x1 - x0, y1 - y0
        L = math.hypot(ex, ey)
        nx, ny = -ey / L * sgn, ex / L * sgn
        lines.append(((x0 + nx * d, y0 + ny * d), (ex, ey)))
    out = []
    for i in range(n):
        (p, u), (q, v) = lines[i - 1], lines[i]
        den = u[0] * v[1] - u[1] * v[0]
        t = ((q[0] - p[0]) * v[1] - (q[1] - p[1]) * v[0]) / den
        out.append((p[0] + u[0] * t, p[1] + u[1] * t))
    return out


def shade(col, f):
    return tuple(max(0, min(255, int(c * f))) for c in col)


def cube(sm, cx, cy, a, col, edge, line):
    """An isometric block: top face centre at (cx, cy), edge length a, outlined."""
    dx, dy = a * 0.866, a * 0.5
    top = [(cx, cy - dy), (cx + dx, cy), (cx, cy + dy), (cx - dx, cy)]
    left = [(cx - dx, cy), (cx, cy + dy), (cx, cy + dy + a), (cx - dx, cy + a)]
    right = [(cx, cy + dy), (cx + dx, cy), (cx + dx, cy + a), (cx, cy + dy + a)]
    hexagon = [(cx, cy - dy), (cx + dx, cy), (cx + dx, cy + a), (cx, cy + dy + a), (cx - dx, cy + a), (cx - dx, cy)]
    sm.polygon(inset(hexagon, -line / 2.0), edge)
    sm.polygon(inset(top, line / 2.0), shade(col, 1.25))
    sm.polygon(inset(left, line / 2.0), col)
    sm.polygon(inset(right, line / 2.0), shade(col, 0.7))


BLOCKS = [((200, 60, 40)), ((40, 90, 200)), ((230, 170, 30))]


def blocks_logo(sm, cx, top, a, line):
    """Three stacked blocks: two below, one on top. top = upper tip of the top block."""
    dx, dy = a * 0.866, a * 0.5
    edge = (30, 24, 20, 255)
    low = top + dy + a
    cube(sm, cx - dx, low, a, BLOCKS[1], edge, line)
    cube(sm, cx + dx, low, a, BLOCKS[0], edge, line)
    cube(sm, cx, top + dy, a, BLOCKS[2], edge, line)


def icon_image(size):
    ss = 8 if size <= 16 else 6 if size <= 64 else 3
    sm = Smooth(size, size, ss)
    # the stack is 4 * 0.866 * a wide and 3 * a high
    a = (size - 0.6) / 3.5
    line = max(1.0, size / 24.0)
    blocks_logo(sm, size / 2.0, (size - 3 * a) / 2.0, a, line)
    return sm.rows()


# --------------------------------------------------------------------------------------------
# A small bitmap font for the splash texts (5 x 7, descenders below)

FONT = {
    "A": ".###.|#...#|#...#|#####|#...#|#...#|#...#",
    "B": "####.|#...#|#...#|####.|#...#|#...#|####.",
    "C": ".###.|#...#|#....|#....|#....|#...#|.###.",
    "D": "####.|#...#|#...#|#...#|#...#|#...#|####.",
    "E": "#####|#....|#....|####.|#....|#....|#####",
    "F": "#####|#....|#....|####.|#....|#....|#....",
    "G": ".###.|#...#|#....|#.###|#...#|#...#|.####",
    "H": "#...#|#...#|#...#|#####|#...#|#...#|#...#",
    "I": "###|.#.|.#.|.#.|.#.|.#.|###",
    "J": "..###|...#.|...#.|...#.|...#.|#..#.|.##..",
    "K": "#...#|#..#.|#.#..|##...|#.#..|#..#.|#...#",
    "L": "#....|#....|#....|#....|#....|#....|#####",
    "M": "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#",
    "N": "#...#|#...#|##..#|#.#.#|#..##|#...#|#...#",
    "O": ".###.|#...#|#...#|#...#|#...#|#...#|.###.",
    "P": "####.|#...#|#...#|####.|#....|#....|#....",
    "Q": ".###.|#...#|#...#|#...#|#.#.#|#..#.|.##.#",
    "R": "####.|#...#|#...#|####.|#.#..|#..#.|#...#",
    "S": ".####|#....|#....|.###.|....#|....#|####.",
    "T": "#####|..#..|..#..|..#..|..#..|..#..|..#..",
    "U": "#...#|#...#|#...#|#...#|#...#|#...#|.###.",
    "V": "#...#|#...#|#...#|#...#|#...#|.#.#.|..#..",
    "W": "#...#|#...#|#...#|#.#.#|#.#.#|#.#.#|.#.#.",
    "X": "#...#|#...#|.#.#.|..#..|.#.#.|#...#|#...#",
    "Y": "#...#|#...#|.#.#.|..#..|..#..|..#..|..#..",
    "Z": "#####|....#|...#.|..#..|.#...|#....|#####",
    "a": "....|....|.##.|...#|.###|#..#|.###",
    "b": "#...|#...|###.|#..#|#..#|#..#|###.",
    "c": "....|....|.###|#...|#...|#...|.###",
    "d": "...#|...#|.###|#..#|#..#|#..#|.###",
    "e": "....|....|.##.|#..#|####|#...|.###",
    "f": "..##|.#..|.#..|###.|.#..|.#..|.#..",
    "g": "....|....|.###|#..#|#..#|.###|...#|.##.",
    "h": "#...|#...|###.|#..#|#..#|#..#|#..#",
    "i": "#|.|#|#|#|#|#",
    "j": "..#|...|.##|..#|..#|..#|..#|##.",
    "k": "#...|#...|#..#|#.#.|##..|#.#.|#..#",
    "l": "##.|.#.|.#.|.#.|.#.|.#.|..#",
    "m": ".....|.....|##.#.|#.#.#|#.#.#|#.#.#|#.#.#",
    "n": "....|....|###.|#..#|#..#|#..#|#..#",
    "o": "....|....|.##.|#..#|#..#|#..#|.##.",
    "p": "....|....|###.|#..#|#..#|###.|#...|#...",
    "q": "....|....|.###|#..#|#..#|.###|...#|...#",
    "r": "...|...|#.#|##.|#..|#..|#..",
    "s": "....|....|.###|#...|.##.|...#|###.",
    "t": ".#..|.#..|###.|.#..|.#..|.#..|..##",
    "u": "....|....|#..#|#..#|#..#|#..#|.###",
    "v": ".....|.....|#...#|#...#|.#.#.|.#.#.|..#..",
    "w": ".....|.....|#...#|#...#|#.#.#|#.#.#|.#.#.",
    "x": "....|....|#..#|#..#|.##.|#..#|#..#",
    "y": "....|....|#..#|#..#|#..#|.###|...#|.##.",
    "z": "....|....|####|...#|.##.|#...|####",
    "0": ".###.|#...#|#..##|#.#.#|##..#|#...#|.###.",
    "1": "..#..|.##..|..#..|..#..|..#..|..#..|.###.",
    "2": ".###.|#...#|....#|...#.|..#..|.#...|#####",
    "3": "#####|...#.|..#..|...#.|....#|#...#|.###.",
    "4": "...#.|..##.|.#.#.|#..#.|#####|...#.|...#.",
    "5": "#####|#....|####.|....#|....#|#...#|.###.",
    "6": "..##.|.#...|#....|####.|#...#|#...#|.###.",
    "7": "#####|....#|...#.|..#..|.#...|.#...|.#...",
    "8": ".###.|#...#|#...#|.###.|#...#|#...#|.###.",
    "9": ".###.|#...#|#...#|.####|....#|...#.|.##..",
    ".": ".|.|.|.|.|.|#",
    ",": "..|..|..|..|..|.#|#.",
    ":": ".|.|#|.|.|#|.",
    "-": "....|....|....|####|....|....|....",
    "(": "..#|.#.|#..|#..|#..|.#.|..#",
    ")": "#..|.#.|..#|..#|..#|.#.|#..",
    "/": "....#|...#.|...#.|..#..|.#...|.#...|#....",
    "_": "....|....|....|....|....|....|####",
    " ": "...|...|...|...|...|...|...",
}


def glyph(ch):
    return FONT[ch].split("|")


def text_width(text, scale):
    return sum((len(glyph(ch)[0]) + 1) * scale for ch in text) - scale


def draw_text(sm, x, y, text, scale, col, shadow=None):
    """Draws text with the bitmap font; (x, y) is the top left of the capitals."""
    for layer in ((shadow, max(1, scale // 3)), (col, 0)) if shadow else ((col, 0),):
        colour, off = layer
        cx = x
        for ch in text:
            rows = glyph(ch)
            for j, row in enumerate(rows):
                for i, bit in enumerate(row):
                    if bit == "#":
                        sm.rect(cx + i * scale + off, y + j * scale + off, scale, scale, colour)
            cx += (len(rows[0]) + 1) * scale


# --------------------------------------------------------------------------------------------
# Splash (bitmap 139), its version plate (141) and the announcement picture (138)

SPLASH_W, SPLASH_H = 389, 350
# From BAND_TOP down the splash is one flat colour, the background of the version plate. The plate
# sits at dialog units (143, 174): x = 214 pixels, y = 261 to 283 pixels depending on the font's
# height, so the band starts above it and nothing else is drawn where it may lie.
BAND_TOP = 240
BAND = (14, 22, 48)
VERSION_W, VERSION_H = 164, 28
def read_version_text():
    """The status-bar text of the top-level VERSION file, as CMake forms it."""
    fields = {}
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "VERSION")) as f:
        for line in f:
            key, sep, value = line.strip().partition("=")
            if sep and key.isupper() and value.isdigit():
                fields[key] = int(value)
    text = "V%d.%d" % (fields["MAJOR"], fields["MINOR"])
    if fields["BETA"] > 0:
        text += " Beta %02d" % fields["BETA"]
    return text + " (Build %02d)" % fields["BUILD"]


VERSION_TEXT = read_version_text()
TITLE_SMALL = "Kestrin Manager"
TITLE_BIG = "QUARNEL"


def splash_rows(zoom=1):
    sm = Smooth(SPLASH_W * zoom, SPLASH_H * zoom, 2, BAND + (255,), zoom)
    # background: deep blue, lighter at the top, one band per output row
    for i in range(BAND_TOP * zoom):
        y = i / zoom
        t = y / float(BAND_TOP)
        col = (int(46 + (BAND[0] - 46) * t), int(70 + (BAND[1] - 70) * t), int(128 + (BAND[2] - 128) * t))
        sm.rect(0, y, SPLASH_W, 1 / zoom, col)
    # faint rays behind the logo
    cx = SPLASH_W / 2.0
    for k in range(12):
        a0 = k * math.pi / 6
        a1 = a0 + math.pi / 14
        sm.polygon([(cx, 62), (cx + 400 * math.cos(a0), 62 + 400 * math.sin(a0)),
                    (cx + 400 * math.cos(a1), 62 + 400 * math.sin(a1))], (255, 255, 255, 10))
    sm.rect(0, BAND_TOP, SPLASH_W, SPLASH_H - BAND_TOP, BAND)
    # gold rule above the band
    sm.rect(18, BAND_TOP - 8, SPLASH_W - 36, 2, (214, 168, 58))
    blocks_logo(sm, cx, 14, 32, 2.0)
    gold = (246, 196, 70)
    draw_text(sm, int(cx - text_width(TITLE_SMALL, 3) / 2), 120, TITLE_SMALL, 3, (214, 224, 244), (6, 10, 30))
    draw_text(sm, int(cx - text_width(TITLE_BIG, 7) / 2), 148, TITLE_BIG, 7, gold, (6, 10, 30))
    sub = "VPP archive editor for Red Faction and Summoner"
    draw_text(sm, int(cx - text_width(sub, 1) / 2), 210, sub, 1, (170, 186, 220))
    # bottom band: maker's line on the left, the version plate (bitmap 141) lies on the right
    draw_text(sm, 18, 271, "Kestrin Network", 1, (150, 164, 200))
    return [[px[:3] for px in row] for row in sm.rows()]


def version_rows(zoom=1):
    sm = Smooth(VERSION_W * zoom, VERSION_H * zoom, 2, BAND + (255,), zoom)
    tw = text_width(VERSION_TEXT, 1)
    draw_text(sm, VERSION_W - tw - 6, (VERSION_H - 7) // 2, VERSION_TEXT, 1, (240, 240, 250))
    return [[px[:3] for px in row] for row in sm.rows()]


def announcement_rows(zoom=1):
    """A small picture of an archive viewer: file list on the left, texture preview on the right."""
    W, H = 285, 92
    sm = Smooth(W * zoom, H * zoom, 2, (212, 208, 200, 255), zoom)
    sm.rect(0, 0, W, H, (90, 90, 96))
    sm.rect(1, 1, W - 2, H - 2, (212, 208, 200))
    # title bar
    sm.rect(2, 2, W - 4, 12, (10, 36, 106))
    sm.rect(2 + (W - 4) // 2, 2, (W - 4) // 2, 12, (58, 110, 165))
    draw_text(sm, 6, 4, "MIRADOR", 1, (255, 255, 255))
    # file list
    lx, ly, lw, lh = 4, 17, 120, H - 21
    sm.rect(lx, ly, lw, lh, (128, 128, 128))
    sm.rect(lx + 1, ly + 1, lw - 2, lh - 2, (255, 255, 255))
    names = ["tex_wall01.tga", "tex_floor.tga", "rock_a.tga", "door_big.tga", "sky_red.tga",
             "music01.wav", "level1.rfl", "hud.tga"]
    for i, name in enumerate(names):
        y = ly + 3 + i * 9
        if y + 8 > ly + lh - 1:
            break
        if i == 2:
            sm.rect(lx + 2, y - 1, lw - 4, 9, (49, 106, 197))
            draw_text(sm, lx + 5, y, name, 1, (255, 255, 255))
        else:
            draw_text(sm, lx + 5, y, name, 1, (0, 0, 0))
    # texture preview: a rock texture made of tiles
    px0, py0, pw, ph = 130, 17, W - 134, H - 21
    sm.rect(px0, py0, pw, ph, (128, 128, 128))
    sm.rect(px0 + 1, py0 + 1, pw - 2, ph - 2, (40, 40, 44))
    tile = 12
    seed = 7
    for ty in range(0, ph - 4, tile):
        for tx in range(0, pw - 4, tile):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            v = 90 + (seed >> 8) % 70
            off = (tile // 2) if (ty // tile) % 2 else 0
            x = px0 + 3 + tx - off
            col = (v + 40, v - 10, v - 40)
            x0 = max(px0 + 3, x)
            x1 = min(px0 + pw - 3, x + tile - 1)
            y1 = min(py0 + ph - 3, py0 + 3 + ty + tile - 1)
            if x1 > x0:
                sm.rect(x0, py0 + 3 + ty, x1 - x0, y1 - (py0 + 3 + ty), col)
    return [[p[:3] for p in row] for row in sm.rows()]


# --------------------------------------------------------------------------------------------


# The program icon's sizes: the small and large icons at each scaling, and the shell's larger views.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)

# Display scalings the pictures are drawn for; the program takes the one nearest the screen's.
ART_PERCENTS = (100, 125, 150, 200)


def scaled(n, percent):
    """n pixels at a scaling, rounded half up as the program's own arithmetic rounds."""
    return (n * percent + 50) // 100


def art_name(name, percent):
    return name + (".bmp" if percent == 100 else "_%d.bmp" % percent)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    print("wrote", path, len(data), "bytes")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")
    out = os.path.normpath(out)
    os.makedirs(out, exist_ok=True)
    for name, pics, w, h in (("toolbar", MAIN_PICS, 22, 22),
                             ("menu_flat", MENU_PICS, 20, 20),
                             ("menu_classic", MENU_PICS, 16, 15)):
        for percent in ART_PERCENTS:
            cv = strip(pics, scaled(w, percent), scaled(h, percent))
            write(os.path.join(out, art_name(name, percent)), bmp_bytes(cv.w, cv.h, cv.px, 4))
    write(os.path.join(out, "quarnel.ico"), ico_bytes([(s, icon_image(s)) for s in ICON_SIZES]))
    # The pictures of the splash and the announcement come at 1x and 2x: sharp at 200 %.
    for zoom in (1, 2):
        percent = 100 * zoom
        write(os.path.join(out, art_name("splash", percent)),
              bmp_bytes(SPLASH_W * zoom, SPLASH_H * zoom, splash_rows(zoom), 24))
        write(os.path.join(out, art_name("splash_version", percent)),
              bmp_bytes(VERSION_W * zoom, VERSION_H * zoom, version_rows(zoom), 24))
        write(os.path.join(out, art_name("announcement", percent)),
              bmp_bytes(285 * zoom, 92 * zoom, announcement_rows(zoom), 24))


if __name__ == "__main__":
    main()
