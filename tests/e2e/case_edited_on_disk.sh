#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The file on disk wins: a preloaded JPEG that another program edits after the
# listing keeps that edit through a rename (F2, which only renames) and through a
# turn (F6, which reads the edited file first).
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
convert -size 320x200 gradient:blue-yellow "$pics/photo.jpg"
e2e_write_ini <<INI
[Layout]
Maximized=0
Width=1000
Height=700
[Last run]
Path=$pics
INI

size() { identify -format '%wx%h' "$1"; }
size_is() { [ "$(size "$1")" = "$2" ]; }
red_at() { [ "$(convert "$1" -format "%[fx:p{$2,$3}.r>0.5 && p{$2,$3}.b<0.5]" info:)" = 1 ]; }

e2e_start_quillo
main=$(e2e_wait_main)
# Another program edits the file the list shows.
convert -size 200x100 xc:green "$pics/photo.jpg"
cp "$pics/photo.jpg" "$E2E_WORK/edited.jpg"

e2e_key "$main" F2
e2e_activate "$(e2e_wait_window "Rename file...")"
xdotool type --delay 20 holiday
xdotool key Return
e2e_key "$(e2e_wait_window "Confirm rename...")" Return
e2e_wait_gone "Confirm rename..."
e2e_poll 50 test -e "$pics/holiday.jpg" || e2e_fail "no holiday.jpg"
cmp -s "$E2E_WORK/edited.jpg" "$pics/holiday.jpg" || e2e_fail "the rename changed the edited file"

# Edited once more, then turned a quarter clockwise: the new edit is what turns.
convert -size 90x60 xc:blue -fill red -draw 'rectangle 0,0 20,12' "$pics/holiday.jpg"
e2e_key "$main" F6
e2e_poll 50 size_is "$pics/holiday.jpg" 60x90 || e2e_fail "holiday.jpg is $(size "$pics/holiday.jpg"), expected 60x90"
red_at "$pics/holiday.jpg" 50 5 || e2e_fail "the turned file is not the edited picture"
e2e_expect_eq "folder" "holiday.jpg" "$(cd "$pics" && ls -A)"
e2e_quit "$main"
e2e_pass
