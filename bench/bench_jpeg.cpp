// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and fully decoding a 24-megapixel (6000 x 4000, quality 90) photo-like
// JPEG, against `djpeg -outfile /dev/null` (libjpeg's own program at its best in
// ordinary use) on the same file. Each round runs every contestant once, in turn,
// so a busy machine slows them alike; the best round of each is compared.
//   bench_jpeg [rounds]
#include "PhotoLike.h"
#include "imageview/JpegImage.h"
#include "imageview/Picture.h"
#include "imageview/QloImageHolder.h"
#include "platform/Files.h"
#include "platform/System.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

using namespace quillo;

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;

using bench::PhotoLike;

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

double TimeMs(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Contestant {
    const char *name;
    std::function<void()> work;
    std::vector<double> times;
};

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    QTemporaryDir dir;
    const std::string photo = dir.path().toStdString() + "/photo.jpg";
    SafeWriteFile(photo, EncodeJpeg(PhotoLike(kPhotoWidth, kPhotoHeight, 12, 1), 90));
    std::printf("photo %d x %d, quality 90, %.1f MB; %d rounds\n", kPhotoWidth, kPhotoHeight,
                double(ReadFileBytes(photo).size()) / 1048576.0, rounds);

    TQloImageHolder registersJpeg;
    auto loadAndDecode = [&](int threads) {
        SetJpegDecodeThreads(threads);
        TPicture picture;
        picture.LoadFromFile(photo);
        if (picture.DrawBitmap().Width() != kPhotoWidth)
            std::exit(1);
    };
    std::vector<Contestant> contestants{
        {"djpeg -outfile /dev/null", [&] { Run({"djpeg", "-outfile", "/dev/null", photo}); }, {}},
        {"Quillo load + decode", [&] { loadAndDecode(0); }, {}},
        {"Quillo load + decode, 1 thread", [&] { loadAndDecode(1); }, {}},
    };
    for (int round = 0; round < rounds; ++round)
        for (Contestant &c : contestants)
            c.times.push_back(TimeMs(c.work));
    // The first decode after a trim pays for fresh memory: what a cold start costs.
    TrimWorkingSet();
    const double cold = TimeMs([&] { loadAndDecode(0); });
    SetJpegDecodeThreads(0);

    std::printf("%-34s %9s %9s\n", "", "best ms", "median ms");
    for (Contestant &c : contestants) {
        std::sort(c.times.begin(), c.times.end());
        std::printf("%-34s %9.1f %9.1f\n", c.name, c.times.front(), c.times[c.times.size() / 2]);
    }
    const double peer = contestants[0].times.front();
    std::printf("Quillo / djpeg = %.3f (goal <= 1.0); on one thread %.3f\n", contestants[1].times.front() / peer,
                contestants[2].times.front() / peer);
    std::printf("first decode after a working-set trim (fresh memory): %.1f ms, %.3f of djpeg\n", cold,
                cold / peer);
    return 0;
}
