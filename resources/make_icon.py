#!/usr/bin/env python3
"""Build the module icon from its text pixel map.

Usage: make_icon.py icon.txt out.ico

The text form (see resources/icon.txt):

    # comment lines and blank lines are ignored outside the pixel block
    colour C RRGGBB      one line per palette entry, in palette order (max 16)
    transparent C        the character that marks transparent pixels
    pixels               followed by exactly 32 rows of 32 characters

Every pixel character must be a declared colour. The transparent character's
colour must be 000000: a transparent pixel is AND=1 with a black XOR pixel,
which leaves the screen untouched.

Output: a standard .ico holding one 32x32 image at 4 bits per pixel
(BITMAPINFOHEADER, 16-entry palette, XOR mask, AND mask), which is what the
resource compiler turns into icon 1 of the icon group.
"""

import struct
import sys

WIDTH = 32
HEIGHT = 32
BITS = 4
COLOURS = 1 << BITS


class IconError(Exception):
    pass


def parse(text):
    """Return (palette as list of (r, g, b), transparent char, rows, index map)."""
    palette = []
    index = {}
    transparent = None
    rows = None
    lines = text.splitlines()
    n = 0
    while n < len(lines):
        line = lines[n]
        n += 1
        stripped = line.split("#", 1)[0].strip()
        if not stripped:
            continue
        words = stripped.split()
        if words[0] == "colour" and len(words) == 3:
            char, value = words[1], words[2]
            if len(char) != 1:
                raise IconError("line %d: colour character must be one character" % n)
            if char in index:
                raise IconError("line %d: colour %r declared twice" % (n, char))
            if len(value) != 6 or any(c not in "0123456789abcdefABCDEF" for c in value):
                raise IconError("line %d: colour value must be RRGGBB" % n)
            if len(palette) == COLOURS:
                raise IconError("line %d: more than %d colours" % (n, COLOURS))
            index[char] = len(palette)
            palette.append(tuple(int(value[i:i + 2], 16) for i in (0, 2, 4)))
        elif words[0] == "transparent" and len(words) == 2 and len(words[1]) == 1:
            transparent = words[1]
        elif words == ["pixels"]:
            # The pixel block is taken verbatim (no comments), trailing
            # whitespace aside.
            rows = [l.rstrip() for l in lines[n:n + HEIGHT]]
            first_row_line = n + 1
            n += HEIGHT
            if len(rows) != HEIGHT:
                raise IconError("pixel block has %d rows, need %d" % (len(rows), HEIGHT))
            for i, row in enumerate(rows):
                if len(row) != WIDTH:
                    raise IconError("line %d: row has %d pixels, need %d"
                                    % (first_row_line + i, len(row), WIDTH))
                for c in row:
                    if c not in index:
                        raise IconError("line %d: undeclared colour %r" % (first_row_line + i, c))
        else:
            raise IconError("line %d: cannot read %r" % (n, line))
    if rows is None:
        raise IconError("no pixel block")
    if transparent is None:
        raise IconError("no transparent character declared")
    if transparent not in index:
        raise IconError("transparent character %r is not a declared colour" % transparent)
    if palette[index[transparent]] != (0, 0, 0):
        raise IconError("transparent character %r must have colour 000000" % transparent)
    return palette, transparent, rows, index


def build_ico(palette, transparent, rows, index):
    palette = list(palette) + [(0, 0, 0)] * (COLOURS - len(palette))

    xor_stride = (WIDTH * BITS + 31) // 32 * 4
    and_stride = (WIDTH + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # DIB rows run bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, c in enumerate(row):
            line[x // 2] |= index[c] << (4 if x % 2 == 0 else 0)
            if c == transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits

    header = struct.pack("<IiiHHIIiiII",
                         40,              # biSize
                         WIDTH,
                         HEIGHT * 2,      # XOR and AND masks together
                         1,               # biPlanes
                         BITS,
                         0,               # BI_RGB
                         len(xor) + len(mask),
                         0, 0,
                         0, 0)            # all 16 colours used and important
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    image = header + colours + bytes(xor) + bytes(mask)

    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII",
                        WIDTH, HEIGHT,
                        COLOURS,          # bColorCount
                        0,
                        1,                # wPlanes
                        BITS,             # wBitCount
                        len(image),
                        6 + 16)           # image follows the one entry
    return icondir + entry + image


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_icon.py icon.txt out.ico\n")
        return 2
    try:
        with open(argv[1], "r", encoding="ascii") as f:
            data = build_ico(*parse(f.read()))
    except (IconError, UnicodeDecodeError) as e:
        sys.stderr.write("%s: %s\n" % (argv[1], e))
        return 1
    with open(argv[2], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
