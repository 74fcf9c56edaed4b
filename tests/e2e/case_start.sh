#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up and close: the windows carry exactly their captions, the stored folder
# is listed before the main window shows, and Alt+F4 writes every setting back.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

convert -size 320x200 gradient:blue-yellow "$E2E_WORK/pictures/first.jpg"
convert -size 64x48 xc:red "BMP3:$E2E_WORK/pictures/second.bmp"
# Only what the start needs: the program adds the rest when it closes.
e2e_write_ini <<INI
[Last run]
Path=$E2E_WORK/pictures
[Settings]
Filter=3
[Layout]
Maximized=0
Width=900
Height=640
INI

e2e_start_quillo
splash=$(e2e_wait_window "Starting up...")
e2e_expect_eq "splash title" "Starting up..." "$(e2e_title "$splash")"
main=$(e2e_wait_main)
e2e_expect_eq "main window title" "Brackwater Quillo III" "$(e2e_title "$main")"
read -r _ _ w h < <(e2e_geometry "$main")
e2e_expect_eq "restored client width" 900 "$w"

e2e_key "$main" ctrl+shift+F11
settings=$(e2e_wait_window "Settings...")
e2e_expect_eq "settings dialog title" "Settings..." "$(e2e_title "$settings")"
e2e_key "$settings" Escape
e2e_wait_gone "Settings..."
# Help > About through the menu bar's keys: Alt+F opens "&File", Right twice "Help".
e2e_key "$main" alt+f
e2e_key "$main" Right Right Return
about=$(e2e_wait_window "About Brackwater Quillo III...")
e2e_expect_eq "about window title" "About Brackwater Quillo III..." "$(e2e_title "$about")"
e2e_screenshot about >/dev/null
e2e_key "$about" Escape
e2e_wait_gone "About Brackwater Quillo III..."
e2e_screenshot main >/dev/null

e2e_quit "$main"
# Keys the file did not hold before, written by the program on close, in its order.
e2e_expect_eq "Path" "$E2E_WORK/pictures" "$(e2e_ini_get 'Last run' Path)"
e2e_expect_eq "Filter" 3 "$(e2e_ini_get Settings Filter)"
e2e_expect_eq "PreloadMax" 32 "$(e2e_ini_get Settings PreloadMax)"
e2e_expect_eq "Interval (slideshow)" 2000 "$(e2e_ini_get FullScreen Interval)"
e2e_expect_eq "Width" 900 "$(e2e_ini_get Layout Width)"
e2e_expect_eq "Maximized" 0 "$(e2e_ini_get Layout Maximized)"
[ -n "$(e2e_ini_get Layout BWidth)" ] || e2e_fail "BWidth not written"
e2e_expect_eq "section order" "[Last run] [Settings] [Layout] [FullScreen]" \
    "$(grep '^\[' "$E2E_INI" | tr '\n' ' ' | sed 's/ $//')"
e2e_pass
