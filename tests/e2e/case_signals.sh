#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# TERM, INT and HUP end the program within a second whatever is on the screen: the
# box about a missing file shown before any window (the settings, not read yet,
# stay as they were), and a dialog over the main window (settings written as on Quit).
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800
convert -size 64x48 xc:red "$E2E_WORK/pictures/a.jpg"
printf '[Last run]\nPath=%s\n' "$E2E_WORK/pictures" | e2e_write_ini
cp "$E2E_INI" "$E2E_WORK/settings.orig"

ends_within_a_second()
{
    kill "-$1" "$E2E_PID"
    e2e_poll 10 eval '! e2e_running' || e2e_fail "quillo still runs 1 s after $1"
    wait "$E2E_PID" || true
}

e2e_start_quillo "$E2E_WORK/missing.jpg"
e2e_wait_window "-=[ Quillo III ]=-" >/dev/null
ends_within_a_second TERM
cmp -s "$E2E_INI" "$E2E_WORK/settings.orig" || e2e_fail "the settings file changed before it was read"

for signal in INT HUP; do
    e2e_start_quillo
    e2e_key "$(e2e_wait_main)" F2
    e2e_wait_window "Rename file..." >/dev/null
    ends_within_a_second $signal
    e2e_expect_eq "Interval written after $signal" 2000 "$(e2e_ini_get FullScreen Interval)"
    cp "$E2E_WORK/settings.orig" "$E2E_INI"
done
e2e_pass
