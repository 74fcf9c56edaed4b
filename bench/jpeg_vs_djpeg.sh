#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the release benchmarks and times Quillo's loading and decoding of a
# 24-megapixel JPEG against djpeg -outfile /dev/null, rounds interleaved, printing
# the ratio (lower is better for Quillo).
#   bench/jpeg_vs_djpeg.sh [build dir] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
# Benchmarks build in a folder of their own (the bench preset's), never in the
# program's build/release.
build=${1:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_GUI=ON -DQUILLO_BUILD_TESTS=OFF \
  -DQUILLO_BUILD_BENCH=ON -DQUILLO_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" --target bench_jpeg
"$build/bench/bench_jpeg" "${2:-12}"
