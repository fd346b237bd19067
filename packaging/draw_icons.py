#!/usr/bin/env python3
"""Draws the program's icon for the desktop's hicolor theme into icons/ beside this script.

The icon is the window's ledger page (resources/telvane.png, 32 by 32, drawn by
resources/draw_pictures.py) at every size a menu, a panel or a dock asks for. Each size is laid out
on its own pixel grid from the same few rectangles, so every size stays crisp: 16, 22, 24 and 48 get
their own layouts with one-pixel lines, 32 is the window icon itself, and 64, 128 and 256 are the
32-pixel layout with every pixel made a square block. scalable.svg holds the 32-pixel rectangles.
Run it after changing the icon and commit the files with it; the build only installs them. Needs
nothing beyond Python 3.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "resources"))
import draw_pictures  # noqa: E402  (the window's pictures: write_png and the 32-pixel icon)

BLACK, WHITE, RED, GREY, SILVER = "000000", "FFFFFF", "FF0000", "808080", "C0C0C0"

# Per size: left edge and top edge of the page; the title strokes as (row below the top edge,
# length); the rows of the red line below the top edge; the first ruled row below the top edge and
# the distance between rules; the column rule's distance from the right edge. The page's right and
# bottom edges follow from the size, with the shadow beside them.
LAYOUTS = {
    16: dict(left=2, top=1, strokes=[(2, 5)], red=[4], rules=(6, 2), column=3),
    22: dict(left=3, top=1, strokes=[(2, 7)], red=[4], rules=(7, 3), column=5),
    24: dict(left=3, top=1, strokes=[(2, 7), (4, 4)], red=[6, 7], rules=(9, 3), column=5),
    32: dict(left=4, top=1, strokes=[(3, 9), (5, 5)], red=[7, 8], rules=(11, 3), column=7),
    48: dict(left=6, top=2, strokes=[(4, 14), (7, 8)], red=[10, 11, 12], rules=(16, 4), column=10),
}
BLOCKS = {64: 2, 128: 4, 256: 8}


def ledger(size):
    """The icon as rectangles (colour, x0, y0, x1, y1), corners included, painted in order."""
    if size in BLOCKS:
        k = BLOCKS[size]
        return [(c, x0 * k, y0 * k, (x1 + 1) * k - 1, (y1 + 1) * k - 1) for c, x0, y0, x1, y1 in ledger(32)]
    layout = LAYOUTS[size]
    left, top = layout["left"], layout["top"]
    right, bottom = size - 2 - left, size - 2 - top
    shapes = [
        (BLACK, left, top, right, bottom),
        (WHITE, left + 1, top + 1, right - 1, bottom - 1),
        (GREY, right + 1, top + 2, right + 1, bottom + 1),
        (GREY, left + 2, bottom + 1, right + 1, bottom + 1),
    ]
    for row, length in layout["strokes"]:
        shapes.append((SILVER, left + 3, top + row, left + 2 + length, top + row))
    for row in layout["red"]:
        shapes.append((RED, left + 1, top + row, right - 1, top + row))
    # The column rule runs from under the red line to the bottom edge; the ruled rows cross it.
    below_red = top + layout["red"][-1] + 1
    shapes.append((SILVER, right - layout["column"], below_red, right - layout["column"], bottom - 1))
    first, step = layout["rules"]
    for row in range(top + first, bottom, step):
        shapes.append((BLACK, left + 1, row, right - 1, row))
    return shapes


def pixels(size):
    grid = [[draw_pictures.CLEAR] * size for _ in range(size)]
    for colour, x0, y0, x1, y1 in ledger(size):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                grid[y][x] = draw_pictures.rgb(colour)
    return grid


def svg():
    rects = "\n".join(
        f'  <rect x="{x0}" y="{y0}" width="{x1 - x0 + 1}" height="{y1 - y0 + 1}" fill="#{c}"/>'
        for c, x0, y0, x1, y1 in ledger(32)
    )
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32" '
        'shape-rendering="crispEdges">\n'
        f"{rects}\n</svg>\n"
    )


def main():
    if pixels(32) != draw_pictures.ledger_icon():
        sys.exit("the 32-pixel layout no longer matches the window icon of resources/draw_pictures.py")
    out = os.path.join(HERE, "icons")
    os.makedirs(out, exist_ok=True)
    for size in sorted([*LAYOUTS, *BLOCKS]):
        # An absolute path: write_png would otherwise write beside draw_pictures.py.
        draw_pictures.write_png(os.path.join(out, f"{size}x{size}.png"), pixels(size))
    with open(os.path.join(out, "scalable.svg"), "w", encoding="utf-8") as file:
        file.write(svg())


if __name__ == "__main__":
    main()
