#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a few small valid bitmap files, one per header kind, depth and compression,
# into the corpus folder given as the only argument.
import struct
import sys
from pathlib import Path


def bmp(width, height, bits, rows=b"", compression=0, palette=(), header=40, masks=(), colors_used=0, rle=b""):
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, 0, 2835, 2835,
                           colors_used, 0)
        if header > 40:
            info += b"".join(struct.pack("<I", m) for m in masks).ljust(header - 40, b"\0")
    extra = b"".join(struct.pack("<I", m) for m in masks) if header == 40 else b""
    entry = 3 if header == 12 else 4
    table = b"".join(struct.pack("<BBB", c & 255, (c >> 8) & 255, c >> 16) + b"\0" * (entry - 3) for c in palette)
    offset = 14 + len(info) + len(extra) + len(table)
    data = rle or rows
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + extra + table + data


def padded(*rows):
    return b"".join(r + b"\0" * (-len(r) % 4) for r in rows)


grey16 = [i * 0x111111 for i in range(16)]
seeds = {
    "bits1.bmp": bmp(9, 2, 1, padded(b"\xaa\x80", b"\x55\x00"), palette=[0, 0xFFFFFF]),
    "bits2.bmp": bmp(5, 2, 2, padded(b"\x1b\x40", b"\xe4\x00"), palette=[0, 0xFF0000, 0xFF00, 0xFF]),
    "bits4.bmp": bmp(3, 2, 4, padded(b"\x01\x20", b"\x34\x50"), palette=grey16),
    "bits8_short_table.bmp": bmp(3, 2, 8, padded(b"\x00\x01\x02", b"\x02\x01\x00"), palette=[0xFF, 0xFF00, 0xFF0000],
                                 colors_used=3),
    "rle8.bmp": bmp(4, 3, 8, compression=1, palette=grey16, colors_used=16,
                    rle=bytes([4, 1, 0, 0, 0, 3, 5, 6, 7, 0, 0, 2, 1, 0, 2, 9, 0, 1])),
    "rle4.bmp": bmp(5, 2, 4, compression=2, palette=grey16,
                    rle=bytes([5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1])),
    "bits16_565.bmp": bmp(2, 2, 16, padded(b"\x00\xf8\xe0\x07", b"\x1f\x00\xff\xff"), compression=3,
                          masks=(0xF800, 0x07E0, 0x001F)),
    "bits16_v4.bmp": bmp(1, 1, 16, padded(b"\x1f\x7c"), compression=3, header=108, masks=(0x7C00, 0x03E0, 0x001F)),
    "bits24_top_down.bmp": bmp(3, -2, 24, padded(b"\x00\x00\xff\x00\xff\x00\xff\x00\x00", b"\x10" * 9)),
    "bits32_v5.bmp": bmp(2, 1, 32, b"\x01\x02\x03\x04\x05\x06\x07\x08", compression=3, header=124,
                         masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
    "os2_core.bmp": bmp(2, 2, 8, padded(b"\x00\x01", b"\x01\x00"), header=12, palette=[0x123456, 0x654321]),
}
corpus = Path(sys.argv[1])
corpus.mkdir(parents=True, exist_ok=True)
for name, data in seeds.items():
    (corpus / name).write_bytes(data)
