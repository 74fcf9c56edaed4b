// SPDX-License-Identifier: GPL-3.0-or-later
// Two goals for phone photos, each against a peer in the same run; each round runs
// every contestant once, in turn, and the best round of each is compared.
// 1. A lossless quarter turn of a 6000 x 4000 JPEG, written back and shown, against
//    `jpegtran -rotate 90 -perfect -copy all` on the same file plus decoding its
//    result for display (goal <= 1.2).
// 2. Loading and showing a photo stored on its side (EXIF orientation 6 and 8)
//    against the same photo stored upright (goal <= 1.15).
//   bench_turn [rounds]
#include "Bench.h"
#include "imageview/JpegImage.h"
#include "imageview/Picture.h"
#include "imageview/QloImageHolder.h"
#include "platform/Files.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace quillo;
using namespace quillo::bench;

constexpr int kWidth = 6000, kHeight = 4000;

// The photo with a camera's EXIF block holding only the orientation tag.
std::vector<std::uint8_t> WithOrientation(const std::vector<std::uint8_t> &jpeg, int orientation)
{
    const std::uint8_t app1[] = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                                 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, std::uint8_t(orientation), 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> out(jpeg.size() + sizeof app1);
    std::copy(jpeg.begin(), jpeg.begin() + 2, out.begin());
    std::copy(std::begin(app1), std::end(app1), out.begin() + 2);
    std::copy(jpeg.begin() + 2, jpeg.end(), out.begin() + 2 + sizeof app1);
    return out;
}

void Show(const std::string &path, int expectedWidth)
{
    TPicture picture;
    picture.LoadFromFile(path);
    if (picture.DrawBitmap().Width() != expectedWidth)
        std::exit(1);
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = Rounds(argc, argv, 8);
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::vector<std::uint8_t> photo = EncodeJpeg(PhotoLike(kWidth, kHeight, 12, 1), 90);
    const std::string original = folder + "/original.jpg", turned = folder + "/turned.jpg",
                      peerOut = folder + "/peer.jpg";
    for (int o : {1, 6, 8})
        SafeWriteFile(folder + "/o" + std::to_string(o) + ".jpg", WithOrientation(photo, o));
    SafeWriteFile(original, WithOrientation(photo, 1));
    std::printf("photo %d x %d, quality 90, %.1f MB; %d rounds\n", kWidth, kHeight, double(photo.size()) / 1048576.0,
                rounds);

    TQloImageHolder registersJpeg;
    auto restore = [&] { SafeWriteFile(turned, ReadFileBytes(original)); };
    std::vector<Contestant> contestants{
        {"jpegtran -rotate 90 -perfect -copy all + decode",
         [&] {
             Run({"jpegtran", "-rotate", "90", "-perfect", "-copy", "all", "-outfile", peerOut, original});
             Show(peerOut, kHeight);
         }},
        {"Quillo turn (F6), written back and shown",
         [&] {
             TQloImageHolder holder;
             holder.AutoSave = true;
             holder.LoadFromFile(turned);
             holder.Rotate(0);
             if (holder.Picture.DrawBitmap().Width() != kHeight)
                 std::exit(1);
         },
         restore},
        {"show, stored upright (orientation 1)", [&] { Show(folder + "/o1.jpg", kWidth); }},
        {"show, orientation 6", [&] { Show(folder + "/o6.jpg", kHeight); }},
        {"show, orientation 8", [&] { Show(folder + "/o8.jpg", kHeight); }},
    };
    RunRounds(contestants, rounds);

    std::printf("%-48s %9s\n", "", "best ms");
    for (const Contestant &c : contestants)
        std::printf("%-48s %9.1f\n", c.name.c_str(), c.Best());
    const double upright = contestants[2].Best();
    std::printf("turn: Quillo / (jpegtran + decode) = %.3f (goal <= 1.2)\n",
                contestants[1].Best() / contestants[0].Best());
    std::printf("orientation 6 / upright = %.3f, orientation 8 / upright = %.3f (goal <= 1.15)\n",
                contestants[3].Best() / upright, contestants[4].Best() / upright);
    return 0;
}
