// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and fully decoding a 24-megapixel (6000 x 4000) photo-like PNG, WebP
// (quality 90) and HEIC, each against its format's own command-line decoder
// writing to /dev/null: pngtopnm, dwebp -ppm and heif-convert (to a .y4m name
// that is /dev/null, its cheapest output). Each round runs every contestant once,
// in turn, so a busy machine slows them alike; the best round of each is compared.
//   bench_coded [rounds]
#include "PhotoLike.h"
#include "imageview/Picture.h"
#include "platform/Files.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using namespace quillo;

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;

void Run(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
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
    std::string name;
    std::function<void()> work;
    std::vector<double> times;
};

void LoadAndDecode(const std::string &path)
{
    TPicture picture;
    picture.LoadFromFile(path);
    if (picture.DrawBitmap().Width() != kPhotoWidth)
        std::exit(1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/photo";
    const TBitmap photo = bench::PhotoLike(kPhotoWidth, kPhotoHeight, 12, 1);
    QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB888);
    for (int y = 0; y < kPhotoHeight; ++y) {
        const std::uint8_t *s = photo.ScanLine(y);
        std::uint8_t *d = image.scanLine(y);
        for (int x = 0; x < kPhotoWidth; ++x)
            d[3 * x] = s[3 * x + 2], d[3 * x + 1] = s[3 * x + 1], d[3 * x + 2] = s[3 * x];
    }
    if (!image.save(QString::fromStdString(base + ".png"), "png") ||
        !image.save(QString::fromStdString(base + ".webp"), "webp", 90))
        return 1;
    Run({"heif-enc", "-q", "80", "-p", "preset=ultrafast", "-o", base + ".heic", base + ".png"});
    // heif-convert picks its writer by the name's ending: a .y4m name that is /dev/null.
    const std::string sink = dir.path().toStdString() + "/null.y4m";
    if (::symlink("/dev/null", sink.c_str()) != 0)
        return 1;
    for (const char *ext : {".png", ".webp", ".heic"})
        std::printf("%s: %.1f MB\n", ext, double(ReadFileBytes(base + ext).size()) / 1048576.0);

    std::vector<Contestant> contestants{
        {"pngtopnm > /dev/null", [&] { Run({"pngtopnm", base + ".png"}); }, {}},
        {"Quillo PNG load + decode", [&] { LoadAndDecode(base + ".png"); }, {}},
        {"dwebp -ppm -o /dev/null", [&] { Run({"dwebp", "-ppm", base + ".webp", "-o", "/dev/null"}); }, {}},
        {"Quillo WebP load + decode", [&] { LoadAndDecode(base + ".webp"); }, {}},
        {"heif-convert to /dev/null", [&] { Run({"heif-convert", base + ".heic", sink}); }, {}},
        {"Quillo HEIC load + decode", [&] { LoadAndDecode(base + ".heic"); }, {}},
    };
    std::printf("%d rounds\n", rounds);
    for (int round = 0; round < rounds; ++round)
        for (Contestant &c : contestants)
            c.times.push_back(TimeMs(c.work));

    std::printf("%-30s %9s %9s\n", "", "best ms", "median ms");
    for (Contestant &c : contestants) {
        std::sort(c.times.begin(), c.times.end());
        std::printf("%-30s %9.1f %9.1f\n", c.name.c_str(), c.times.front(), c.times[c.times.size() / 2]);
    }
    for (std::size_t i = 0; i + 1 < contestants.size(); i += 2)
        std::printf("%s / %s = %.3f (goal <= 1.1)\n", contestants[i + 1].name.c_str(), contestants[i].name.c_str(),
                    contestants[i + 1].times.front() / contestants[i].times.front());
    return 0;
}
