// SPDX-License-Identifier: GPL-3.0-or-later
// Rotation against its peers, in one run:
//  - turning a 6000 x 4000 quality-90 photo-like JPEG file by 90° and writing it
//    back (decode, turn, encode at quality 90, safe write) through the picture
//    holder, as F6 does, against ImageMagick's `convert in.jpg -rotate 90 -quality
//    90 out.jpg` on the same file;
//  - RotateLeft90 of a 6000 x 4000 24-bit bitmap against a memcpy of its bytes, and
//    the 180° and clockwise turns beside it.
// The figures that matter are the ratios and rates printed at the end.
#include "Bench.h"
#include "imageview/JpegImage.h"
#include "imageview/QloImageHolder.h"
#include "imageview/QloRotate.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace quillo;

constexpr int kWidth = 6000, kHeight = 4000;
// The real ImageMagick program, not a wrapper that may stand in front of it.
const char *const kConvert = "/usr/bin/convert";

using bench::PhotoLike;
using bench::Run;

struct Fixture {
    QTemporaryDir dir;
    std::string original, quillo, peerOut;
    std::vector<std::uint8_t> originalBytes;
    TBitmap bitmap;

    Fixture()
    {
        const std::string root = dir.path().toStdString();
        original = root + "/original.jpg";
        quillo = root + "/photo.jpg";
        peerOut = root + "/peer.jpg";
        bitmap = PhotoLike(kWidth, kHeight, 12, 1);
        originalBytes = EncodeJpeg(bitmap, 90);
        SafeWriteFile(original, originalBytes);
        std::fprintf(stderr, "photo %.1f MB\n", double(originalBytes.size()) / 1048576.0);
    }
};

Fixture &Files()
{
    static Fixture fixture;
    return fixture;
}

void BM_QuilloRotateJpegFile(benchmark::State &state)
{
    Fixture &f = Files();
    for (auto _ : state) {
        state.PauseTiming();
        SafeWriteFile(f.quillo, f.originalBytes); // each turn starts from the camera's file
        state.ResumeTiming();
        TQloImageHolder holder;
        holder.AutoSave = true;
        holder.LoadFromFile(f.quillo);
        holder.Rotate(0);
    }
}

void BM_ConvertRotateJpegFile(benchmark::State &state)
{
    Fixture &f = Files();
    for (auto _ : state)
        Run({kConvert, f.original, "-rotate", "90", "-quality", "90", f.peerOut});
}

void BM_MemcpyBitmap(benchmark::State &state)
{
    const TBitmap &b = Files().bitmap;
    std::vector<std::uint8_t> target(b.ImageSize(), 1);
    for (auto _ : state) {
        std::memcpy(target.data(), b.Bits(), b.ImageSize());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.ImageSize()));
}

// A copy into memory never touched before, as every turn's new bitmap is.
void BM_FreshCopyBitmap(benchmark::State &state)
{
    const TBitmap &b = Files().bitmap;
    for (auto _ : state) {
        TBitmap copy = TBitmap::Uninitialized(b.Width(), b.Height(), 24);
        std::memcpy(copy.Bits(), b.Bits(), b.ImageSize());
        benchmark::DoNotOptimize(copy.Bits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.ImageSize()));
}

template <void (*Turn)(TBitmap &)>
void BM_Turn(benchmark::State &state)
{
    const TBitmap &b = Files().bitmap;
    for (auto _ : state) {
        state.PauseTiming();
        TBitmap work = b;
        state.ResumeTiming();
        Turn(work);
        benchmark::DoNotOptimize(work.Bits());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.ImageSize()));
}

BENCHMARK(BM_QuilloRotateJpegFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);
BENCHMARK(BM_ConvertRotateJpegFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);
BENCHMARK(BM_MemcpyBitmap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(3);
BENCHMARK(BM_FreshCopyBitmap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(3);
BENCHMARK_TEMPLATE(BM_Turn, RotateLeft90)->Name("BM_RotateLeft90")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(3);
BENCHMARK_TEMPLATE(BM_Turn, Rotate180)->Name("BM_Rotate180")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(3);
BENCHMARK_TEMPLATE(BM_Turn, RotateRight90)->Name("BM_RotateRight90")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(3);

// Keeps the median time of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    Files(); // made before any timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &m = reporter.medians;
    if (m.count("BM_QuilloRotateJpegFile") && m.count("BM_ConvertRotateJpegFile"))
        std::printf("turn a JPEG file by 90°: Quillo / convert = %.3f (goal at most 0.5)\n",
                    m["BM_QuilloRotateJpegFile"] / m["BM_ConvertRotateJpegFile"]);
    const double megabytes = double(Files().bitmap.ImageSize()) / 1048576.0;
    if (m.count("BM_MemcpyBitmap") && m.count("BM_FreshCopyBitmap")) {
        const double copyRate = megabytes / (m["BM_MemcpyBitmap"] / 1000.0);
        const double freshRate = megabytes / (m["BM_FreshCopyBitmap"] / 1000.0);
        std::printf("memcpy of the bitmap's bytes: %.0f MB/s; into fresh memory: %.0f MB/s\n", copyRate, freshRate);
        for (const char *name : {"BM_RotateLeft90", "BM_Rotate180", "BM_RotateRight90"})
            if (m.count(name)) {
                const double rate = megabytes / (m[name] / 1000.0);
                std::printf("%-17s %.0f MB/s = %.2f of memcpy, %.2f of a fresh copy\n", name + 3, rate,
                            rate / copyRate, rate / freshRate);
            }
    }
    benchmark::Shutdown();
    return 0;
}
