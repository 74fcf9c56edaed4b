#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A preloaded folder of every listed picture type (the PNG with a transparent
# border, the TIFF named in capitals) and a text file: the fullscreen viewer steps
# through the eight pictures in name order, each at its own size and colour, then wraps.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
declare -A colour=([a]="200 40 40" [b]="40 160 60" [c]="40 60 200" [d]="220 200 40"
                   [e]="200 40 200" [f]="40 200 200" [g]="240 140 20" [h]="150 90 220")
declare -A size=([a]=300x200 [b]=280x180 [c]=260x160 [d]=240x140 [e]=220x120 [f]=200x100 [g]=180x80 [h]=160x60)
declare -A file=([a]=a.bmp [b]=b.jpg [c]=c.png [d]=d.gif [e]=e.TIF [f]=f.webp [g]=g.heic [h]=h.avif)
for k in a b d e f g h; do
    convert -size "${size[$k]}" "xc:rgb(${colour[$k]// /,})" -quality 95 -define webp:lossless=true "$pics/${file[$k]}"
done
convert -size 280x180 xc:none -fill "rgb(${colour[c]// /,})" -draw 'rectangle 10,10 269,169' "PNG32:$pics/c.png"
echo "not a picture" >"$pics/notes.txt"
e2e_write_ini <<INI
[Settings]
Preload=1
[Layout]
Maximized=0
[Last run]
Path=$pics
INI

# shows K: the screen shows picture K centred at its own size (the PNG's inner box
# lies 10 pixels inside its 280 x 180).
shows()
{
    local w=${size[$1]%x*} h=${size[$1]#*x}
    # shellcheck disable=SC2086
    [ "$(e2e_picture_box "$(e2e_screenshot "shown-$1")" ${colour[$1]} 12)" = \
        "$(((1280 - w) / 2)) $(((800 - h) / 2)) $w $h 1" ]
}
size[c]=260x160
expect_picture() { e2e_poll 50 shows "$1" || e2e_fail "${file[$1]} is not shown as expected"; }

e2e_start_quillo
main=$(e2e_wait_main)
e2e_key "$main" F11
viewer=$(e2e_wait_window "Fullscreen")
expect_picture a
for k in b c d e f g h a; do
    e2e_key "$viewer" Down
    expect_picture "$k"
done
e2e_key "$viewer" Escape
e2e_wait_gone "Fullscreen"
e2e_quit "$main"
e2e_pass
