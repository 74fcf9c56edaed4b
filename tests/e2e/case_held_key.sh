#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Down held in the main list on pictures that take longer to decode than the key
# repeats: the pictures keep coming while the key is held, and once it is let go
# the list stops at once instead of working through the presses that piled up.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800
held=(/usr/bin/python3 "$E2E_DIR/../../bench/read_ahead_e2e.py")
"${held[@]}" make "$E2E_WORK/pictures" 40 4000 3000
rm -f "$E2E_INI"
e2e_start_quillo "$E2E_WORK/pictures/photo000.jpg"
e2e_wait_main >/dev/null
# "N pictures painted while held (...); after the key was let go M more, ..."
report=$("${held[@]}" held "$E2E_WORK/pictures" 1100 650 2000 40)
e2e_log "$report"
painted=$(sed -n 's/^\([0-9]*\) pictures painted while held.*/\1/p' <<<"$report")
more=$(sed -n 's/.*let go \([0-9]*\) more.*/\1/p' <<<"$report")
[ "${painted:-0}" -ge 4 ] || e2e_fail "only ${painted:-no} pictures painted while the key was held"
# The one being decoded as the key went up, a repeat that came just before, and one
# painted as the key went up but not yet read from the screen.
[ "${more:-99}" -le 3 ] || e2e_fail "the list ran on ${more:-?} pictures after the key was let go"
e2e_quit "$(e2e_wait_main)"
e2e_pass
