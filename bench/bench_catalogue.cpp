// SPDX-License-Identifier: GPL-3.0-or-later
// Cataloguing speed and memory, each against a peer measured in the same run:
//  - a folder of N small picture files of every listed extension, listed with the
//    whole picture mask and without preloading, from the Path assignment
//    to AfterLoad with the list filled and sorted, against `ls -l` of the folder
//    and against Python's os.scandir with a stat of every entry;
//  - heap per catalogue entry (mallinfo2) for N entries, beyond the path;
//  - preloading 200 MB of JPEG files against `cat` of the same files.
// The folders are made once under $QUILLO_BENCH_DIR (default /tmp/quillo-bench).
// catalogue_vs_ls.sh runs this and prints the ratios.
#include "Bench.h"
#include "catalogue/QloClasses.h"
#include "catalogue/QloController.h"
#include "imageview/JpegImage.h"
#include "platform/Directory.h"
#include "platform/Files.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace quillo;
using bench::Run;

namespace {

std::string BenchRoot()
{
    const char *env = std::getenv("QUILLO_BENCH_DIR");
    std::string root = env && *env ? env : "/tmp/quillo-bench";
    ForceDirectories(root);
    return root;
}

// A folder of `count` tiny files named img_000000.jpg, img_000001.png ..., every
// extension the picture mask lists in turn, made once.
std::string SmallFilesFolder(int count)
{
    static const char *const extensions[] = {"jpg", "png", "heic", "jpeg", "webp", "gif",
                                             "bmp", "tif", "avif", "tiff", "heif"};
    const std::string folder = BenchRoot() + "/mixed-" + std::to_string(count);
    const std::string done = folder + "/.complete";
    if (FileExists(done))
        return folder;
    ForceDirectories(folder);
    char name[64];
    for (int i = 0; i < count; ++i) {
        const int n = (i * 7919) % count; // not in name order on disk
        std::snprintf(name, sizeof name, "/img_%06d.%s", n, extensions[n % 11]);
        const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, "\xff\xd8", 2) != 2)
            throw std::runtime_error("cannot create bench files in " + folder);
        ::close(fd);
    }
    ::close(::open(done.c_str(), O_WRONLY | O_CREAT, 0644));
    return folder;
}

// 200 JPEG files of about 1 MB each (noise, so they do not compress), made once.
std::string JpegFolder(std::vector<std::string> &files)
{
    const std::string folder = BenchRoot() + "/jpeg-200mb";
    constexpr int kFiles = 200;
    files.clear();
    for (int i = 0; i < kFiles; ++i)
        files.push_back(folder + "/photo_" + std::to_string(i) + ".jpg");
    if (FileExists(folder + "/.complete"))
        return folder;
    ForceDirectories(folder);
    TBitmap bitmap(1000, 700);
    std::mt19937 rng(42);
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t *row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width() * 3; ++x)
            row[x] = static_cast<std::uint8_t>(rng());
    }
    std::vector<std::uint8_t> jpeg = EncodeJpeg(bitmap, 90);
    jpeg.resize(1048576, 0); // exactly 1 MB: the end marker comes first, the rest is ignored
    for (const auto &file : files) {
        std::FILE *f = std::fopen(file.c_str(), "wb");
        if (!f || std::fwrite(jpeg.data(), 1, jpeg.size(), f) != jpeg.size())
            throw std::runtime_error("cannot write " + file);
        std::fclose(f);
    }
    ::close(::open((folder + "/.complete").c_str(), O_WRONLY | O_CREAT, 0644));
    return folder;
}

struct TCatalogueRig {
    TFileListModel list;
    TQloController qlo;
    std::string empty;
    TCatalogueRig()
    {
        qlo.Mask = kPictureFileMask;
        qlo.ListView = &list;
        empty = BenchRoot() + "/empty";
        ForceDirectories(empty);
    }
};

