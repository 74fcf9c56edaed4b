#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the smoothing benchmark in release form and compares it with Pillow in one
# run (needs python3-pil). Extra arguments go to smooth_peers.py (e.g. --rounds 7).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUILLO_BENCH_BUILD:-$root/build/bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_GUI=ON -DQUILLO_BUILD_TESTS=OFF \
  -DQUILLO_BUILD_BENCH=ON -DQUILLO_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" --target bench_smooth >/dev/null
# Debian's Pillow belongs to the system Python, whatever python3 is first on PATH.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
exec "$python" "$root/bench/smooth_peers.py" --bench "$build/bench/bench_smooth" "$@"
