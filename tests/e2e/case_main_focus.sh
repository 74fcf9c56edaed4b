#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# After a folder change the file list has the keyboard focus: Down steps to the
# next picture instead of moving the folder tree's selection to another folder.
# Checked at start-up (the stored folder) and after a refresh (F5).
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

convert -size 200x150 "xc:rgb(200,40,40)" "BMP3:$E2E_WORK/pictures/a.bmp"
convert -size 200x150 "xc:rgb(40,160,60)" "BMP3:$E2E_WORK/pictures/b.bmp"
convert -size 200x150 "xc:rgb(40,60,200)" "BMP3:$E2E_WORK/pictures/c.bmp"
# Sibling folders, so that Down in the tree would land on another folder.
mkdir -p "$E2E_WORK/aaa" "$E2E_WORK/zzz"
e2e_window_ini "$E2E_WORK/pictures" Left=20 Top=20

shown() { [ "$(e2e_picture_box "$(e2e_screenshot "$2")" $1 4 | cut -d' ' -f3-4)" = "200 150" ]; }

e2e_start_quillo
main=$(e2e_wait_main)
e2e_poll 30 shown "200 40 40" first || e2e_fail "the first picture is not shown"
e2e_key "$main" Down
e2e_poll 30 shown "40 160 60" second || e2e_fail "Down did not step to the second picture"
e2e_key "$main" F5
# The refresh keeps the row, then the focus is in the list again.
e2e_poll 30 shown "40 160 60" refreshed || e2e_fail "the refresh lost the selected picture"
e2e_key "$main" Down
e2e_poll 30 shown "40 60 200" third || e2e_fail "Down after F5 did not step to the third picture"
e2e_quit "$main"
e2e_expect_eq "folder kept" "$E2E_WORK/pictures" "$(e2e_ini_get 'Last run' Path)"
e2e_pass
