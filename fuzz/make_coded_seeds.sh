#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the small seed pictures of the read-only format fuzz targets into
# fuzz/seeds/fuzz_<format>/ (Pillow for PNG, GIF, TIFF and WebP; heif-enc for HEIC
# and AVIF). Run once when the seeds should change; the results are checked in.
set -euo pipefail
cd "$(dirname "$0")/seeds"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz_png fuzz_gif fuzz_tiff fuzz_webp fuzz_heif fuzz_avif
WORK=$work /usr/bin/python3 - <<'PY'
import os
from PIL import Image
rgb = Image.new('RGB', (16, 12))
rgb.putdata([((x * 16) % 256, (y * 20) % 256, (x * y) % 256) for y in range(12) for x in range(16)])
grey16 = Image.frombytes('I;16', (16, 12), bytes(range(256)) + bytes(128))
rgba = rgb.convert('RGBA'); rgba.putalpha(128)
exif = Image.Exif(); exif[0x0112] = 6
rgb.save('fuzz_png/rgb.png'); rgba.save('fuzz_png/alpha.png'); rgb.convert('P').save('fuzz_png/palette.png')
rgb.save('fuzz_png/turned.png', exif=exif.tobytes()); grey16.save('fuzz_png/grey16.png')
rgb.convert('P').save('fuzz_gif/still.gif', transparency=3)
rgb.save('fuzz_gif/frames.gif', save_all=True, append_images=[rgba.convert('P')], duration=100, loop=0)
rgb.save('fuzz_tiff/plain.tif'); rgb.save('fuzz_tiff/lzw.tif', compression='tiff_lzw')
rgb.convert('CMYK').save('fuzz_tiff/cmyk.tif'); rgba.save('fuzz_tiff/alpha.tif')
grey16.save('fuzz_tiff/grey16.tif')
rgb.save('fuzz_webp/lossy.webp', quality=50); rgba.save('fuzz_webp/alpha.webp', lossless=True)
rgb.save('fuzz_webp/turned.webp', lossless=True, exif=exif.tobytes())
rgb.save('fuzz_webp/frames.webp', save_all=True, append_images=[rgba], duration=100)
rgb.save(os.environ['WORK'] + '/seed.png'); rgba.save(os.environ['WORK'] + '/alpha.png')
PY
heif-enc -q 30 -o fuzz_heif/plain.heic "$work/seed.png" >/dev/null
heif-enc -q 30 -o fuzz_heif/alpha.heic "$work/alpha.png" >/dev/null
heif-enc -A -q 30 -o fuzz_avif/plain.avif "$work/seed.png" >/dev/null
heif-enc -A -q 30 -o fuzz_avif/alpha.avif "$work/alpha.png" >/dev/null
