// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/DisplayCopy.h"
#include "imageview/NoiseBitmap.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace quillo;
using quillo::test::Noise;

namespace {

std::uint32_t Expected(const TBitmap &b, int x, int y)
{
    const TRGBQuad c = b.PixelColor(x, y);
    return 0xFF000000u | std::uint32_t(c.Red) << 16 | std::uint32_t(c.Green) << 8 | c.Blue;
}

} // namespace

TEST(StretchIndices, OwnSizeIsTheIdentityAndScalesSampleNearTheCentre)
{
    for (int n : {1, 2, 3, 7, 640, 6000}) {
        const std::vector<int> same = StretchIndices(n, n);
        ASSERT_EQ(same.size(), std::size_t(n));
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(same[i], i) << n;
    }
    // An exact scale samples the middle of each run of five.
    const std::vector<int> fifth = StretchIndices(6000, 1200);
    ASSERT_EQ(fifth.size(), 1200u);
    for (int i = 0; i < 1200; ++i)
        ASSERT_EQ(fifth[i], 5 * i + 2);
    // Enlarging repeats each source pixel.
    EXPECT_EQ(StretchIndices(3, 7), (std::vector<int>{0, 0, 1, 1, 1, 2, 2}));
    // Any pair of lengths: every target pixel shows the source pixel under its
    // centre or a neighbour, in order, stepping by the scale rounded down or up.
    // (That the steps are the painter's own is checked against QPainter in the
    // view's tests.)
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        const int s = 1 + static_cast<int>(rng() % 7000), t = 1 + static_cast<int>(rng() % 2000);
        const std::vector<int> idx = StretchIndices(s, t);
        ASSERT_EQ(idx.size(), std::size_t(t)) << s << " -> " << t;
        for (int i = 0; i < t; ++i) {
            const long long exact = (2LL * i + 1) * s / (2LL * t);
            ASSERT_LE(std::llabs(idx[i] - exact), 1) << s << " -> " << t << " at " << i;
            ASSERT_GE(idx[i], 0);
            ASSERT_LT(idx[i], s);
            if (i > 0) {
                const int gap = idx[i] - idx[i - 1];
                ASSERT_GE(gap, s / t) << s << " -> " << t << " at " << i;
                ASSERT_LE(gap, (s + t - 1) / t) << s << " -> " << t << " at " << i;
            }
        }
    }
    EXPECT_TRUE(StretchIndices(0, 5).empty());
    EXPECT_TRUE(StretchIndices(5, 0).empty());
}

// Lines of 65,536 pixels and more: 16.16 arithmetic in 32 bits would wrap round
// and sample from the wrong end; the indices must stay in order and in range.
TEST(StretchIndices, VeryLongLinesDoNotWrapRound)
{
    const std::vector<int> idx = StretchIndices(200000, 1000);
    ASSERT_EQ(idx.size(), 1000u);
    EXPECT_EQ(idx[0], 99);
    EXPECT_EQ(idx[999], 199899);
    for (std::size_t i = 1; i < idx.size(); ++i)
        ASSERT_GT(idx[i], idx[i - 1]);
}

TEST(SampleStretched, EveryDepthAndPartMatchesThePixelByPixelReference)
{
    struct Case {
        int w, h, bits, tw, th;
    };
    for (const Case c : {Case{37, 23, 24, 13, 11}, Case{37, 23, 24, 80, 61}, Case{33, 17, 32, 20, 9},
                         Case{29, 31, 8, 50, 12}, Case{45, 9, 16, 17, 30}, Case{19, 13, 1, 40, 40},
                         Case{21, 21, 4, 21, 21}, Case{1, 1, 24, 9, 5}}) {
        const TBitmap source = Noise(c.w, c.h, c.bits, static_cast<unsigned>(c.w * c.bits));
        const std::vector<int> cols = StretchIndices(c.w, c.tw), rows = StretchIndices(c.h, c.th);
        // The whole target, then an inner part written at the start of its buffer.
        for (const bool part : {false, true}) {
            const int x0 = part ? c.tw / 3 : 0, y0 = part ? c.th / 4 : 0;
            const int x1 = part ? c.tw - c.tw / 5 : c.tw, y1 = part ? c.th - 1 : c.th;
            const int stride = x1 - x0 + 3; // a wider row than needed: padding stays untouched
            std::vector<std::uint32_t> out(static_cast<std::size_t>(stride) * (y1 - y0 + 1), 0x12345678u);
            SampleStretched(source, cols, rows, x0, y0, x1, y1, out.data(), stride);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < stride + x0; ++x) {
                    const std::uint32_t got = out[static_cast<std::size_t>(y - y0) * stride + (x - x0)];
                    if (x < x1)
                        ASSERT_EQ(got, Expected(source, cols[x], rows[y]))
                            << c.bits << " bits " << c.w << "x" << c.h << " -> " << c.tw << "x" << c.th << " at " << x
                            << "," << y;
                    else
                        ASSERT_EQ(got, 0x12345678u);
                }
            EXPECT_EQ(out.back(), 0x12345678u) << "wrote past its last row";
        }
    }
}

TEST(SampleStretched, RefusesPartsOutsideTheTables)
{
    const TBitmap source = Noise(8, 8, 24, 1);
    const std::vector<int> idx = StretchIndices(8, 4);
    std::vector<std::uint32_t> out(64);
    EXPECT_THROW(SampleStretched(source, idx, idx, 0, 0, 5, 4, out.data(), 8), Error);
    EXPECT_THROW(SampleStretched(source, idx, idx, -1, 0, 4, 4, out.data(), 8), Error);
    EXPECT_NO_THROW(SampleStretched(source, idx, idx, 2, 2, 2, 4, out.data(), 8)); // empty part
}
