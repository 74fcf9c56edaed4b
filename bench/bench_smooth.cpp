// SPDX-License-Identifier: GPL-3.0-or-later
// Copy mode's smoothing of a 1000 x 800 selection: rendered at 2000 x 1600 with a
// filter, then halved by 2 x 2 averaging. bench/smooth_peers.py runs this with
// Pillow doing the same (2x resize, then Image.reduce(2)) in the same run.
#include "render/Resample.h"
#include "render/SmoothClip.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace quillo;

namespace {

TBitmap Selection()
{
    TBitmap b(1000, 800, 24);
    std::mt19937 rng(3);
    for (int y = 0; y < b.Height(); ++y) {
        std::uint8_t *row = b.ScanLine(y);
        for (int x = 0; x < b.Width() * 3; ++x)
            row[x] = static_cast<std::uint8_t>(rng());
    }
    return b;
}

void Smooth(benchmark::State &state)
{
    const auto filter = static_cast<std::uint8_t>(state.range(0));
    SetResampleThreads(static_cast<int>(state.range(1)));
    const TBitmap selection = Selection();
    for (auto _ : state) {
        TBitmap result = SmoothClip(selection, filter);
        benchmark::DoNotOptimize(result.Bits());
    }
    SetResampleThreads(0);
}

} // namespace

// Filter 6 Mitchell, 7 Vennick; threads 1, and 0 for the program's default.
BENCHMARK(Smooth)->ArgNames({"filter", "threads"})->ArgsProduct({{6, 7}, {1, 0}})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
