#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# F6 on a phone photo stored on its side (EXIF orientation 6): the file then holds
# the picture as shown, turned a quarter clockwise, upright with the tag reset and
# the camera's make and date taken kept.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures photo=$E2E_WORK/pictures/IMG_0001.jpg
# Stored 640 x 480, red bottom left; shown upright 480 x 640, red top left.
convert -size 640x480 xc:blue -fill red -draw 'rectangle 0,380 99,479' -quality 95 "$photo"
exiv2 -M'set Exif.Image.Make Lumafone' -M'set Exif.Image.Orientation Short 6' \
  -M'set Exif.Photo.DateTimeOriginal 2026:07:14 18:03:22' "$photo"
e2e_window_ini "$pics"

tag() { exiv2 -q -K "$1" -Pv "$photo" 2>/dev/null; }

e2e_start_quillo
main=$(e2e_wait_main)
touch -d '1 hour ago' "$E2E_WORK/stamp"
touch -d '2 hours ago' "$photo"
e2e_key "$main" F6
e2e_poll 50 e2e_newer "$photo" "$E2E_WORK/stamp" || e2e_fail "F6 wrote nothing"
e2e_expect_eq "size" "640x480" "$(identify -format '%wx%h' "$photo")"
e2e_red_at "$photo" 630 10 || e2e_fail "after F6 the red corner is not top right"
e2e_expect_eq "orientation" "1" "$(tag Exif.Image.Orientation)"
e2e_expect_eq "make" "Lumafone" "$(tag Exif.Image.Make)"
e2e_expect_eq "date taken" "2026:07:14 18:03:22" "$(tag Exif.Photo.DateTimeOriginal)"
e2e_quit "$main"
e2e_pass
