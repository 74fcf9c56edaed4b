#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets (the "fuzz" preset) and runs one of them for a while:
#   bench/run_fuzz.sh <target> <seconds> [more libFuzzer options]
# The corpus is build/fuzz/corpus/<target>; fuzz/<target>_seeds.py, when it exists,
# writes seed files into it first, and the files of fuzz/seeds/<target>/ are copied
# in. Findings go to build/fuzz/findings/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: bench/run_fuzz.sh <target> <seconds> [libFuzzer options]"
target=${1:?$usage}
seconds=${2:?$usage}
shift 2

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "$target"

corpus=build/fuzz/corpus/$target
findings=build/fuzz/findings/$target
log=build/fuzz/$target.log
mkdir -p "$corpus" "$findings"
if [[ -f fuzz/${target}_seeds.py ]]; then
  python3 "fuzz/${target}_seeds.py" "$corpus"
fi
if [[ -d fuzz/seeds/$target ]]; then
  cp fuzz/seeds/"$target"/* "$corpus"/
fi

# UBSan findings must stop the run, or they scroll by unnoticed.
status=0
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
  "build/fuzz/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$findings/" "$@" "$corpus" >"$log" 2>&1 || status=$?

grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" || true
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
count=$(find "$findings" -type f | wc -l)
echo "$target: ${execs:-?} executions in ${seconds} s, corpus $(find "$corpus" -type f | wc -l) files," \
  "findings: $count (in $findings, full log $log)"
exit "$status"
