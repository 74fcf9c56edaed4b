// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and fully decoding a 24-megapixel (6000 x 4000) photo-like PNG, WebP
// (quality 90) and HEIC, each against its format's own command-line decoder
// writing to /dev/null: pngtopnm, dwebp -ppm and heif-convert (to a .y4m name
// that is /dev/null, its cheapest output). Each round runs every contestant once,
// in turn, so a busy machine slows them alike; the best round of each is compared.
//   bench_coded [rounds]
#include "Bench.h"
#include "imageview/Picture.h"
#include "platform/Files.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillo;
using namespace quillo::bench;

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;

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
    const int rounds = Rounds(argc, argv, 8);
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/photo";
    const TBitmap photo = PhotoLike(kPhotoWidth, kPhotoHeight, 12, 1);
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
    Run({"heif-enc", "-q", "80", "-p", "preset=ultrafast", "-o", base + ".heic", base + ".png"}, true);
    // heif-convert picks its writer by the name's ending: a .y4m name that is /dev/null.
    const std::string sink = dir.path().toStdString() + "/null.y4m";
    if (::symlink("/dev/null", sink.c_str()) != 0)
        return 1;
    for (const char *ext : {".png", ".webp", ".heic"})
        std::printf("%s: %.1f MB\n", ext, double(ReadFileBytes(base + ext).size()) / 1048576.0);

    std::vector<Contestant> contestants{
        {"pngtopnm > /dev/null", [&] { Run({"pngtopnm", base + ".png"}, true); }},
        {"Quillo PNG load + decode", [&] { LoadAndDecode(base + ".png"); }},
        {"dwebp -ppm -o /dev/null", [&] { Run({"dwebp", "-ppm", base + ".webp", "-o", "/dev/null"}, true); }},
        {"Quillo WebP load + decode", [&] { LoadAndDecode(base + ".webp"); }},
        {"heif-convert to /dev/null", [&] { Run({"heif-convert", base + ".heic", sink}, true); }},
        {"Quillo HEIC load + decode", [&] { LoadAndDecode(base + ".heic"); }},
    };
    std::printf("%d rounds\n", rounds);
    RunRounds(contestants, rounds);

    std::printf("%-30s %9s %9s\n", "", "best ms", "median ms");
    for (const Contestant &c : contestants)
        std::printf("%-30s %9.1f %9.1f\n", c.name.c_str(), c.Best(), c.Median());
    for (std::size_t i = 0; i + 1 < contestants.size(); i += 2)
        std::printf("%s / %s = %.3f (goal <= 1.1)\n", contestants[i + 1].name.c_str(), contestants[i].name.c_str(),
                    contestants[i + 1].Best() / contestants[i].Best());
    return 0;
}
