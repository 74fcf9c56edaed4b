#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs bench_catalogue and prints its figures as ratios against the peers of the
# same run: cataloguing vs `ls -l` and Python's scandir + stat, preloading vs `cat`, and heap per entry.
# Usage: bench/catalogue_vs_ls.sh [build dir]   (default build/bench, the bench preset's)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_GUI=ON -DQUILLO_BUILD_TESTS=OFF \
  -DQUILLO_BUILD_BENCH=ON -DQUILLO_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" --target bench_catalogue >/dev/null
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/bench/bench_catalogue" --benchmark_format=json --benchmark_out="$json" \
  --benchmark_out_format=json >/dev/null
python3 - "$json" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def ms(name):
    return runs[name]["real_time"]
for n in (10000, 100000):
    cat, ls = ms(f"BM_CatalogueFolder/{n}/min_time:2.000/real_time"), ms(f"BM_LsL/{n}/min_time:2.000/real_time")
    print(f"catalogue {n:>6} files: {cat:8.1f} ms, ls -l {ls:8.1f} ms, ratio {cat / ls:.2f}x (goal <= 1.5x)")
py = runs["BM_ScandirStatPython/10000/iterations:5/manual_time"]["real_time"]
c10 = ms("BM_CatalogueFolder/10000/min_time:2.000/real_time")
print(f"catalogue  10000 files: {c10:8.1f} ms, Python scandir + stat {py:8.1f} ms, ratio {c10 / py:.2f}x (goal <= 1.2x)")
c10, c100 = ms("BM_CatalogueFolder/10000/min_time:2.000/real_time"), ms("BM_CatalogueFolder/100000/min_time:2.000/real_time")
import math
print(f"growth 10k -> 100k: {c100 / c10:.1f}x (n log n predicts {10 * math.log(1e5) / math.log(1e4):.1f}x)")
mem = runs["BM_MemoryPerEntry/100000/iterations:1"]
print(f"heap per entry (100,000 entries): {mem['bytes_per_entry']:.0f} bytes beyond a {mem['path_bytes']:.0f}-byte path"
      f" (goal <= 512); sizeof entry {mem['sizeof_entry']:.0f}, holder {mem['sizeof_holder']:.0f}, row {mem['sizeof_row']:.0f}")
pre, cat = runs["BM_Preload200MB/min_time:3.000/real_time"], runs["BM_Cat200MB/min_time:3.000/real_time"]
rp, rc = pre["bytes_per_second"] / 2**20, cat["bytes_per_second"] / 2**20
rf = runs["BM_ReadIntoNewMemory200MB/min_time:3.000/real_time"]["bytes_per_second"] / 2**20
print(f"preload 200 MB: {rp:.0f} MB/s, cat {rc:.0f} MB/s, ratio {rp / rc:.2f} (goal >= 0.5)")
print(f"  reading the same files into new memory (no picture work): {rf:.0f} MB/s, {rf / rc:.2f} of cat;"
      f" preload reaches {rp / rf:.2f} of that floor")
PY
