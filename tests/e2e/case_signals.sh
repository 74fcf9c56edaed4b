#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# TERM, INT and HUP end the program within a second whatever is on the screen: the
# message box about a missing file shown before any window (settings untouched),
# the main window (settings written as on Quit), and a modal dialog over it.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
convert -size 64x48 xc:red "$pics/a.jpg"
write_settings()
{
    e2e_write_ini <<INI
[Layout]
Maximized=0
Width=1000
Height=700
[Last run]
Path=$pics
INI
}

# ends_within_a_second SIGNAL: sends it and waits up to 1 s for the program to end.
ends_within_a_second()
{
    kill "-$1" "$E2E_PID"
    e2e_poll 10 eval '! e2e_running' || e2e_fail "quillo still runs 1 s after $1"
    wait "$E2E_PID" || true
    E2E_PID=""
}

write_settings
cp "$E2E_INI" "$E2E_WORK/settings.orig"
e2e_start_quillo "$E2E_WORK/missing.jpg"
e2e_wait_window "-=[ Quillo III ]=-" >/dev/null
ends_within_a_second TERM
cmp -s "$E2E_INI" "$E2E_WORK/settings.orig" || e2e_fail "the settings file changed before it was read"

e2e_start_quillo
main=$(e2e_wait_main)
ends_within_a_second INT
e2e_expect_eq "Interval written as on Quit" 2000 "$(e2e_ini_get FullScreen Interval)"

write_settings
e2e_start_quillo
main=$(e2e_wait_main)
e2e_key "$main" F2
e2e_wait_window "Rename file..." >/dev/null
ends_within_a_second HUP
e2e_expect_eq "Interval written with the dialog open" 2000 "$(e2e_ini_get FullScreen Interval)"
e2e_expect_eq "folder" "a.jpg" "$(cd "$pics" && ls -A)"
e2e_pass
