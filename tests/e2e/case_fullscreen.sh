#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The fullscreen viewer with real keys: F11 opens it, fullscreen in the window
# manager's sense, on the selected row; Down and Up step through the list with
# wrap-around, as does the wheel on both axes (right never goes back); Alt+Enter
# fits the picture to the screen and back; Ctrl+T runs the slideshow and Space
# stops it; Ctrl+I sets the interval, which the settings file keeps; Esc closes the viewer and the main
# window is back as it was, with the focus.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
convert -size 300x200 "xc:rgb(200,40,40)" "BMP3:$pics/a.bmp"
convert -size 200x150 "xc:rgb(40,160,60)" "BMP3:$pics/b.bmp"
convert -size 100x80 "xc:rgb(40,60,200)" "BMP3:$pics/c.bmp"
e2e_write_ini <<INI
[Settings]
Preloading=0
[Layout]
Maximized=0
Width=900
Height=600
[FullScreen]
Interval=1000
[Last run]
Path=$pics
INI

declare -A colour=([red]="200 40 40" [green]="40 160 60" [blue]="40 60 200")

# box_of NAME COLOUR: where the picture of that colour is on the screen now.
box_of()
{
    local shot
    shot=$(e2e_screenshot "$1")
    # shellcheck disable=SC2086
    e2e_picture_box "$shot" ${colour[$2]}
}

# shows COLOUR BOX: true once the screen shows that colour's picture at BOX.
shows() { [ "$(box_of current "$1")" = "$2" ]; }

# expect_picture WHAT COLOUR BOX: waits until the screen shows it.
expect_picture()
{
    e2e_poll 50 shows "$2" "$3" || e2e_fail "$1: expected the $2 picture at \"$3\", got \"$(box_of current "$2")\""
}

# Own size, centred on the 1280 x 800 screen.
red_box="490 300 300 200 1"
green_box="540 325 200 150 1"
blue_box="590 360 100 80 1"

e2e_start_quillo
main=$(e2e_wait_main)
main_geometry=$(e2e_geometry "$main")
main_state=$(e2e_wm_state "$main")
e2e_key "$main" F11
viewer=$(e2e_wait_window "Fullscreen")
e2e_expect_fullscreen "viewer" "$viewer"
e2e_expect_eq "viewer on the screen" "0 0 1280 800" "$(e2e_geometry "$viewer")"
expect_picture "opened on the first row" red "$red_box"

e2e_key "$viewer" Down
expect_picture "Down" green "$green_box"
e2e_key "$viewer" Down
expect_picture "Down again" blue "$blue_box"
e2e_key "$viewer" Down
expect_picture "Down past the last row wraps" red "$red_box"
e2e_key "$viewer" Up
expect_picture "Up before the first row wraps" blue "$blue_box"

# The wheel: buttons 4/5 up/down, 6/7 left/right, one notch each.
xdotool mousemove 640 400
xdotool click 7 click 7
expect_picture "two scrolls to the right go forwards twice" green "$green_box"
xdotool click 6
expect_picture "a scroll to the left goes back" red "$red_box"
xdotool click 5
expect_picture "the wheel towards the user goes forwards" green "$green_box"
xdotool click 4 click 4
expect_picture "two notches away from the user go back twice" blue "$blue_box"

# Fitted: 100 x 80 becomes 1000 x 800, the caption strip covering its top 13 rows.
e2e_key "$viewer" alt+Return
expect_picture "Alt+Enter fits" blue "140 13 1000 787 1"
e2e_key "$viewer" alt+Return
expect_picture "Alt+Enter again shows the own size" blue "$blue_box"

# The slideshow steps every second (from c to a, wrapping) until Space.
e2e_key "$viewer" ctrl+t
expect_picture "the slideshow's first step" red "$red_box"
expect_picture "the slideshow's second step" green "$green_box"
e2e_key "$viewer" space
# Stopped: whatever shows now is still there after more than two intervals (the
# one wait here that is not a poll: it checks that nothing happens).
shot=$(e2e_screenshot stopped)
shown=""
for name in red green blue; do
    box=$(e2e_picture_box "$shot" ${colour[$name]})
    [ "$box" = none ] || { shown=$name; shown_box=$box; }
done
[ -n "$shown" ] || e2e_fail "no picture after Space"
for t in 1 2; do
    sleep 1.2
    [ "$(box_of "stopped-$t" "$shown")" = "$shown_box" ] || e2e_fail "the slideshow went on after Space"
done

# Ctrl+I: the dialog shows 1 second; 3 typed over the selected entry and Enter.
e2e_key "$viewer" ctrl+i
dialog=$(e2e_wait_window "Interval instellen")
e2e_screenshot interval >/dev/null
e2e_key "$dialog" 3 Return
e2e_wait_gone "Interval instellen"

e2e_key "$viewer" Escape
e2e_wait_gone "Fullscreen"
e2e_poll 50 e2e_is_active "$main" || e2e_fail "the main window did not get the focus back"
e2e_expect_eq "main window's place after the viewer" "$main_geometry" "$(e2e_geometry "$main")"
e2e_expect_eq "main window's state after the viewer" "$main_state" "$(e2e_wm_state "$main")"
e2e_quit "$main"
e2e_expect_eq "interval in the settings file" "3000" "$(e2e_ini_get FullScreen Interval)"
e2e_pass
