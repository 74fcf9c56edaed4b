#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A phone photo stored on its side (EXIF orientation 6) is turned with F6 under the
# window manager: the file on disk then holds the picture turned a quarter
# clockwise from how it was shown, stored upright with the tag reset, the camera's
# make and date taken kept.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
# Stored 640 x 480 with red in the bottom-left corner: upright (turned a quarter
# clockwise) it is 480 x 640 with red top left.
convert -size 640x480 xc:blue -fill red -draw 'rectangle 0,380 99,479' -quality 95 "$pics/IMG_0001.jpg"
python3 "$(dirname "$0")/phone_exif.py" "$pics/IMG_0001.jpg" 6 Lumafone "2026:07:14 18:03:22"
e2e_write_ini <<INI
[Layout]
Maximized=0
Width=1000
Height=700
[Last run]
Path=$pics
INI

exif() { identify -format "%[EXIF:$2]" "$1" 2>/dev/null; }
red_at() { [ "$(convert "$1" -format "%[fx:p{$2,$3}.r>0.5 && p{$2,$3}.b<0.5]" info:)" = 1 ]; }
changed_since() { [ "$1" -nt "$2" ]; }

e2e_start_quillo
main=$(e2e_wait_main)
touch -d '1 hour ago' "$E2E_WORK/stamp"
touch -d '2 hours ago' "$pics/IMG_0001.jpg"
e2e_key "$main" F6
e2e_poll 50 changed_since "$pics/IMG_0001.jpg" "$E2E_WORK/stamp" || e2e_fail "F6 wrote nothing"
e2e_screenshot turned >/dev/null

# Shown upright then turned clockwise: 640 x 480 with red top right, stored that way.
e2e_expect_eq "size" "640x480" "$(identify -format '%wx%h' "$pics/IMG_0001.jpg")"
red_at "$pics/IMG_0001.jpg" 630 10 || e2e_fail "after F6 the red corner is not top right"
red_at "$pics/IMG_0001.jpg" 10 470 && e2e_fail "after F6 the red corner is still bottom left"
e2e_expect_eq "orientation" "1" "$(exif "$pics/IMG_0001.jpg" Orientation)"
e2e_expect_eq "make" "Lumafone" "$(exif "$pics/IMG_0001.jpg" Make)"
e2e_expect_eq "date taken" "2026:07:14 18:03:22" "$(exif "$pics/IMG_0001.jpg" DateTimeOriginal)"

e2e_quit "$main"
e2e_pass