void BM_CatalogueFolder(benchmark::State &state)
{
    const int count = static_cast<int>(state.range(0));
    const std::string folder = SmallFilesFolder(count);
    TCatalogueRig rig;
    rig.qlo.Preload = false;
    rig.qlo.SetPath(folder); // warm the page cache and the allocator
    for (auto _ : state) {
        state.PauseTiming();
        rig.qlo.SetPath(rig.empty); // releasing the old folder is not part of this one
        state.ResumeTiming();
        rig.qlo.SetPath(folder);
        benchmark::DoNotOptimize(rig.list.Count());
    }
    if (rig.list.Count() != count)
        state.SkipWithError("the list does not hold every file");
    state.counters["files"] = count;
}
BENCHMARK(BM_CatalogueFolder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_LsL(benchmark::State &state)
{
    const std::string folder = SmallFilesFolder(static_cast<int>(state.range(0)));
    Run({"ls", "-l", folder});
    for (auto _ : state)
        Run({"ls", "-l", folder});
}
BENCHMARK(BM_LsL)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// Python's os.scandir with a stat of every entry, timed inside Python (its start-up
// left out) and at its best of five passes: a listing peer at its fastest.
void BM_ScandirStatPython(benchmark::State &state)
{
    const std::string folder = SmallFilesFolder(static_cast<int>(state.range(0)));
    const std::string command = "python3 -c '"
                                "import os, sys, time\n"
                                "best = 1e9\n"
                                "for _ in range(5):\n"
                                "    t = time.perf_counter()\n"
                                "    for e in os.scandir(sys.argv[1]):\n"
                                "        e.stat()\n"
                                "    best = min(best, time.perf_counter() - t)\n"
                                "print(best)' " +
                                folder;
    for (auto _ : state) {
        std::FILE *pipe = ::popen(command.c_str(), "r");
        double seconds = 0;
        if (!pipe || std::fscanf(pipe, "%lf", &seconds) != 1 || ::pclose(pipe) != 0) {
            state.SkipWithError("python3 failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_ScandirStatPython)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

std::size_t HeapInUse()
{
    const struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

// Heap that N catalogued files hold (entries, their empty picture holders, the
// catalogue and the list rows), less what their paths take.
void BM_MemoryPerEntry(benchmark::State &state)
{
    const int count = static_cast<int>(state.range(0));
    const std::string folder = SmallFilesFolder(count);
    double perEntry = 0;
    double pathBytes = 0;
    for (auto _ : state) {
        auto rig = std::make_unique<TCatalogueRig>();
        rig->qlo.Preload = false;
        rig->qlo.SetPath(rig->empty);
        malloc_trim(0);
        const std::size_t before = HeapInUse();
        rig->qlo.SetPath(folder);
        const std::size_t after = HeapInUse();
        std::size_t paths = 0;
        for (const auto &e : rig->qlo.Catalogue())
            paths += e->FileName.capacity() + 1;
        perEntry = static_cast<double>(after - before - paths) / count;
        pathBytes = static_cast<double>(paths) / count;
    }
    state.counters["bytes_per_entry"] = perEntry;
    state.counters["path_bytes"] = pathBytes;
    state.counters["sizeof_entry"] = sizeof(TCallbackLoadData);
    state.counters["sizeof_holder"] = sizeof(TQloImageHolder);
    state.counters["sizeof_row"] = sizeof(TListItem);
}
BENCHMARK(BM_MemoryPerEntry)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Preload200MB(benchmark::State &state)
{
    std::vector<std::string> files;
    const std::string folder = JpegFolder(files);
    TCatalogueRig rig;
    rig.qlo.Preload = true;
    rig.qlo.MaxPreload = 1024;
    std::int64_t bytes = 0;
    rig.qlo.AfterSearch = [&](TQloController *, std::int64_t total) { bytes = total; };
    rig.qlo.SetPath(folder);
    for (auto _ : state) {
        state.PauseTiming();
        rig.qlo.SetPath(rig.empty);
        state.ResumeTiming();
        rig.qlo.SetPath(folder);
    }
    std::size_t loaded = 0;
    for (const auto &e : rig.qlo.Catalogue())
        loaded += e->Loaded ? 1 : 0;
    if (loaded != files.size())
        state.SkipWithError("not every picture was preloaded");
    state.SetBytesProcessed(bytes * state.iterations());
}
BENCHMARK(BM_Preload200MB)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_Cat200MB(benchmark::State &state)
{
    std::vector<std::string> files;
    JpegFolder(files);
    std::vector<std::string> args{"cat"};
    args.insert(args.end(), files.begin(), files.end());
    Run(args);
    for (auto _ : state)
        Run(args);
    state.SetBytesProcessed(static_cast<std::int64_t>(files.size()) * 1048576 * state.iterations());
}
BENCHMARK(BM_Cat200MB)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

// The floor under any preload that keeps the bytes: read each file into newly
// allocated memory and keep it, then free it all and return it to the system,
// as a folder change does.
void BM_ReadIntoNewMemory200MB(benchmark::State &state)
{
    std::vector<std::string> files;
    JpegFolder(files);
    for (auto _ : state) {
        std::vector<std::vector<std::uint8_t>> kept;
        for (const auto &file : files)
            kept.push_back(ReadFileBytes(file));
        state.PauseTiming();
        kept.clear();
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(files.size()) * 1048576 * state.iterations());
}
BENCHMARK(BM_ReadIntoNewMemory200MB)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
