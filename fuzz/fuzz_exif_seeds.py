#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Seeds for fuzz_exif: EXIF blocks (first byte odd) with an orientation tag, a
# sub-IFD, a thumbnail IFD and text tags, in both byte orders.
import struct
import sys
from pathlib import Path


def tiff(order, entries, next_ifd=0, extra=b""):
    e = "<" if order == b"II" else ">"
    body = order + struct.pack(e + "HI", 42, 8) + struct.pack(e + "H", len(entries))
    for tag, kind, count, value in entries:
        body += struct.pack(e + "HHII", tag, kind, count, value) if kind != 3 or count != 1 else \
            struct.pack(e + "HHIHH", tag, kind, count, value, 0)
    return body + struct.pack(e + "I", next_ifd) + extra


out = Path(sys.argv[1])
for order in (b"II", b"MM"):
    name = order.decode()
    ifd_end = 8 + 2 + 12 * 4 + 4
    make = b"Lumafone\0"
    sub = struct.pack("<H" if order == b"II" else ">H", 1)
    seeds = {
        "orientation": tiff(order, [(0x112, 3, 1, 6)]),
        "full": tiff(order, [(0x10F, 2, len(make), ifd_end), (0x112, 3, 1, 8), (0x8769, 4, 1, ifd_end + len(make)),
                             (0x131, 2, 4, 0x41424300)], 0, make + sub + bytes(16)),
        "loop": tiff(order, [(0x112, 3, 1, 3)], 8),
    }
    for key, block in seeds.items():
        # In a JPEG, a PNG and a WebP file.
        for kind in (1, 2, 3):
            (out / f"seed_{name}_{key}_{kind}").write_bytes(bytes([kind]) + block)
