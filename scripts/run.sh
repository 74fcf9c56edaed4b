#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh machine, builds Quillo and starts it (needs a display).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Every option the program's build relies on, whatever an earlier run left in the cache.
cmake --preset release -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_GUI=ON -DQUILLO_BUILD_TESTS=OFF \
  -DQUILLO_BUILD_BENCH=OFF -DQUILLO_BUILD_FUZZ=OFF >/dev/null
cmake --build --preset release --target quillo
exec ./build/release/src/quillo "$@"
