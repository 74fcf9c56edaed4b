#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Rotation with real keys, checked on disk: F6 turns a bitmap a quarter clockwise,
# F7 half, F8 a quarter anticlockwise, each written straight back; a read-only
# JPEG is refused with the read-only message and keeps its bytes; a file another
# program changed is read again before it is turned.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
# 63 x 41 (odd sizes): red in the top-left quarter, blue elsewhere.
convert -size 63x41 xc:blue -fill red -draw 'rectangle 0,0 20,12' "BMP3:$pics/a.bmp"
convert -size 120x80 gradient:white-black "$pics/b.jpg"
chmod 0444 "$pics/b.jpg"
cp "$pics/b.jpg" "$E2E_WORK/b.orig"
e2e_window_ini "$pics"

size() { identify -format '%wx%h' "$1"; }
size_is() { [ "$(size "$1")" = "$2" ]; }
wait_size() { e2e_poll 50 size_is "$1" "$2" || e2e_fail "$1 is $(size "$1"), expected $2"; }

e2e_start_quillo
main=$(e2e_wait_main)
# a.bmp is the first row and selected.
touch -d '1 hour ago' "$E2E_WORK/stamp"
touch -d '2 hours ago' "$pics/a.bmp"
e2e_key "$main" F6
e2e_poll 50 e2e_newer "$pics/a.bmp" "$E2E_WORK/stamp" || e2e_fail "F6 wrote nothing"
wait_size "$pics/a.bmp" 41x63
e2e_red_at "$pics/a.bmp" 38 2 || e2e_fail "after F6 the red corner is not top right"
e2e_red_at "$pics/a.bmp" 2 2 && e2e_fail "after F6 the top left is still red"

e2e_key "$main" F7
e2e_poll 50 e2e_red_at "$pics/a.bmp" 2 60 || e2e_fail "after F7 the red corner is not bottom left"
wait_size "$pics/a.bmp" 41x63

e2e_key "$main" F8
wait_size "$pics/a.bmp" 63x41
e2e_poll 50 e2e_red_at "$pics/a.bmp" 60 38 || e2e_fail "after F8 the red corner is not bottom right"
e2e_screenshot turned >/dev/null

# The read-only JPEG, one row down: the list has the focus since the start.
e2e_key "$main" Down
e2e_key "$main" F7
box=$(e2e_wait_window "-=[ Brackwater Quillo III ]=-")
e2e_screenshot read_only >/dev/null
e2e_key "$box" Return
e2e_wait_gone "-=[ Brackwater Quillo III ]=-"
cmp -s "$E2E_WORK/b.orig" "$pics/b.jpg" || e2e_fail "the read-only file changed"
e2e_expect_eq "folder" "a.bmp b.jpg" "$(cd "$pics" && ls -A | tr '\n' ' ' | sed 's/ $//')"

# Another program replaces a.bmp: the next turn starts from that picture.
convert -size 60x30 xc:green "BMP3:$pics/a.bmp"
e2e_key "$main" Up
e2e_key "$main" F8
wait_size "$pics/a.bmp" 30x60

e2e_quit "$main"
e2e_pass
