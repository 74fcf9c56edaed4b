// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing a 6000 x 4000 24-bit bitmap file in memory, against the peer
// that bounds them: a plain memcpy of the same byte count (into a buffer already in
// use, and into a fresh one, which is what returning a new picture costs at least).
#include "imageview/BmpCodec.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

const quillo::TBitmap &Picture()
{
    static const quillo::TBitmap picture = [] {
        quillo::TBitmap b(kWidth, kHeight, 24);
        for (std::size_t i = 0; i < b.ImageSize(); ++i)
            b.Bits()[i] = static_cast<std::uint8_t>(i * 31 + (i >> 12));
        return b;
    }();
    return picture;
}

const std::vector<std::uint8_t> &File()
{
    static const std::vector<std::uint8_t> file = quillo::WriteBmp(Picture());
    return file;
}

void SetBytes(benchmark::State &state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

void ReadBmp(benchmark::State &state)
{
    const auto &file = File();
    for (auto _ : state) {
        quillo::TBitmap b = quillo::ReadBmp(file);
        benchmark::DoNotOptimize(b.Bits());
    }
    SetBytes(state, File().size());
}

void WriteBmp(benchmark::State &state)
{
    const auto &picture = Picture();
    for (auto _ : state) {
        std::vector<std::uint8_t> file = quillo::WriteBmp(picture);
        benchmark::DoNotOptimize(file.data());
    }
    SetBytes(state, File().size());
}

void MemcpyPeer(benchmark::State &state)
{
    const auto &file = File();
    std::vector<std::uint8_t> target(file.size(), 1);
    for (auto _ : state) {
        std::memcpy(target.data(), file.data(), file.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    SetBytes(state, file.size());
}

void FreshCopyPeer(benchmark::State &state)
{
    const auto &file = File();
    for (auto _ : state) {
        std::vector<std::uint8_t> target(file.begin(), file.end());
        benchmark::DoNotOptimize(target.data());
    }
    SetBytes(state, file.size());
}

BENCHMARK(MemcpyPeer)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(FreshCopyPeer)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBmp)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WriteBmp)->UseRealTime()->Unit(benchmark::kMillisecond);

// Prints each codec run's time as a multiple of the peers' times from the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        // One run, or the median of repetitions.
        for (const Run &run : runs)
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "median"))
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double memcpyTime = times_["MemcpyPeer"];
        const double freshTime = times_["FreshCopyPeer"];
        if (memcpyTime <= 0 || freshTime <= 0)
            return;
        for (const char *name : {"ReadBmp", "WriteBmp"}) {
            if (times_.count(name) == 0)
                continue;
            std::printf("%-8s %.2fx the time of memcpy, %.2fx of a fresh copy\n", name, times_[name] / memcpyTime,
                        times_[name] / freshTime);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
