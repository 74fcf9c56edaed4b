#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A folder of every listed picture type (BMP, JPEG, PNG with a transparent border,
# GIF, TIFF named in capitals, WebP, HEIC, AVIF) and a file of another type: F11
# opens the viewer on the first row, and Down steps through the eight pictures
# in name order, each shown at its own size and colour, then wraps to the first.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
declare -A colour=([a]="200 40 40" [b]="40 160 60" [c]="40 60 200" [d]="220 200 40"
                   [e]="200 40 200" [f]="40 200 200" [g]="240 140 20" [h]="150 90 220")
declare -A size=([a]=300x200 [b]=280x180 [c]=260x160 [d]=240x140 [e]=220x120 [f]=200x100 [g]=180x80 [h]=160x60)
declare -A file=([a]=a.bmp [b]=b.jpg [c]=c.png [d]=d.gif [e]=e.TIF [f]=f.webp [g]=g.heic [h]=h.avif)
for k in a b d e f g h; do
    rgb=${colour[$k]}
    convert -size "${size[$k]}" "xc:rgb(${rgb// /,})" -quality 95 -define webp:lossless=true \
        "$pics/${file[$k]}"
done
# The PNG: its own colour inside a transparent 10-pixel border.
convert -size 280x180 xc:none -fill "rgb(${colour[c]// /,})" -draw 'rectangle 10,10 269,169' "PNG32:$pics/c.png"
size[c]=260x160
echo "not a picture" >"$pics/notes.txt"

e2e_write_ini <<INI
[Settings]
Preload=1
MaxPreload=32
[Layout]
Maximized=0
Width=900
Height=600
[Last run]
Path=$pics
INI

# The box where a picture of W x H shows centred at its own size on the screen,
# and the PNG's inner box inside its 280 x 180 picture.
box_for()
{
    local w=${size[$1]%x*} h=${size[$1]#*x}
    echo "$(((1280 - w) / 2)) $(((800 - h) / 2)) $w $h 1"
}
box_for_c() { echo "$(((1280 - 280) / 2 + 10)) $(((800 - 180) / 2 + 10)) 260 160 1"; }
shows()
{
    local shot expected
    shot=$(e2e_screenshot "shown-$1")
    expected=$( [ "$1" = c ] && box_for_c || box_for "$1")
    # shellcheck disable=SC2086
    [ "$(e2e_picture_box "$shot" ${colour[$1]} 12)" = "$expected" ]
}
expect_picture()
{
    e2e_poll 50 shows "$1" || e2e_fail "${file[$1]}: expected its picture, the screen shows $(e2e_picture_box \
        "$(e2e_screenshot "wrong-$1")" ${colour[$1]} 12) for its colour"
}

e2e_start_quillo
main=$(e2e_wait_main)
e2e_key "$main" F11
viewer=$(e2e_wait_window "Fullscreen")
expect_picture a
for k in b c d e f g h; do
    e2e_key "$viewer" Down
    expect_picture "$k"
done
e2e_key "$viewer" Down
expect_picture a
e2e_key "$viewer" Escape
e2e_wait_gone "Fullscreen"
e2e_quit "$main"
e2e_pass
