#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the release benchmarks and times Quillo's loading and decoding of a
# 24-megapixel PNG, WebP and HEIC against pngtopnm, dwebp and heif-convert writing
# to /dev/null, rounds interleaved, printing the ratios (lower is better for Quillo).
#   bench/coded_vs_peers.sh [build dir] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_GUI=ON -DQUILLO_BUILD_TESTS=OFF \
  -DQUILLO_BUILD_BENCH=ON -DQUILLO_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" --target bench_coded
"$build/bench/bench_coded" "${2:-8}"
