// SPDX-License-Identifier: GPL-3.0-or-later
// A large baseline picture is decoded by two threads, the second starting part way
// down. Whatever the layout of the file, and however damaged, the result must be
// exactly that of one thread.
#include "imageview/JpegImage.h"
#include "imageview/JpegSamples.h"
#include "imageview/Orientation.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace quillo;
using quillo::test::EncodeWithLibjpeg;
using quillo::test::RenumberRestartMarkers;

namespace {

struct Layout {
    const char *name;
    int width, height;
    int components;          // 1 grey, 3 colour
    int hSamp, vSamp;        // luma sampling factors (chroma 1 x 1)
    unsigned restartRows = 0; // restart interval in MCU rows
    unsigned restartMcus = 0; // restart interval in MCUs
};

// Gradients with grain, so every block carries real coefficients.
std::vector<std::uint8_t> Encode(const Layout &l)
{
    std::vector<std::uint8_t> samples;
    samples.reserve(static_cast<std::size_t>(l.width) * l.height * l.components);
    std::mt19937 rng(3);
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x)
            for (int c = 0; c < l.components; ++c)
                samples.push_back(static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c)) / 5 + rng() % 24));
    const bool grey = l.components == 1;
    return EncodeWithLibjpeg(l.width, l.height, samples,
                             {.components = l.components,
                              .inSpace = grey ? JCS_GRAYSCALE : JCS_RGB,
                              .fileSpace = grey ? JCS_GRAYSCALE : JCS_YCbCr,
                              .restartInterval = l.restartMcus,
                              .restartRows = static_cast<int>(l.restartRows),
                              .lumaH = l.hSamp,
                              .lumaV = l.vSamp,
                              .quality = 90});
}

// The decode, or the error text.
struct Outcome {
    std::optional<TBitmap> bitmap;
    std::string error;
};

// Two threads divide the bands at the split row (the probe's doing), so the second
// thread's bands are in every split picture, however the threads get processors.
Outcome DecodeWith(int threads, const std::vector<std::uint8_t> &data, JpegSplitProbe *probe = nullptr,
                   int orientation = kOrientationUpright)
{
    SetJpegDecodeThreads(threads);
    JpegSplitProbe own;
    SetJpegSplitProbe(probe ? probe : &own);
    Outcome o;
    try {
        o.bitmap = DecodeJpeg(data, orientation);
    } catch (const Error &e) {
        o.error = e.what();
    }
    SetJpegSplitProbe(nullptr);
    SetJpegDecodeThreads(0);
    return o;
}

void ExpectSameOutcome(const std::vector<std::uint8_t> &data, const std::string &what,
                       JpegSplitProbe *probe = nullptr)
{
    const Outcome one = DecodeWith(1, data);
    const Outcome two = DecodeWith(2, data, probe);
    ASSERT_EQ(one.bitmap.has_value(), two.bitmap.has_value()) << what << ": " << one.error << " / " << two.error;
    if (one.bitmap)
        EXPECT_TRUE(*one.bitmap == *two.bitmap) << what;
    else
        EXPECT_EQ(one.error, two.error) << what;
}

class JpegSplit : public ::testing::TestWithParam<Layout> {};

} // namespace

TEST_P(JpegSplit, TwoThreadsDecodeTheSameBytesAsOne)
{
    const Layout &l = GetParam();
    const std::vector<std::uint8_t> data = Encode(l);
    ASSERT_TRUE(JpegDecodeSplits(data)) << "the picture must be large enough to be split";
    JpegSplitProbe probe;
    ExpectSameOutcome(data, l.name, &probe);
    EXPECT_FALSE(probe.decodedAgain);
    EXPECT_GT(probe.upperRows, l.height / 2);
    EXPECT_GT(probe.lowerRows, l.height / 4);
    EXPECT_EQ(probe.upperRows + probe.lowerRows, l.height);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, JpegSplit,
    ::testing::Values(Layout{"Sub420", 1280, 1024, 3, 2, 2}, Layout{"Sub420OddSize", 1283, 1031, 3, 2, 2},
                      Layout{"Sub422", 1201, 900, 3, 2, 1}, Layout{"Sub440", 1100, 999, 3, 1, 2},
                      Layout{"Sub444", 1024, 1027, 3, 1, 1}, Layout{"Grey", 1030, 1100, 1, 1, 1},
                      Layout{"RestartEveryRow", 1290, 1000, 3, 2, 2, 1},
                      Layout{"RestartEverySevenRows", 1111, 1023, 3, 2, 2, 7}),
    [](const ::testing::TestParamInfo<Layout> &info) { return std::string(info.param.name); });

