# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a binary PPM (P6, 8 bits) on standard input and prints the box bounding
every pixel within a tolerance of a colour: "X Y WIDTH HEIGHT FILLED", where FILLED
is 1 when every pixel inside the box has the colour; "none" when no pixel has it.
Arguments: R G B [TOLERANCE]."""
import sys


def read_ppm(data):
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at) + 1
            continue
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit("colour_box: not an 8-bit binary PPM")
    return int(fields[1]), int(fields[2]), data[at + 1:]


def main():
    r, g, b = (int(v) for v in sys.argv[1:4])
    tol = int(sys.argv[4]) if len(sys.argv) > 4 else 8
    width, height, pixels = read_ppm(sys.stdin.buffer.read())
    lo = [max(0, c - tol) for c in (r, g, b)]
    hi = [min(255, c + tol) for c in (r, g, b)]
    reds, greens, blues = pixels[0::3], pixels[1::3], pixels[2::3]
    hits = [i for i, (pr, pg, pb) in enumerate(zip(reds, greens, blues))
            if lo[0] <= pr <= hi[0] and lo[1] <= pg <= hi[1] and lo[2] <= pb <= hi[2]]
    if not hits:
        print("none")
        return
    xs = [p % width for p in hits]
    ys = [p // width for p in hits]
    x0, x1, y0, y1 = min(xs), max(xs), min(ys), max(ys)
    filled = len(hits) == (x1 - x0 + 1) * (y1 - y0 + 1)
    print(x0, y0, x1 - x0 + 1, y1 - y0 + 1, 1 if filled else 0)


main()
