#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Opening from the command line, as a file manager does through the desktop entry:
# a folder opens that folder, a picture opens its folder with that picture shown,
# both instead of the stored folder (which the close then overwrites as usual); a
# path that cannot be opened is reported in a message box before the normal start.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

# The stored folder holds one red picture; the named folder holds a blue first row
# and, further down, a green picture whose name has a space and a byte that is not
# valid UTF-8.
stored=$E2E_WORK/pictures/stored
# Under the home folder, so the folder tree's first root leads to it (the
# screenshot of this case is the one the AppStream metadata shows).
named="$HOME/Pictures/named folder"
green_name=$'z green \xe9t\xe9.bmp'
mkdir -p "$stored" "$named"
convert -size 120x90 "xc:rgb(200,30,30)" "$stored/red.jpg"
convert -size 160x100 "xc:rgb(30,30,200)" "BMP3:$named/a blue.bmp"
convert -size 140x110 "xc:rgb(40,160,60)" "BMP3:$named/$green_name"

write_settings()
{
    e2e_write_ini <<INI
[Settings]
Preloading=1
[Layout]
Maximized=0
Left=20
Top=20
Width=900
Height=640
[Last run]
Path=$stored
INI
}

# shown NAME R G B: the box of the colour on a fresh screenshot ("none" when absent).
shown()
{
    e2e_picture_box "$(e2e_screenshot "$1")" "$2" "$3" "$4"
}

# --- a folder: listed instead of the stored one, its first row shown.
write_settings
e2e_start_quillo "$named"
main=$(e2e_wait_main)
e2e_expect_eq "folder: first row shown (x y width height filled)" "160 100 1" \
    "$(shown folder 30 30 200 | cut -d' ' -f3-)"
e2e_expect_eq "folder: stored folder not shown" "none" "$(shown folder_stored 200 30 30)"
e2e_quit "$main"
e2e_expect_eq "folder: stored on close" "$named" "$(e2e_ini_get 'Last run' Path)"

# --- a picture file, given relative to the current folder: its row is selected and
# its picture shown, not the first row's.
write_settings
cd "$named"
e2e_start_quillo "./$green_name"
cd "$E2E_WORK"
main=$(e2e_wait_main)
e2e_expect_eq "file: its picture shown (width height filled)" "140 110 1" \
    "$(shown file 40 160 60 | cut -d' ' -f3-)"
e2e_expect_eq "file: first row not shown" "none" "$(shown file_first 30 30 200)"
e2e_quit "$main"
e2e_expect_eq "file: its folder stored on close" "$named" "$(e2e_ini_get 'Last run' Path)"

# --- a path that does not exist: a message box first, nothing else yet; after it
# is answered the normal start opens the stored folder.
write_settings
e2e_start_quillo "$E2E_WORK/no such picture.jpg"
box=$(e2e_wait_window "-=[ Quillo III ]=-")
e2e_screenshot bad_path_message >/dev/null
[ -z "$(e2e_find_window "Brackwater Quillo III" || true)" ] || e2e_fail "main window shown before the message was answered"
[ -z "$(e2e_find_window "Starting up..." || true)" ] || e2e_fail "splash shown before the message was answered"
e2e_key "$box" Return
e2e_wait_gone "-=[ Quillo III ]=-"
main=$(e2e_wait_main)
e2e_expect_eq "bad path: stored folder shown (width height filled)" "120 90 1" \
    "$(shown bad_path 200 30 30 | cut -d' ' -f3-)"
e2e_quit "$main"
e2e_expect_eq "bad path: stored folder kept" "$stored" "$(e2e_ini_get 'Last run' Path)"
e2e_pass
