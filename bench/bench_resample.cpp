// SPDX-License-Identifier: GPL-3.0-or-later
// The resampler on the sizes the peers script compares: a 6000 x 4000 photo
// reduced to two screen sizes and an 800 x 600 picture doubled, for Lanczos3,
// Mitchell and Triangle, on one and two threads. Names are
// Resample/<source>/<target>/<filter>/threads:<n>; bench/resample_peers.py reads them.
#include "imageview/Bitmap.h"
#include "render/Resample.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>

namespace {

using namespace quillo;

// Smooth gradients with a little noise: photo-like, and the same every run.
const TBitmap &Picture(int width, int height)
{
    static std::map<std::pair<int, int>, TBitmap> cache;
    auto [it, added] = cache.try_emplace({width, height});
    if (added) {
        TBitmap b(width, height, 24);
        std::mt19937 rng(width * 31 + height);
        std::uniform_int_distribution<int> noise(-12, 12);
        for (int y = 0; y < height; ++y) {
            std::uint8_t *row = b.ScanLine(y);
            for (int x = 0; x < width; ++x) {
                const int base[3] = {255 * x / width, 255 * y / height, 255 * (x + y) / (width + height)};
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(base[c] + noise(rng), 0, 255));
            }
        }
        it->second = std::move(b);
    }
    return it->second;
}

struct TCase {
    int SourceWidth, SourceHeight, TargetWidth, TargetHeight;
};

void Run(benchmark::State &state, TCase c, TFilterKind filter, int threads, bool reference)
{
    const TBitmap &source = Picture(c.SourceWidth, c.SourceHeight);
    SetResampleThreads(threads);
    for (auto _ : state) {
        TBitmap target;
        if (reference) {
            target = TBitmap(c.TargetWidth, c.TargetHeight, 24);
            const auto i = FilterIndex(filter);
            ResamplePassesReference(FilterKernels[i], FilterRadii[i], source, target);
        } else {
            Resample(c.TargetWidth, c.TargetHeight, filter, 0.0f, source, target);
        }
        benchmark::DoNotOptimize(target.Bits());
    }
    SetResampleThreads(0);
    state.counters["vector"] = ResampleVectorCode() ? 1 : 0;
}

std::string Size(int w, int h)
{
    return std::to_string(w) + "x" + std::to_string(h);
}

int Register()
{
    const TCase cases[] = {{6000, 4000, 1920, 1280}, {6000, 4000, 1024, 683}, {800, 600, 1600, 1200}};
    const std::pair<TFilterKind, const char *> filters[] = {
        {TFilterKind::Lanczos3, "Lanczos3"}, {TFilterKind::Mitchell, "Mitchell"}, {TFilterKind::Triangle, "Triangle"}};
    for (const TCase &c : cases)
        for (const auto &[filter, name] : filters)
            for (int threads : {1, 2}) {
                const std::string id = "Resample/" + Size(c.SourceWidth, c.SourceHeight) + "/" +
                                       Size(c.TargetWidth, c.TargetHeight) + "/" + name +
                                       "/threads:" + std::to_string(threads);
                benchmark::RegisterBenchmark(id.c_str(), Run, c, filter, threads, false)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
    // The plain form of the same arithmetic, to show what the fast passes gain.
    benchmark::RegisterBenchmark("Reference/6000x4000/1920x1280/Lanczos3/threads:1", Run,
                                 TCase{6000, 4000, 1920, 1280}, TFilterKind::Lanczos3, 1, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
    return 0;
}

const int registered = Register();

} // namespace

BENCHMARK_MAIN();
