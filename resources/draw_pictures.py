#!/usr/bin/env python3
"""Draws the program's pictures as PNG files beside this script.

Every picture is drawn pixel by pixel at the size it is shown, so it stays crisp: small ones as
character grids (one character per pixel, looked up in a palette), the round arrows of the retry
picture from their geometry. Run it after changing a picture and commit the PNG files with it; the
build only uses the PNG files. Needs nothing beyond Python 3.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

CLEAR = (0, 0, 0, 0)


def rgb(hex_colour):
    value = int(hex_colour, 16)
    return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF, 255)


def write_png(name, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + bytes(channel for pixel in row for channel in pixel) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(png)


def from_grid(grid, palette):
    rows = [line for line in grid.strip("\n").split("\n")]
    width = len(rows[0])
    assert all(len(row) == width for row in rows), "ragged grid"
    return [[palette[c] for c in row] for row in rows]


def greyed(pixels):
    """The disabled twin of a picture, the way Windows greys a button glyph: the shape in dark grey
    over a white copy of it moved one pixel down and to the right."""
    height, width = len(pixels), len(pixels[0])
    opaque = [[pixels[y][x][3] > 0 for x in range(width)] for y in range(height)]
    out = [[CLEAR] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            if y > 0 and x > 0 and opaque[y - 1][x - 1]:
                out[y][x] = rgb("FFFFFF")
    for y in range(height):
        for x in range(width):
            if opaque[y][x]:
                out[y][x] = rgb("808080")
    return out


# Index 0 of the image list: a closed purple book, seen at a slant, a yellow question mark on its
# cover and the edges of its pages showing below it.
QUESTION = """
.yyy.
y...y
....y
..yy.
..y..
.....
..y..
"""


def book_picture():
    black, spine, cover, light = rgb("200028"), rgb("500060"), rgb("8000A0"), rgb("A040C0")
    yellow, white, grey = rgb("FFE000"), rgb("FFFFFF"), rgb("B0B0B0")
    size = 16
    pixels = [[CLEAR] * size for _ in range(size)]
    first, last = 1, 11  # rows of the cover

    def left(row):
        return 6 - (row - first) // 2

    for row in range(first, last + 1):
        x0, x1 = left(row), left(row) + 9
        for x in range(x0, x1 + 1):
            if row in (first, last) or x in (x0, x1):
                pixels[row][x] = black
            elif x == x0 + 1:
                pixels[row][x] = spine
            elif row == first + 1 or x == x1 - 1:
                pixels[row][x] = light
            else:
                pixels[row][x] = cover
    # The page block: the same slant, two rows of page edges under the cover.
    for row, colour in ((last + 1, white), (last + 2, grey)):
        x0 = left(last) - (1 if row == last + 2 else 0) + 1
        pixels[row][x0 - 1] = black
        for x in range(x0, left(last) + 9):
            pixels[row][x] = colour
        pixels[row][left(last) + 9] = black
    for x in range(left(last) - 1, left(last) + 9):
        pixels[last + 3][x] = black
    glyph = [line for line in QUESTION.strip("\n").split("\n")]
    for dy, line in enumerate(glyph):
        row = first + 2 + dy
        for dx, c in enumerate(line):
            if c == "y":
                pixels[row][left(row) + 3 + dx] = yellow
    return pixels


# Index 1: a white page with short lines of blue and red text, crossed at its top by a red chequered
# band that runs to a dark-blue bar at the upper right.
PROVINCE = """
.kkkkkkkkkkkk...
.kwwwwwwwwwwkbb.
.rwrwrwrwrwrbbb.
.wrwrwrwrwrwbbb.
.kwwwwwwwwwwkbb.
.kwwwwwwwwwwk...
.kwBBBBBwwwwk...
.kwwwwwwwwwwk...
.kwRRRRwwwwwk...
.kwwwwwwwwwwk...
.kwBBBBBBBwwk...
.kwwwwwwwwwwk...
.kwRRRRRwwwwk...
.kwwwwwwwwwwk...
.kwwwwwwwwwwk...
.kkkkkkkkkkkk...
"""
PROVINCE_COLOURS = {
    ".": CLEAR,
    "k": rgb("000000"),
    "w": rgb("FFFFFF"),
    "r": rgb("E00000"),
    "b": rgb("000080"),
    "B": rgb("2040E0"),
    "R": rgb("E03030"),
}

# Index 2: a blank white page with a black outline and a folded upper-right corner.
ENTRY = """
..kkkkkkkk......
..kwwwwwwkk.....
..kwwwwwwkgk....
..kwwwwwwkggk...
..kwwwwwwkkkkk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kkkkkkkkkkkk..
"""
ENTRY_COLOURS = {".": CLEAR, "k": rgb("000000"), "w": rgb("FFFFFF"), "g": rgb("C0C0C0")}

# The picture of the search button: black binoculars with white highlights.
BINOCULARS = """
................
..kkkk....kkkk..
..kwkk....kwkk..
..kwkk....kwkk..
.kkkkkk..kkkkkk.
.kwkkkkkkkkwkkk.
.kwkkkkwkkkwkkk.
kkwkkkkwkkkwkkkk
kwkkkkkkkkwkkkkk
kwkkkkk..kwkkkkk
kwkkkkk..kwkkkkk
kwkkkkk..kwkkkkk
kkkkkkk..kkkkkkk
.kkkkk....kkkkk.
................
................
"""
BINOCULARS_COLOURS = {".": CLEAR, "k": rgb("000000"), "w": rgb("FFFFFF")}

# The stock help picture: a blue-green question mark.
HELP = """
..................
......kkkkkk......
.....kTTTTTTk.....
....kThhTTTTTk....
...kThTTkkkTTTk...
...kThTk...kTTk...
...kkkk....kTTk...
..........kTTTk...
.........kTTTk....
........kTTTk.....
.......kTTTk......
.......kThTk......
.......kkkkk......
..................
.......kkkkk......
.......kThTk......
.......kkkkk......
..................
"""
HELP_COLOURS = {".": CLEAR, "k": rgb("004848"), "T": rgb("009090"), "h": rgb("40D8D0")}


def ledger_icon():
    """The window's icon, 32 by 32 in the 16 Windows colours: a ledger page ruled in black rows with
    a red line across its upper part, a grey shadow at its right and bottom."""
    black, white, red, grey, silver = rgb("000000"), rgb("FFFFFF"), rgb("FF0000"), rgb("808080"), rgb("C0C0C0")
    size = 32
    left, top, right, bottom = 4, 1, 26, 29
    pixels = [[CLEAR] * size for _ in range(size)]
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            edge = x in (left, right) or y in (top, bottom)
            pixels[y][x] = black if edge else white
    for y in range(top + 2, bottom + 2):
        pixels[y][right + 1] = grey
    for x in range(left + 2, right + 2):
        pixels[bottom + 1][x] = grey
    # The heading area above the red line holds two short title strokes in silver.
    for x in range(left + 3, left + 12):
        pixels[top + 3][x] = silver
    for x in range(left + 3, left + 8):
        pixels[top + 5][x] = silver
    for x in range(left + 1, right):
        pixels[top + 7][x] = red
        pixels[top + 8][x] = red
    for y in range(top + 11, bottom, 3):
        for x in range(left + 1, right):
            pixels[y][x] = black
    # The column rule of the ledger's amounts.
    for y in range(top + 9, bottom):
        pixels[y][right - 7] = silver if pixels[y][right - 7] == white else pixels[y][right - 7]
    return pixels


def retry_picture():
    """The stock retry picture, 18 by 18: two green arrows chasing each other around a circle. Each
    arrow is a band of the ring between two angles with a head at its leading end; pixels are in or
    out (no blending), outlined in dark green."""
    size = 18
    cx = cy = 8.5
    inner, outer = 3.8, 6.6
    green, light, dark = rgb("00A000"), rgb("60E060"), rgb("004000")

    def head(px, py, angle):
        # Triangle at angle (degrees, clockwise from 3 o'clock as y grows down), pointing clockwise.
        a = math.radians(angle)
        mid = (inner + outer) / 2
        bx, by = cx + mid * math.cos(a), cy + mid * math.sin(a)
        # Tangent pointing clockwise.
        tx, ty = -math.sin(a), math.cos(a)
        nx, ny = math.cos(a), math.sin(a)
        tip = (bx + tx * 4.0, by + ty * 4.0)
        base1 = (bx + nx * 3.8, by + ny * 3.8)
        base2 = (bx - nx * 3.8, by - ny * 3.8)
        return inside_triangle((px, py), tip, base1, base2)

    def inside_triangle(p, a, b, c):
        def sign(p1, p2, p3):
            return (p1[0] - p3[0]) * (p2[1] - p3[1]) - (p2[0] - p3[0]) * (p1[1] - p3[1])

        d1, d2, d3 = sign(p, a, b), sign(p, b, c), sign(p, c, a)
        has_neg = d1 < 0 or d2 < 0 or d3 < 0
        has_pos = d1 > 0 or d2 > 0 or d3 > 0
        return not (has_neg and has_pos)

    arrows = [(195, 315), (15, 135)]  # start and end angle of each band; the head sits at the end

    def filled(px, py):
        r = math.hypot(px - cx, py - cy)
        angle = math.degrees(math.atan2(py - cy, px - cx)) % 360
        for start, end in arrows:
            if inner <= r <= outer and start <= angle <= end:
                return True
            if head(px, py, end):
                return True
        return False

    # A pixel is in when most of it is: 4 by 4 samples each.
    samples = [(i + 0.5) / 4 for i in range(4)]

    def covered(x, y):
        return sum(filled(x + sx, y + sy) for sx in samples for sy in samples) >= 8

    shape = [[covered(x, y) for x in range(size)] for y in range(size)]
    pixels = [[CLEAR] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if not shape[y][x]:
                continue
            neighbours = [(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
            border = any(not (0 <= nx < size and 0 <= ny < size) or not shape[ny][nx] for nx, ny in neighbours)
            if border:
                pixels[y][x] = dark
            else:
                # Light on the side that faces the upper left, as if lit from there.
                pixels[y][x] = light if (x - cx) + (y - cy) < -3 else green
    return pixels


def main():
    write_png("tree_root.png", book_picture())
    write_png("tree_province.png", from_grid(PROVINCE, PROVINCE_COLOURS))
    write_png("list_entry.png", from_grid(ENTRY, ENTRY_COLOURS))
    write_png("binoculars.png", from_grid(BINOCULARS, BINOCULARS_COLOURS))
    help_picture = from_grid(HELP, HELP_COLOURS)
    write_png("help.png", help_picture)
    write_png("help_disabled.png", greyed(help_picture))
    retry = retry_picture()
    write_png("retry.png", retry)
    write_png("retry_disabled.png", greyed(retry))
    write_png("telvane.png", ledger_icon())


if __name__ == "__main__":
    main()
