// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG against its peers, in one run:
//  - decoding a 6000 x 4000 quality-90 photo-like JPEG into the 24-bit bitmap, against
//    `djpeg -bmp` (libjpeg's own program) on the same file;
//  - loading 1,000 files of about 3 MB as pictures (header only), against `cat` of the
//    same files to /dev/null.
// The figures that matter are the ratios printed at the end.
#include "imageview/JpegImage.h"
#include "imageview/Picture.h"
#include "imageview/QloImageHolder.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

using namespace quillo;

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;
constexpr int kFileCount = 1000;

// Smooth colour fields with grain: compresses like a photograph, not like noise.
TBitmap PhotoLike(int w, int h, int grain, unsigned seed)
{
    TBitmap b(w, h, 24);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        std::uint8_t *p = b.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const int n = grain ? static_cast<int>(rng() % (2 * grain + 1)) - grain : 0;
            auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            p[0] = clamp((x * 255) / w + n);
            p[1] = clamp((y * 255) / h + n);
            p[2] = clamp(((x + y) / 7) % 256 + n);
        }
    }
    return b;
}

struct Fixture {
    QTemporaryDir dir;
    std::string photo;
    std::vector<std::string> files;

    Fixture()
    {
        const std::string root = dir.path().toStdString();
        photo = root + "/photo.jpg";
        SafeWriteFile(photo, EncodeJpeg(PhotoLike(kPhotoWidth, kPhotoHeight, 12, 1), 90));
        // Heavy grain makes about 3 MB from 5.2 megapixels.
        const std::vector<std::uint8_t> small = EncodeJpeg(PhotoLike(2600, 2000, 70, 2), 90);
        for (int i = 0; i < kFileCount; ++i) {
            files.push_back(root + "/file" + std::to_string(i) + ".jpg");
            SafeWriteFile(files.back(), small);
        }
        std::fprintf(stderr, "photo %.1f MB, %d files of %.2f MB\n",
                     double(ReadFileBytes(photo).size()) / 1048576.0, kFileCount,
                     double(small.size()) / 1048576.0);
    }
};

Fixture &Files()
{
    static Fixture fixture;
    return fixture;
}

void Run(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
}

void BM_QuilloDecode(benchmark::State &state)
{
    const std::string &path = Files().photo;
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(path);
        benchmark::DoNotOptimize(jpeg.Bitmap().Bits());
    }
}

void BM_DjpegBmp(benchmark::State &state)
{
    const std::string &path = Files().photo;
    for (auto _ : state)
        Run({"djpeg", "-bmp", "-outfile", "/dev/null", path});
}

void BM_QuilloLoadPictures(benchmark::State &state)
{
    TQloImageHolder registersJpeg;
    for (auto _ : state)
        for (const std::string &f : Files().files) {
            TPicture p;
            p.LoadFromFile(f);
            benchmark::DoNotOptimize(p.Width());
        }
}

void BM_CatFiles(benchmark::State &state)
{
    std::vector<std::string> args{"cat"};
    args.insert(args.end(), Files().files.begin(), Files().files.end());
    for (auto _ : state)
        Run(args);
}

BENCHMARK(BM_QuilloDecode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8)->Repetitions(3);
BENCHMARK(BM_DjpegBmp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8)->Repetitions(3);
BENCHMARK(BM_QuilloLoadPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);
BENCHMARK(BM_CatFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);

// Keeps the median of each benchmark for the ratios.
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
    auto ratio = [&](const char *ours, const char *peer) {
        if (reporter.medians.count(ours) && reporter.medians.count(peer))
            std::printf("%s / %s = %.3f\n", ours, peer, reporter.medians[ours] / reporter.medians[peer]);
    };
    ratio("BM_QuilloDecode", "BM_DjpegBmp");
    ratio("BM_QuilloLoadPictures", "BM_CatFiles");
    benchmark::Shutdown();
    return 0;
}
