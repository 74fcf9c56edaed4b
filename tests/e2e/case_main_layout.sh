#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The stored layout stays as it is over runs in which the user changes nothing:
# three runs in a row, maximised or not, write the same bounds and the same
# folder-tree height. A window without a stored position opens centred, also
# when "SaveSettings" is off.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800
convert -size 64x48 xc:red "BMP3:$E2E_WORK/pictures/one.bmp"

layout() { printf '%s ' "$(e2e_ini_get Layout Left)" "$(e2e_ini_get Layout Top)" "$(e2e_ini_get Layout Width)" \
    "$(e2e_ini_get Layout Height)" "$(e2e_ini_get Layout BHeight)" "$(e2e_ini_get Layout BWidth)"; }
client_is() { [ "$(e2e_geometry "$1" | cut -d' ' -f3-4)" = "$2" ]; }

# three_runs MAXIMIZED: starts and quits the program three times on one settings
# file and checks that the layout keys never move.
three_runs()
{
    local maximized=$1 run main first=""
    e2e_write_ini <<INI
[Settings]
SaveSettings=1
[Layout]
Left=100
Top=80
Width=900
Height=640
BHeight=226
BWidth=349
Maximized=$maximized
[Last run]
Path=$E2E_WORK/pictures
INI
    for run in 1 2 3; do
        e2e_start_quillo
        main=$(e2e_wait_main)
        if [ "$maximized" = 1 ]; then
            # Maximising arrives from the window manager after the window shows.
            e2e_poll 50 eval '[ "$(e2e_geometry "$main" | cut -d" " -f3)" = 1280 ]' ||
                e2e_fail "run $run: the window was not maximised"
        fi
        e2e_screenshot "maximized$maximized-run$run" >/dev/null
        e2e_quit "$main"
        e2e_expect_eq "maximised $maximized, run $run: Maximized" "$maximized" "$(e2e_ini_get Layout Maximized)"
        e2e_expect_eq "maximised $maximized, run $run: folder tree height" 226 "$(e2e_ini_get Layout BHeight)"
        if [ -z "$first" ]; then first=$(layout); fi
        e2e_expect_eq "maximised $maximized, run $run: Left Top Width Height BHeight BWidth" "$first" "$(layout)"
    done
    if [ "$maximized" = 0 ]; then
        e2e_expect_eq "restored bounds" "100 80 900 640 226 349 " "$first"
    fi
}

three_runs 1
three_runs 0

# centred SAVESETTINGS: no stored position (or one that is not restored): the
# window's centre is the screen's, give or take the frame's title bar.
centred()
{
    local save=$1 main x y w h
    if [ "$save" = 1 ]; then
        printf '[Settings]\nSaveSettings=1\n[Layout]\nWidth=800\nHeight=500\nMaximized=0\n' | e2e_write_ini
    else
        printf '[Settings]\nSaveSettings=0\n[Layout]\nLeft=5\nTop=5\nWidth=800\nHeight=500\nMaximized=0\n' |
            e2e_write_ini
    fi
    e2e_start_quillo
    main=$(e2e_wait_main)
    read -r x y w h < <(e2e_geometry "$main")
    e2e_screenshot "centred-save$save" >/dev/null
    local dx=$((x + w / 2 - 640)) dy=$((y + h / 2 - 400))
    if [ ${dx#-} -gt 2 ] || [ ${dy#-} -gt 20 ]; then
        e2e_fail "SaveSettings=$save: window at $x,$y size ${w}x$h is not centred on 1280x800"
    fi
    e2e_quit "$main"
}

centred 1
centred 0
e2e_pass
