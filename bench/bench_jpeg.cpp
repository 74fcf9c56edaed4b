// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and fully decoding a 24-megapixel (6000 x 4000, quality 90) photo-like
// JPEG, against `djpeg -outfile /dev/null` (libjpeg's own program at its best in
// ordinary use) on the same file. Each round runs every contestant once, in turn,
// so a busy machine slows them alike; the best round of each is compared.
//   bench_jpeg [rounds]
#include "Bench.h"
#include "imageview/JpegImage.h"
#include "imageview/Picture.h"
#include "imageview/QloImageHolder.h"
#include "platform/Files.h"
#include "platform/System.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace quillo;
using namespace quillo::bench;

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;

} // namespace

int main(int argc, char **argv)
{
    const int rounds = Rounds(argc, argv, 12);
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
        {"djpeg -outfile /dev/null", [&] { Run({"djpeg", "-outfile", "/dev/null", photo}); }},
        {"Quillo load + decode", [&] { loadAndDecode(0); }},
        {"Quillo load + decode, 1 thread", [&] { loadAndDecode(1); }},
    };
    RunRounds(contestants, rounds);
    // The first decode after a trim pays for fresh memory: what a cold start costs.
    TrimWorkingSet();
    const double cold = TimeMs([&] { loadAndDecode(0); });
    SetJpegDecodeThreads(0);

    std::printf("%-34s %9s %9s\n", "", "best ms", "median ms");
    for (const Contestant &c : contestants)
        std::printf("%-34s %9.1f %9.1f\n", c.name.c_str(), c.Best(), c.Median());
    const double peer = contestants[0].Best();
    std::printf("Quillo / djpeg = %.3f (goal <= 1.0); on one thread %.3f\n", contestants[1].Best() / peer,
                contestants[2].Best() / peer);
    std::printf("first decode after a working-set trim (fresh memory): %.1f ms, %.3f of djpeg\n", cold,
                cold / peer);
    return 0;
}
