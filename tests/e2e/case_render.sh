#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# "Render fullscreen..." (Ctrl+R) under a window manager, where maximising arrives
# after the window is first shown: the picture is rendered for the maximised
# window (the whole 1280 x 800 screen here) and shown centred at 1:1.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

# render_case NAME FILE R G B: opens the program on a folder holding only FILE (one
# colour, R G B), renders it and checks where the result lands on the screen.
render_case()
{
    local name=$1 file=$2 r=$3 g=$4 b=$5
    local folder=$E2E_WORK/pictures/$name
    mkdir -p "$folder"
    mv "$file" "$folder/"
    e2e_write_ini <<INI
[Settings]
Filter=0
[Layout]
Maximized=0
Left=40
Top=40
Width=800
Height=600
[Last run]
Path=$folder
INI
    e2e_start_quillo
    local main render shot box previous="" i
    main=$(e2e_wait_main)
    e2e_key "$main" ctrl+r
    render=$(e2e_wait_window "Rendering graphic")
    # The result is up once the label over the preview has gone and two screenshots
    # in a row agree on where the picture is.
    for ((i = 0; i < 60; i++)); do
        shot=$(e2e_screenshot "$name")
        box=$(e2e_picture_box "$shot" "$r" "$g" "$b")
        if [ "$box" = "$previous" ] && [ "${box##* }" = 1 ]; then break; fi
        previous=$box
        sleep 0.2
    done
    e2e_expect_eq "$name: render window on the screen" "0 0 1280 800" "$(e2e_geometry "$render")"
    e2e_expect_eq "$name: rendered picture (x y width height, filled)" "107 0 1066 800 1" "$box"
    e2e_key "$render" Escape
    e2e_wait_gone "Rendering graphic"
    e2e_quit "$main"
}

convert -size 400x300 "xc:rgb(200,40,40)" "BMP3:$E2E_WORK/small.bmp"
render_case enlarged "$E2E_WORK/small.bmp" 200 40 40
convert -size 4000x3000 "xc:rgb(40,160,60)" -quality 95 "$E2E_WORK/large.jpg"
render_case reduced "$E2E_WORK/large.jpg" 40 160 60
e2e_pass
