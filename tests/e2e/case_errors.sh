#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# An error that no handler catches is shown as a message box with its text, and
# the program runs on: "Copy to Clipboard..." on a JPEG whose header reads but
# whose pixels cannot be decoded, chosen from the picture's menu with a real
# right-click; then Quit still writes the settings.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

# Restart markers after every block, renumbered out of sequence: the header is
# sound, but decoding meets more damage than the decoder accepts.
convert -size 640x400 gradient:white-black -depth 8 pgm:- |
    cjpeg -grayscale -restart 1B > "$E2E_WORK/sound.jpg"
python3 - "$E2E_WORK/sound.jpg" "$E2E_WORK/pictures/damaged.jpg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
sos = data.index(b"\xff\xda")
at = sos + 2 + (data[sos + 2] << 8 | data[sos + 3])
for i in range(at, len(data) - 1):
    if data[i] == 0xFF and 0xD0 <= data[i + 1] <= 0xD7:
        data[i + 1] = 0xD0 + ((data[i + 1] - 0xD0 + 4) & 7)
open(sys.argv[2], "wb").write(data)
PY
e2e_window_ini "$E2E_WORK/pictures" Left=20 Top=20 BWidth=300

e2e_start_quillo
main=$(e2e_wait_main)
e2e_activate "$main"
# A menu is a mapped window that the window manager does not manage.
unmanaged_windows()
{
    local id
    for id in $(xwininfo -root -children | awk '/^ +0x/ { print $1 }'); do
        xwininfo -id "$id" | grep -q 'Override Redirect State: yes' &&
            xwininfo -id "$id" | grep -q 'IsViewable' && echo "$id"
    done
    return 0
}
before=$(unmanaged_windows)
menu_shown() { [ "$(unmanaged_windows)" != "$before" ]; }
# The picture view sits at the top left of the area right of the 300-pixel pane;
# it is sized to the picture, so a point well inside it is on the view.
xdotool mousemove --window "$main" 500 250 click 3
e2e_poll 50 menu_shown || e2e_fail "the picture's menu did not open"
# Up from the top of the menu lands on its last item, "Copy to Clipboard...".
xdotool key Up Return
box=$(e2e_wait_window "-=[ Brackwater Quillo III ]=-")
e2e_screenshot message >/dev/null
e2e_running || e2e_fail "quillo ended"
e2e_key "$box" Return
e2e_wait_gone "-=[ Brackwater Quillo III ]=-"
e2e_quit "$main"
e2e_expect_eq "Path written on Quit" "$E2E_WORK/pictures" "$(e2e_ini_get 'Last run' Path)"
e2e_expect_eq "Interval written on Quit" 2000 "$(e2e_ini_get FullScreen Interval)"
grep -q "damaged" "$E2E_WORK/quillo.log" && e2e_fail "the error went to standard error instead of a message box"
e2e_pass
