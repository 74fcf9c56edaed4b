#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the release benchmarks and times a lossless JPEG turn written back and
# shown against jpegtran plus a decode, and showing a photo stored on its side
# against the same photo stored upright, rounds interleaved, printing the ratios.
#   bench/turn_vs_jpegtran.sh [build dir] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_GUI=ON -DQUILLO_BUILD_TESTS=OFF \
  -DQUILLO_BUILD_BENCH=ON -DQUILLO_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" --target bench_turn
"$build/bench/bench_turn" "${2:-8}"
