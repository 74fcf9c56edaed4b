# SPDX-License-Identifier: GPL-3.0-or-later
"""Gives a JPEG file a phone's EXIF block: Make, Orientation and, in the EXIF
sub-IFD, DateTimeOriginal. Arguments: FILE ORIENTATION MAKE DATETIME."""
import struct
import sys


def ascii_value(text):
    return text.encode() + b"\0"


def main():
    path, orientation, make, taken = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    make_b, taken_b = ascii_value(make), ascii_value(taken)
    ifd0_at = 8
    ifd0_size = 2 + 3 * 12 + 4
    sub_at = ifd0_at + ifd0_size
    sub_size = 2 + 12 + 4
    data_at = sub_at + sub_size
    make_at, taken_at = data_at, data_at + len(make_b)
    tiff = b"II" + struct.pack("<HI", 42, ifd0_at)
    tiff += struct.pack("<H", 3)
    tiff += struct.pack("<HHII", 0x010F, 2, len(make_b), make_at)
    tiff += struct.pack("<HHIHH", 0x0112, 3, 1, orientation, 0)
    tiff += struct.pack("<HHII", 0x8769, 4, 1, sub_at)
    tiff += struct.pack("<I", 0)
    tiff += struct.pack("<H", 1) + struct.pack("<HHII", 0x9003, 2, len(taken_b), taken_at) + struct.pack("<I", 0)
    tiff += make_b + taken_b
    payload = b"Exif\0\0" + tiff
    with open(path, "rb") as f:
        jpeg = f.read()
    assert jpeg[:2] == b"\xff\xd8"
    segment = b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload
    with open(path, "wb") as f:
        f.write(jpeg[:2] + segment + jpeg[2:])


if __name__ == "__main__":
    main()
