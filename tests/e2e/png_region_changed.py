#!/usr/bin/env python3
"""Compares a rectangle of two PNG screenshots.

usage: png_region_changed.py BEFORE.png AFTER.png LEFT TOP RIGHT BOTTOM [--colour RRGGBB X Y]

Exits 0 when at least a third of the pixels inside the rectangle differ between the two pictures
(and, with --colour, when the pixel at X, Y of AFTER has that colour); 1 otherwise; 2 on bad input.
Reads 8-bit RGB and RGBA PNGs without interlacing, as cairo writes them, with the standard
library only.
"""

import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos + 8 <= len(data):
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        kind, body = data[pos + 4 : pos + 8], data[pos + 8 : pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    if header is None:
        raise ValueError(f"{path}: no header")
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace != 0:
        raise ValueError(f"{path}: unsupported PNG (depth {depth}, type {colour_type}, interlace {interlace})")
    bpp = 4 if colour_type == 6 else 3
    stride = width * bpp
    raw = zlib.decompress(idat)
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(height):
        kind = raw[i]
        line = bytearray(raw[i + 1 : i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return width, height, bpp, rows


def pixel(png, x, y):
    _, _, bpp, rows = png
    return tuple(rows[y][x * bpp : x * bpp + 3])


def main(argv):
    if len(argv) not in (7, 11) or (len(argv) == 11 and argv[7] != "--colour"):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        before, after = read_png(argv[1]), read_png(argv[2])
        left, top, right, bottom = (int(v) for v in argv[3:7])
    except (OSError, ValueError, zlib.error) as error:
        print(error, file=sys.stderr)
        return 2
    if not (0 <= left < right <= min(before[0], after[0]) and 0 <= top < bottom <= min(before[1], after[1])):
        print("the rectangle is not inside both pictures", file=sys.stderr)
        return 2
    changed = sum(
        pixel(before, x, y) != pixel(after, x, y) for y in range(top, bottom) for x in range(left, right)
    )
    total = (right - left) * (bottom - top)
    print(f"{changed} of {total} pixels changed")
    ok = changed * 3 >= total
    if len(argv) == 11:
        want = tuple(bytes.fromhex(argv[8]))
        got = pixel(after, int(argv[9]), int(argv[10]))
        print(f"pixel at {argv[9]},{argv[10]}: {bytes(got).hex()} (want {argv[8].lower()})")
        ok = ok and got == want
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
