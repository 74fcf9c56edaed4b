#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# --help and --version answer and exit 0 with no display of any kind; a usage
# error exits 2 with the reason on standard error and nothing on standard output.
set -euo pipefail
program=$1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

fail() { echo "command line: $*" >&2; exit 1; }

for option in --help -h; do
    status=0
    "$program" "$option" >"$out/stdout" 2>"$out/stderr" || status=$?
    [ "$status" -eq 0 ] || fail "$option exited $status: $(cat "$out/stderr")"
    grep -q '^Usage: quillo \[OPTION\]... \[FOLDER | FILE\]$' "$out/stdout" || fail "$option printed: $(cat "$out/stdout")"
    [ ! -s "$out/stderr" ] || fail "$option wrote to standard error: $(cat "$out/stderr")"
done

status=0
"$program" --version >"$out/stdout" 2>"$out/stderr" || status=$?
[ "$status" -eq 0 ] || fail "--version exited $status: $(cat "$out/stderr")"
grep -qE '^quillo [0-9]+\.[0-9]+$' "$out/stdout" || fail "--version printed: $(cat "$out/stdout")"

for args in "--no-such-option" "one two"; do
    status=0
    # shellcheck disable=SC2086 # two words on purpose
    "$program" $args >"$out/stdout" 2>"$out/stderr" || status=$?
    [ "$status" -eq 2 ] || fail "\"$args\" exited $status, expected 2"
    [ ! -s "$out/stdout" ] || fail "\"$args\" wrote to standard output"
    grep -q "quillo --help" "$out/stderr" || fail "\"$args\" gave no hint: $(cat "$out/stderr")"
done
echo "command line: passed"
