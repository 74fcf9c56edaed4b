#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual page renders without a single warning from man or groff, and covers
# what it must: the arguments, the settings file's two places and the exit codes.
set -euo pipefail
page=$1
version=$2
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    echo "manual page: warnings while rendering:" >&2
    echo "$warnings" >&2
    exit 1
fi
text=$(MANWIDTH=80 MAN_KEEP_FORMATTING=0 man -l "$page" 2>/dev/null | col -b)
for expected in "Quillo $version" 'FOLDER | FILE' '--help' '--version' 'quillo.ini' 'XDG_CONFIG_HOME/quillo/quillo.ini' \
                'EXIT STATUS' 'FILES'; do
    grep -qF -- "$expected" <<<"$text" || { echo "manual page: \"$expected\" missing" >&2; exit 1; }
done
echo "manual page: renders cleanly"
