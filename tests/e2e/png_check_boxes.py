#!/usr/bin/env python3
"""Finds the check boxes in a strip of a PNG screenshot.

usage: png_check_boxes.py SHOT.png LEFT TOP RIGHT BOTTOM

Prints one line "box X Y checked|unchecked" per check box whose outline lies inside the
rectangle, from top to bottom (X, Y: its centre in the picture's coordinates). A box is a square
dark outline of 9 to 20 pixels; it is checked when its inside holds dark pixels (the tick).
Exits 0 when at least one box was found, 1 when none, 2 on bad input.
"""

import os
import sys
import zlib

# The PNG reader of the region comparison beside this script; no bytecode is left in the tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import png_region_changed as _png  # noqa: E402

DARK = 300  # sum of the three channels below which a pixel counts as ink
MIN_SIDE, MAX_SIDE = 9, 20


def dark(png, x, y):
    return sum(_png.pixel(png, x, y)) < DARK


def run_from(png, x, y, right):
    """Length of the run of dark pixels starting at x on row y."""
    end = x
    while end < right and dark(png, end, y):
        end += 1
    return end - x


def box_at(png, x, y, rect):
    """(side, checked) when a square outline has its top-left corner at x, y; else None."""
    _, _, right, bottom = rect
    side = run_from(png, x, y, right)
    if not MIN_SIDE <= side <= MAX_SIDE or y + side > bottom:
        return None
    last = side - 1
    edges_dark = all(dark(png, x, y + i) and dark(png, x + last, y + i) for i in range(side)) and all(
        dark(png, x + i, y + last) for i in range(side)
    )
    if not edges_dark:
        return None
    inside = any(dark(png, x + i, y + j) for j in range(2, last - 1) for i in range(2, last - 1))
    return side, inside


def find_boxes(png, rect):
    left, top, right, bottom = rect
    boxes, y = [], top
    while y < bottom:
        found = None
        for x in range(left, right):
            if dark(png, x, y) and (x == left or not dark(png, x - 1, y)):
                found = box_at(png, x, y, rect)
                if found:
                    boxes.append((x + found[0] // 2, y + found[0] // 2, found[1]))
                    break
        y += found[0] if found else 1
    return boxes


def main(argv):
    if len(argv) != 6:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        png = _png.read_png(argv[1])
        rect = tuple(int(v) for v in argv[2:6])
    except (OSError, ValueError, zlib.error) as error:
        print(error, file=sys.stderr)
        return 2
    left, top, right, bottom = rect
    if not (0 <= left < right <= png[0] and 0 <= top < bottom <= png[1]):
        print("the rectangle is not inside the picture", file=sys.stderr)
        return 2
    boxes = find_boxes(png, rect)
    for x, y, checked in boxes:
        print(f"box {x} {y} {'checked' if checked else 'unchecked'}")
    return 0 if boxes else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
