#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A screen at scale factor 2: the fullscreen viewer shows a one-pixel checkerboard
# at its own size as a one-pixel checkerboard, 300 x 200 screen pixels for a
# 300 x 200 picture, centred; copy mode at own size clips a frame of 100 x 50
# screen pixels as 100 x 50 picture pixels.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
python3 -c '
import sys
red, blue = bytes((200, 40, 40)), bytes((40, 60, 200))
rows = b"".join(red if (x + y) % 2 == 0 else blue for y in range(200) for x in range(300))
sys.stdout.buffer.write(b"P6 300 200 255\n" + rows)' | convert ppm:- "BMP3:$pics/checker.bmp"
e2e_write_ini <<INI
[Layout]
Maximized=0
Width=500
Height=350
[Last run]
Path=$pics
INI

# shows_checker NAME X Y: the picture is on the screen pixel for pixel at X, Y, and
# nowhere else.
shows_checker()
{
    local shot
    shot=$(e2e_screenshot "$1")
    [ "$(e2e_picture_box "$shot" 40 60 200)" = "$2 $3 300 200 0" ] &&
        [ "$(e2e_picture_box "$shot" 200 40 40)" = "$2 $3 300 200 0" ] &&
        [ "$(convert "$shot" -crop "300x200+$2+$3" +repage ppm:- | compare -metric AE "$pics/checker.bmp" - null: 2>&1)" = 0 ]
}

export QT_SCALE_FACTOR=2
e2e_start_quillo
main=$(e2e_wait_main)
e2e_key "$main" F11
viewer=$(e2e_wait_window "Fullscreen")
e2e_expect_fullscreen "viewer" "$viewer"
# Centred on the 1280 x 800 screen pixels, red at its top-left corner.
e2e_poll 50 shows_checker own-size 490 300 || e2e_fail "own size: no one-pixel checkerboard at 490, 300"

e2e_key "$viewer" ctrl+c
e2e_key "$(e2e_wait_window "-=[ Brackwater Quillo III ]=-")" Return
copymode=$(e2e_wait_window "Copymode")
e2e_expect_fullscreen "copy mode" "$copymode"
e2e_poll 50 shows_checker copy-mode 0 0 || e2e_fail "copy mode: no one-pixel checkerboard at 0, 0"
e2e_activate "$copymode"
xdotool mousemove 20 20 keydown ctrl mousedown 1 mousemove 60 40 mousemove 120 70
xdotool mouseup 1 keyup ctrl
clip_size() { xclip -selection clipboard -t image/png -o 2>/dev/null | identify -format '%w %h' - 2>/dev/null; }
clip_is() { [ "$(clip_size)" = "$1" ]; }
e2e_poll 50 clip_is "100 50" || e2e_fail "a 100 x 50 frame at factor 2 clipped \"$(clip_size)\""
e2e_key "$copymode" Escape
e2e_wait_gone "Copymode"

e2e_key "$viewer" Escape
e2e_wait_gone "Fullscreen"
e2e_quit "$main"
e2e_pass