TEST(JpegSplitKinds, SmallProgressiveAndOneThreadPicturesAreNotSplit)
{
    EXPECT_FALSE(JpegDecodeSplits(Encode({"small", 640, 480, 3, 2, 2})));
    EXPECT_FALSE(JpegDecodeSplits(Encode({"short", 4000, 300, 3, 2, 2})));
    EXPECT_TRUE(JpegDecodeSplits(Encode({"large", 1024, 1024, 3, 2, 2})));
}

// Damage met by either thread sends the picture through one thread again, so a
// damaged file shows, or fails, exactly as it always did.
TEST(JpegSplitKinds, DamagedAndTruncatedFilesDecodeAsOnOneThread)
{
    const std::vector<std::uint8_t> good = Encode({"damaged", 1100, 1040, 3, 2, 2, 4});
    ASSERT_TRUE(JpegDecodeSplits(good));
    for (const double at : {0.2, 0.5, 0.7, 0.95}) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() * at));
        ExpectSameOutcome(cut, "cut at " + std::to_string(at));
    }
    std::mt19937 rng(11);
    for (int round = 0; round < 12; ++round) {
        std::vector<std::uint8_t> bad = good;
        for (int i = 0; i < 1 + round % 4; ++i)
            bad[1000 + rng() % (bad.size() - 1000)] = static_cast<std::uint8_t>(rng());
        ExpectSameOutcome(bad, "damage round " + std::to_string(round));
    }
}

// Thousands of warnings end a decode. Restart markers numbered out of sequence in
// the lower part only: the thread that decodes the upper part sees none of them,
// and one thread gives up on the flood; so must two.
TEST(JpegSplitKinds, AWarningFloodInTheLowerPartFailsAsOnOneThread)
{
    std::vector<std::uint8_t> data = Encode({"flood", 1024, 1024, 1, 1, 1, 0, 1});
    ASSERT_TRUE(JpegDecodeSplits(data));
    RenumberRestartMarkers(data, data.size() * 3 / 4);
    const Outcome one = DecodeWith(1, data);
    ASSERT_FALSE(one.bitmap.has_value()) << "one thread must give up on the flood";
    ExpectSameOutcome(data, "flood");
}

// A picture stored on its side is turned band by band as it is decoded, by either
// thread: every pixel must land where a turn of the whole decoded picture puts it,
// also when damage sends the picture through one thread again.
TEST(JpegSplitKinds, EveryOrientationTurnsAsItDecodes)
{
    const std::vector<std::uint8_t> good = Encode({"turned", 1283, 1031, 3, 2, 2});
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() * 0.8));
    for (const auto &data : {good, cut}) {
        const TBitmap stored = *DecodeWith(1, data).bitmap;
        const int w = stored.Width(), h = stored.Height();
        for (int o = 1; o <= 8; ++o)
            for (int threads : {1, 2}) {
                const TBitmap out = *DecodeWith(threads, data, nullptr, o).bitmap;
                ASSERT_TRUE(out == ApplyOrientation(stored, o)) << o << " " << threads;
                if (threads == 2)
                    continue;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const int at[9][2] = {{x, y}, {x, y}, {w - 1 - x, y}, {w - 1 - x, h - 1 - y}, {x, h - 1 - y},
                                              {y, x}, {h - 1 - y, x}, {h - 1 - y, w - 1 - x}, {y, w - 1 - x}};
                        ASSERT_EQ(std::memcmp(out.ScanLine(at[o][1]) + 3 * at[o][0], stored.ScanLine(y) + 3 * x, 3), 0)
                            << o << " at " << x << "," << y;
                    }
            }
    }
}
