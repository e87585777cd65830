#!/usr/bin/env python3
"""Writes what a file should hold after a plain-text replacement, in the file's own encoding.

usage: replaced_bytes.py FILE ENCODING OLD NEW [KEEP_LINE...] > EXPECTED

ENCODING is a Python codec name (utf-8, cp932, utf-16-le, ...); a byte order mark at the start
is kept as it is. Every OLD on every line becomes NEW, except on the lines numbered KEEP_LINE
(from 1), which stay byte for byte; line ends stay as they are. Exits 2 on bad input.
"""

import codecs
import sys

BOMS = (codecs.BOM_UTF8, codecs.BOM_UTF16_LE, codecs.BOM_UTF16_BE)


def replaced(data, encoding, old, new, keep):
    bom = next((mark for mark in BOMS if data.startswith(mark)), b"")
    # Split at LF only: a CR stays with its line, and other separators are plain text here.
    lines = data[len(bom) :].decode(encoding).split("\n")
    out = [line if number in keep else line.replace(old, new) for number, line in enumerate(lines, 1)]
    return bom + "\n".join(out).encode(encoding)


def main(argv):
    if len(argv) < 5:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        with open(argv[1], "rb") as f:
            data = f.read()
        keep = {int(v) for v in argv[5:]}
        result = replaced(data, argv[2], argv[3], argv[4], keep)
    except (OSError, ValueError, LookupError) as error:
        print(error, file=sys.stderr)
        return 2
    sys.stdout.buffer.write(result)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
