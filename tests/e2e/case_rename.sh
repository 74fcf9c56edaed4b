#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renaming with real keys: F2 opens "Rename file..." on the selected row, the typed
# name keeps the old extension, characters Windows refuses cannot be typed, Yes in
# "Confirm rename..." renames the file on disk and only renames it (another
# program's edit stays); Esc, No and the name of another file change nothing.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display 1280x800

pics=$E2E_WORK/pictures
convert -size 320x200 gradient:blue-yellow "$pics/photo.jpg"
convert -size 64x48 xc:red "BMP3:$pics/second.bmp"
convert -size 32x32 xc:green "$pics/taken.jpg"
cp "$pics/photo.jpg" "$E2E_WORK/photo.orig"
cp "$pics/taken.jpg" "$E2E_WORK/taken.orig"
e2e_window_ini "$pics"

questions=0
listing() { (cd "$pics" && ls -A | tr '\n' ' ' | sed 's/ $//'); }
same_file() { cmp -s "$1" "$2" || e2e_fail "$2 is not what $1 was"; }

# rename_typing MAIN TEXT ANSWER: F2, the text typed over the selected old name,
# Enter, then ANSWER (Return for Yes, Escape for No) in the question.
rename_typing()
{
    e2e_key "$1" F2
    local dialog question
    dialog=$(e2e_wait_window "Rename file...")
    e2e_activate "$dialog"
    [ "$questions" -gt 0 ] || e2e_screenshot dialog >/dev/null
    xdotool type --delay 20 "$2"
    xdotool key Return
    question=$(e2e_wait_window "Confirm rename...")
    questions=$((questions + 1))
    e2e_screenshot "question_$questions" >/dev/null
    e2e_key "$question" "$3"
    e2e_wait_gone "Confirm rename..."
}

e2e_start_quillo
main=$(e2e_wait_main)
# Another program edits the listed (preloaded) photo.jpg: the rename keeps the edit.
convert -size 200x100 xc:green "$pics/photo.jpg"
cp "$pics/photo.jpg" "$E2E_WORK/photo.orig"
# The first row, photo.jpg, is selected. ? / and : cannot be typed.
rename_typing "$main" 'holi?da/y:' Return
e2e_poll 50 test -e "$pics/holiday.jpg" || e2e_fail "no holiday.jpg; the folder holds: $(listing)"
e2e_expect_eq "folder after the rename" "holiday.jpg second.bmp taken.jpg" "$(listing)"
same_file "$E2E_WORK/photo.orig" "$pics/holiday.jpg"

# Esc closes the dialog as Cancel: nothing asked, nothing renamed.
e2e_key "$main" F2
e2e_key "$(e2e_wait_window "Rename file...")" x Escape
e2e_wait_gone "Rename file..."
e2e_window_gone "Confirm rename..." || e2e_fail "a question after Esc"
e2e_expect_eq "folder after Esc" "holiday.jpg second.bmp taken.jpg" "$(listing)"

# The name of another file: confirmed, refused with the reason, both files as they were.
rename_typing "$main" taken Return
refusal=$(e2e_wait_window "-=[ Brackwater Quillo III ]=-")
e2e_screenshot refused >/dev/null
e2e_key "$refusal" Return
e2e_wait_gone "-=[ Brackwater Quillo III ]=-"
e2e_expect_eq "folder after renaming onto taken.jpg" "holiday.jpg second.bmp taken.jpg" "$(listing)"
same_file "$E2E_WORK/photo.orig" "$pics/holiday.jpg"
same_file "$E2E_WORK/taken.orig" "$pics/taken.jpg"

# No in the question changes nothing either.
rename_typing "$main" other Escape
e2e_expect_eq "folder after No" "holiday.jpg second.bmp taken.jpg" "$(listing)"

e2e_quit "$main"
e2e_pass
