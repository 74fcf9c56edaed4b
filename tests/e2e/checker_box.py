# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a binary PPM (P6, 8 bits) on standard input and finds the box bounding
every pixel of exactly either of two colours. Prints "X Y WIDTH HEIGHT CHECKER",
where CHECKER is 1 when the box is a checkerboard of single pixels with the first
colour at its top-left corner; "none" when neither colour is there.
Arguments: R1 G1 B1 R2 G2 B2."""
import sys

from colour_box import read_ppm


def find_aligned(row, colour, backwards=False):
    """Index of the first (or last) pixel of the colour in the row, or -1."""
    at = len(row) if backwards else 0
    while True:
        at = row.rfind(colour, 0, at + 2) if backwards else row.find(colour, at)
        if at < 0 or at % 3 == 0:
            return at // 3 if at >= 0 else -1
        at = at - 1 if backwards else at + 1


def main():
    first = bytes(int(v) for v in sys.argv[1:4])
    second = bytes(int(v) for v in sys.argv[4:7])
    width, height, pixels = read_ppm(sys.stdin.buffer.read())
    stride = 3 * width
    x0, x1, y0, y1 = width, -1, height, -1
    for y in range(height):
        row = pixels[y * stride:(y + 1) * stride]
        lefts = [x for x in (find_aligned(row, first), find_aligned(row, second)) if x >= 0]
        if not lefts:
            continue
        rights = [find_aligned(row, c, backwards=True) for c in (first, second)]
        x0, x1 = min(x0, *lefts), max(x1, *rights)
        y0, y1 = min(y0, y), y
    if x1 < 0:
        print("none")
        return
    w = x1 - x0 + 1
    pattern = [((first + second) * w)[:3 * w], ((second + first) * w)[:3 * w]]
    checker = all(pixels[y * stride + 3 * x0:y * stride + 3 * (x1 + 1)] == pattern[(y - y0) % 2]
                  for y in range(y0, y1 + 1))
    print(x0, y0, w, y1 - y0 + 1, 1 if checker else 0)


main()
