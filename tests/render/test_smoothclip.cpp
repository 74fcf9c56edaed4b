// SPDX-License-Identifier: GPL-3.0-or-later
// The copy mode's smoothing: twice the size with the filter, halved back.
#include "render/PixelOps.h"
#include "render/RenderTestUtil.h"
#include "render/Resample.h"
#include "render/SmoothClip.h"

#include <gtest/gtest.h>

using namespace quillo;
using quillo::test::RandomBitmap;

namespace {

TBitmap Expected(const TBitmap &clip, int filter)
{
    TBitmap twice;
    Resample(2 * clip.Width(), 2 * clip.Height(), static_cast<TFilterKind>(filter), 0.0f, clip, twice);
    return HalveBitmap(twice);
}

} // namespace

TEST(SmoothClip, KeepsTheClipSizeOddOrEvenAndLeavesTheClipAlone)
{
    for (const auto &[w, h] : {std::pair{7, 5}, std::pair{8, 6}, std::pair{1, 1}, std::pair{1, 9}, std::pair{31, 2}}) {
        const TBitmap clip = RandomBitmap(w, h, static_cast<std::uint32_t>(w * 100 + h));
        const TBitmap before = clip;
        const TBitmap smoothed = SmoothClip(clip, 6);
        EXPECT_EQ(smoothed.Width(), w);
        EXPECT_EQ(smoothed.Height(), h);
        EXPECT_EQ(smoothed.BitsPerPixel(), 24);
        EXPECT_EQ(smoothed, Expected(clip, 6)) << w << " x " << h;
        EXPECT_EQ(clip, before);
    }
}

TEST(SmoothClip, FilterOutsideTheTableRendersWithVennick)
{
    const TBitmap clip = RandomBitmap(12, 9, 3);
    EXPECT_EQ(SmoothClip(clip, 255), SmoothClip(clip, 7));
    EXPECT_NE(SmoothClip(clip, 0), SmoothClip(clip, 7));
}

TEST(SmoothClip, OtherDepthsComeBackAs24Bit)
{
    TBitmap clip = RandomBitmap(10, 6, 8);
    TBitmap wide = clip;
    wide.SetPixelFormat(32);
    EXPECT_EQ(SmoothClip(wide, 5), SmoothClip(clip, 5));
}
