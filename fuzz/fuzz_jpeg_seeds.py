#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a few small valid JPEG files, one per coding kind and colour layout, into the
# corpus folder given as the only argument. libjpeg's cjpeg writes them; ImageMagick
# adds the CMYK one.
import subprocess
import sys
import tempfile
from pathlib import Path

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)


def netpbm(path, w, h, grey=False):
    pixels = bytearray()
    for y in range(h):
        for x in range(w):
            rgb = ((x * 255) // w, (y * 255) // h, ((x + y) * 40) & 255)
            pixels += bytes([sum(rgb) // 3]) if grey else bytes(rgb)
    path.write_bytes((b"P5" if grey else b"P6") + f"\n{w} {h}\n255\n".encode() + pixels)


seeds = {
    "baseline.jpg": ("rgb", ["-quality", "75"]),
    "full_chroma.jpg": ("rgb", ["-quality", "90", "-sample", "1x1"]),
    "progressive.jpg": ("rgb", ["-progressive"]),
    "grey.jpg": ("grey", []),
    "grey_progressive.jpg": ("odd_grey", ["-progressive"]),
    "odd_size.jpg": ("odd", ["-quality", "60"]),
    "arithmetic.jpg": ("rgb", ["-arithmetic"]),
    "arithmetic_progressive.jpg": ("rgb", ["-arithmetic", "-progressive"]),
    "restart.jpg": ("rgb", ["-restart", "1B"]),
    "rgb.jpg": ("rgb", ["-rgb"]),
}
with tempfile.TemporaryDirectory() as tmp:
    inputs = {"rgb": (24, 16, False), "grey": (24, 16, True), "odd": (13, 7, False), "odd_grey": (17, 9, True)}
    for key, (w, h, grey) in inputs.items():
        netpbm(Path(tmp) / key, w, h, grey)
    for name, (source, args) in seeds.items():
        try:
            subprocess.run(["cjpeg", *args, "-outfile", str(out / name), str(Path(tmp) / source)], check=True)
        except (OSError, subprocess.CalledProcessError) as e:
            print(f"skipped {name}: {e}", file=sys.stderr)
    try:
        subprocess.run(["convert", "ppm:" + str(Path(tmp) / "rgb"), "-colorspace", "CMYK", "-quality", "80",
                        str(out / "cmyk.jpg")], check=True)
    except (OSError, subprocess.CalledProcessError) as e:
        print(f"skipped cmyk.jpg: {e}", file=sys.stderr)
