// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderTestUtil.h"

#include "render/PixelOps.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::MakeBitmap;
using test::PixelAt;
using test::RandomBitmap;
using test::TBgr;

TBitmap Uniform(int width, int height, int value)
{
    return MakeBitmap(width, height, [&](int, int) { return TBgr{value, value, value}; });
}

TEST(LightCorrection, TableValues)
{
    struct Row {
        int c, inner, band, decrease;
    };
    for (const Row r : {Row{0, 40, 37, 0}, Row{64, 86, 85, 60}, Row{128, 133, 133, 120}, Row{192, 180, 181, 180},
                        Row{255, 226, 228, 239}}) {
        TBitmap up = Uniform(10, 10, r.c);
        ApplyLightCorrection(up, true);
        EXPECT_EQ(PixelAt(up, 5, 5), (TBgr{r.inner, r.inner, r.inner})) << r.c;
        EXPECT_EQ(PixelAt(up, 0, 0), (TBgr{r.band, r.band, r.band})) << r.c;
        EXPECT_EQ(PixelAt(up, 9, 9), (TBgr{r.band, r.band, r.band})) << r.c;
        TBitmap down = Uniform(10, 10, r.c);
        ApplyLightCorrection(down, false);
        EXPECT_EQ(PixelAt(down, 0, 0), (TBgr{r.decrease, r.decrease, r.decrease})) << r.c;
        EXPECT_EQ(PixelAt(down, 5, 5), (TBgr{r.decrease, r.decrease, r.decrease})) << r.c;
    }
}

TEST(LightCorrection, BandIsThreeAtLeftAndTopTwoAtRightAndBottom)
{
    TBitmap b = Uniform(10, 8, 0);
    ApplyLightCorrection(b, true);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inner = x >= 3 && x <= 7 && y >= 3 && y <= 5;
            EXPECT_EQ(PixelAt(b, x, y).Red, inner ? 40 : 37) << x << "," << y;
        }
}

TEST(LightCorrection, InnerPixelsBlendWithTheirRightNeighbourPerChannel)
{
    // Columns differ, and so do the channels.
    TBitmap b = MakeBitmap(12, 9, [](int x, int) { return TBgr{20 * x, 255 - 20 * x, 7 * x}; });
    ApplyLightCorrection(b, true);
    // Columns 3 to 9 of an inner row, worked out from the light table.
    const TBgr expected[] = {{88, 178, 57}, {103, 163, 62}, {117, 149, 67}, {132, 134, 72},
                             {146, 119, 77}, {161, 105, 82}, {176, 90, 87}};
    for (int x = 3; x <= 9; ++x)
        EXPECT_EQ(PixelAt(b, x, 4), expected[x - 3]) << x;
    // The rightmost inner column reads a neighbour inside the band, never past the edge.
    EXPECT_EQ(PixelAt(b, 10, 4).Blue, 187);
}

TEST(LightCorrection, TinyAndOtherDepthPictures)
{
    TBitmap empty;
    ApplyLightCorrection(empty, true);
    EXPECT_TRUE(empty.Empty());
    // Narrower than the bands: every pixel is band.
    TBitmap narrow = Uniform(5, 7, 255);
    ApplyLightCorrection(narrow, true);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(PixelAt(narrow, x, y).Green, 228);
    TBitmap wide = Uniform(8, 8, 255);
    wide.SetPixelFormat(32);
    ApplyLightCorrection(wide, false);
    EXPECT_EQ(wide.BitsPerPixel(), 24);
    EXPECT_EQ(PixelAt(wide, 7, 7).Blue, 239);
}

TEST(HalveBitmap, AveragesBlocksAndDropsOddEdge)
{
    const TBitmap source = MakeBitmap(5, 3, [](int x, int y) { return TBgr{x + 5 * y, 3 * x, 200 + y}; });
    const TBitmap half = HalveBitmap(source);
    ASSERT_EQ(half.Width(), 2);
    ASSERT_EQ(half.Height(), 1);
    EXPECT_EQ(half.BitsPerPixel(), 24);
    // Block at (2, 0): blue 2, 3, 7, 8 -> 20 / 4; green 6, 9, 6, 9 -> 30 / 4 = 7.
    EXPECT_EQ(PixelAt(half, 1, 0), (TBgr{5, 7, 200}));
    EXPECT_EQ(PixelAt(half, 0, 0), (TBgr{(0 + 1 + 5 + 6) / 4, (0 + 3 + 0 + 3) / 4, (200 + 200 + 201 + 201) / 4}));

    EXPECT_TRUE(HalveBitmap(RandomBitmap(1, 9, 1)).Empty());
    EXPECT_TRUE(HalveBitmap(TBitmap()).Empty());
}

TEST(HalveBitmap, ConvertsOtherDepths)
{
    const TBitmap source = RandomBitmap(8, 6, 4);
    TBitmap wide = source;
    wide.SetPixelFormat(32);
    EXPECT_EQ(HalveBitmap(wide), HalveBitmap(source));
}

TEST(FitRenderSize, KeepsProportionsWithTruncation)
{
    EXPECT_EQ(FitRenderSize(4000, 3000, 1024, 768), (TRenderSize{1024, 768}));
    EXPECT_EQ(FitRenderSize(3000, 4000, 1024, 768), (TRenderSize{576, 768}));
    EXPECT_EQ(FitRenderSize(100, 50, 1024, 768), (TRenderSize{1024, 512}));
    EXPECT_EQ(FitRenderSize(500, 500, 1024, 768), (TRenderSize{768, 768}));
    // Wide enough that the height limit decides; tall enough that the width does.
    EXPECT_EQ(FitRenderSize(1000, 900, 1024, 768), (TRenderSize{853, 768}));
    EXPECT_EQ(FitRenderSize(100, 1000, 50, 768), (TRenderSize{50, 500}));
    // No picture: the whole client area. Extreme aspect: a side of 0.
    EXPECT_EQ(FitRenderSize(0, 0, 1024, 768), (TRenderSize{1024, 768}));
    EXPECT_EQ(FitRenderSize(1, 10000, 1024, 768), (TRenderSize{0, 768}));
}

} // namespace
} // namespace quillo
