#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copy mode with real keys and mouse: Ctrl+C in the fullscreen viewer shows the
# opening message and then the picture; a Ctrl+left-drag puts the smoothed
# selection on the clipboard (its pixels are read back) and into the preview;
# Ctrl+A takes the whole picture; "Save to disk..." in the preview, which takes the
# mouse while copy mode runs, writes shot.jpeg as shot.jpg; Esc closes copy mode
# and the preview with it. The viewer's Ctrl+R renders, and the render window's
# Ctrl+C opens copy mode on the rendered picture.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
# Left half red, right half blue.
convert -size 200x300 "xc:rgb(200,40,40)" -size 200x300 "xc:rgb(40,60,200)" +append "BMP3:$pics/halves.bmp"
e2e_write_ini <<INI
[Layout]
Maximized=0
Width=900
Height=600
[Last run]
Path=$pics
INI

# clipboard NAME: the clipboard's picture as NAME.png among the artefacts.
clipboard_has_picture() { xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -q '^image/png$'; }
clipboard()
{
    local file=$E2E_ART/$1.png
    xclip -selection clipboard -t image/png -o >"$file" 2>/dev/null || return 1
    echo "$file"
}
size_of() { identify -format '%w %h' "$1"; }
clipboard_size_is() { local f; f=$(clipboard check) && [ "$(size_of "$f")" = "$1" ]; }

e2e_start_quillo
main=$(e2e_wait_main)
e2e_key "$main" F11
viewer=$(e2e_wait_window "Fullscreen")
e2e_key "$viewer" ctrl+c
# The opening message comes first, every time, with the program's title.
message=$(e2e_wait_window "-=[ Brackwater Quillo III ]=-")
e2e_screenshot message >/dev/null
e2e_window_gone "Copymode" || e2e_fail "copy mode shown before its message was answered"
e2e_key "$message" Return
copymode=$(e2e_wait_window "Copymode")
e2e_expect_fullscreen "copy mode" "$copymode"
e2e_expect_eq "copy mode on the screen" "0 0 1280 800" "$(e2e_geometry "$copymode")"
e2e_activate "$copymode"

# A drag with Ctrl held inside the red half: 100 x 50 picture pixels at own size.
xdotool mousemove 20 20 keydown ctrl mousedown 1 mousemove 60 40 mousemove 120 70
e2e_screenshot frame >/dev/null
xdotool mouseup 1 keyup ctrl
preview=$(e2e_wait_window "Selection preview")
e2e_poll 50 clipboard_has_picture || e2e_fail "no picture on the clipboard"
e2e_poll 50 clipboard_size_is "100 50" || e2e_fail "clipboard picture is $(size_of "$(clipboard drag)") after the drag"
e2e_expect_eq "clipboard pixels after the drag" "0 0 100 50 1" "$(e2e_picture_box "$(clipboard drag)" 200 40 40)"
e2e_screenshot preview >/dev/null

# A drag without Ctrl selects nothing: the clipboard keeps the last selection.
xdotool mousemove 250 20 mousedown 1 mousemove 300 80 mouseup 1
e2e_expect_eq "clipboard after a drag without Ctrl" "100 50" "$(size_of "$(clipboard plain-drag)")"

# Ctrl+A: the whole picture, red on the left and blue on the right.
e2e_key "$copymode" ctrl+a
e2e_poll 100 clipboard_size_is "400 300" || e2e_fail "Ctrl+A gave $(size_of "$(clipboard whole)")"
whole=$(clipboard whole)
red=$(e2e_picture_box "$whole" 200 40 40)
blue=$(e2e_picture_box "$whole" 40 60 200)
[ "${red%% *}" = 0 ] && [ "${blue#* }" != none ] || e2e_fail "whole picture: red at \"$red\", blue at \"$blue\""

# "Save to disk..." from the preview's menu while copy mode is still up.
read -r px py pw ph <<<"$(e2e_geometry "$preview")"
xdotool mousemove $((px + pw / 2)) $((py + ph / 2)) click 3
sleep 0.3
xdotool key Down Return
dialog=$(e2e_wait_window "Open")
e2e_screenshot save-dialog >/dev/null
e2e_activate "$dialog"
xdotool type --delay 20 "shot.jpeg"
xdotool key Return
e2e_wait_gone "Open"
e2e_poll 50 test -s "$pics/shot.jpg" || e2e_fail "no shot.jpg; the folder holds: $(ls -A "$pics" | tr '\n' ' ')"
[ -e "$pics/shot.jpeg" ] && e2e_fail "the name kept the extension .jpeg"
e2e_expect_eq "saved selection" "JPEG 400 300" "$(identify -format '%m %w %h' "$pics/shot.jpg")"

# Esc ends copy mode and takes the preview with it; the viewer is still up.
e2e_key "$copymode" Escape
e2e_wait_gone "Copymode"
e2e_wait_gone "Selection preview"

# Ctrl+R in the viewer renders the picture (400 x 300 fitted to 1066 x 800); Ctrl+C
# in the render window opens copy mode on the rendered picture.
e2e_key "$viewer" ctrl+r
render=$(e2e_wait_window "Rendering graphic")
# Red from x 107 over the full height; the filter blends a few columns at the halves' seam.
rendered()
{
    local red
    red=$(e2e_picture_box "$(e2e_screenshot rendered)" 200 40 40)
    [ "${red% * * *}" = "107 0" ] && [ "${red#* * * }" = "800 1" ]
}
e2e_poll 100 rendered || e2e_fail "the render window did not show the rendered picture"
e2e_key "$render" ctrl+c
e2e_key "$(e2e_wait_window "-=[ Brackwater Quillo III ]=-")" Return
copymode=$(e2e_wait_window "Copymode")
e2e_key "$copymode" ctrl+a
e2e_poll 100 clipboard_size_is "1066 800" || e2e_fail "Ctrl+A on the render gave $(size_of "$(clipboard render)")"
e2e_key "$copymode" Escape
e2e_wait_gone "Copymode"
e2e_key "$render" Escape
e2e_wait_gone "Rendering graphic"

e2e_key "$viewer" Escape
e2e_wait_gone "Fullscreen"
e2e_quit "$main"
e2e_pass
