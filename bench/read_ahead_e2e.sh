#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end timing on a real X server (Xvfb) under openbox, read from the screen:
# - `quillo FILE` of a 24-megapixel JPEG to painted, against a peer viewer from
#   Debian started the same way in the same run (feh by default);
# - Down in the main list to the next picture painted: after a pause of a few decodes,
#   and with no pause (the next press as soon as a picture is painted);
# - Down held in the main list and in the viewer: the time per picture, and how far
#   the list runs on once the key is let go (goal: at most one picture);
# - the viewer's slideshow at a picture a second: each picture on time;
# - the resident memory while stepping through 100 pictures;
# - djpeg -outfile /dev/null of the same files, for the ratios.
#   bench/read_ahead_e2e.sh QUILLO [PEER COMMAND...]
set -euo pipefail
bench=$(cd "$(dirname "$0")" && pwd)
source "$bench/../tests/e2e/lib.sh"
program=$(realpath "$1")
shift
peer=("$@")
[ ${#peer[@]} -gt 0 ] || peer=(feh)
e2e_init "$program" "${TMPDIR:-/tmp}/quillo-bench-artefacts"
py=(/usr/bin/python3 "$bench/read_ahead_e2e.py")
count=20
rounds=5
x=1100 # outside the splash, inside the picture view of a maximised main window
y=650

e2e_log "making $count pictures"
"${py[@]}" make "$E2E_WORK/pictures" "$count"
e2e_start_display 1280x800
first=$E2E_WORK/pictures/photo000.jpg

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
# restart [FILE | settings TEXT]: Quillo afresh on FILE (the first picture), with
# default settings or with a settings file of TEXT (printf's format).
restart() {
    kill "$E2E_PID"
    wait "$E2E_PID" 2>/dev/null || true # it writes its settings as it ends
    rm -f "$E2E_INI"
    if [ "${1:-}" = settings ]; then
        # shellcheck disable=SC2059
        printf "$2" >"$E2E_INI"
        set -- "$first"
    fi
    e2e_start_quillo "${1:-$first}"
}
# viewer: the fullscreen viewer opened on the first picture, painted.
viewer() {
    "${py[@]}" steps "$E2E_WORK/pictures" $x $y 0 0 0 >/dev/null
    e2e_key "$(e2e_wait_main)" F11
    e2e_wait_window Fullscreen >/dev/null
    sleep 0.5
}

djpeg_ms=$(for i in $(seq 1 $rounds); do
    s=$(date +%s%N)
    djpeg -outfile /dev/null "$first"
    echo $(( ($(date +%s%N) - s) / 1000000 ))
done | median)

# Starts alternate between the two programs, so both meet the same machine load.
quillo_start=()
peer_start=()
for i in $(seq 1 $rounds); do
    rm -f "$E2E_INI"
    quillo_start+=("$("${py[@]}" start "$E2E_WORK/pictures" $x $y 0 "$E2E_APP" "$first")")
    if command -v "${peer[0]}" >/dev/null; then
        peer_start+=("$("${py[@]}" start "$E2E_WORK/pictures" $x $y 0 "${peer[@]}" "$first")")
    fi
done
q=$(printf '%s\n' "${quillo_start[@]}" | median)
echo "djpeg -outfile /dev/null: median $djpeg_ms ms"
echo "quillo FILE to painted: median $q ms (rounds: ${quillo_start[*]})"
if [ ${#peer_start[@]} -gt 0 ]; then
    p=$(printf '%s\n' "${peer_start[@]}" | median)
    echo "${peer[0]} FILE to painted: median $p ms (rounds: ${peer_start[*]})"
    awk -v q="$q" -v p="$p" -v n="${peer[0]}" 'BEGIN {printf "quillo / %s: %.2f (goal <= 1.50)\n", n, q / p}'
else
    echo "${peer[0]} is not installed: no peer measured"
fi

rm -f "$E2E_INI"
e2e_start_quillo "$first"
steps=$(( count / 2 - 1 ))
echo "Down after a pause of 600 ms: $("${py[@]}" steps "$E2E_WORK/pictures" $x $y $steps 600 0)"
# The same on pictures that take next to nothing to decode and scale: what the key,
# the paint and reading the screen take anyway.
mkdir -p "$E2E_WORK/light"
"${py[@]}" make-light "$E2E_WORK/light" "$count"
restart "$E2E_WORK/light/photo000.jpg"
echo "  the same, 1600 x 1000 pictures of one colour: $("${py[@]}" steps "$E2E_WORK/light" $x $y $steps 600 0)"
restart
echo "Down with no pause:           $("${py[@]}" steps "$E2E_WORK/pictures" $x $y $steps 0 0)"

# From here on picture i is a copy of picture i % count: a hundred files to step through.
for i in $(seq "$count" 100); do
    cp "$E2E_WORK/pictures/photo$(printf %03d $((i % count))).jpg" "$E2E_WORK/pictures/photo$(printf %03d "$i").jpg"
done
restart
echo "Down held, main list: $("${py[@]}" held "$E2E_WORK/pictures" $x $y 3000 $count)"
restart
viewer
echo "Down held, viewer:    $("${py[@]}" held "$E2E_WORK/pictures" $x $y 3000 $count)"
restart settings '[FullScreen]\nInterval=1000\n' # a picture a second
viewer
e2e_key "$(e2e_wait_window Fullscreen)" ctrl+t
echo "Slideshow, 1 s:       $("${py[@]}" slideshow "$E2E_WORK/pictures" $x $y 15 $count)"
restart
echo "Memory: $("${py[@]}" memory "$E2E_WORK/pictures" $x $y 100 $count "$E2E_PID")"
