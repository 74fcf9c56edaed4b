// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderTestUtil.h"

#include "imageview/Picture.h"
#include "platform/Errors.h"
#include "render/Resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>

namespace quillo {
namespace {

using test::GreyAt;
using test::GreyLine;
using test::MakeBitmap;
using test::PixelAt;
using test::RandomBitmap;
using test::TBgr;

// Restores the process-wide resampler switches after a test.
class ResampleTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetResampleThreads(0);
        SetResampleVectorCode(true);
    }
};

TBitmap Resampled(const TBitmap &source, int width, int height, TFilterKind filter, float radius = 0.0f)
{
    TBitmap target;
    Resample(width, height, filter, radius, source, target);
    return target;
}

TEST_F(ResampleTest, TwoPixelLineEnlargedWithTriangle)
{
    const TBitmap out = Resampled(GreyLine({0, 255}), 3, 1, TFilterKind::Triangle);
    ASSERT_EQ(out.Width(), 3);
    ASSERT_EQ(out.Height(), 1);
    EXPECT_EQ(out.BitsPerPixel(), 24);
    // Two weights of 128: 32640 / 256 truncates to 127.
    EXPECT_EQ(GreyAt(out, 0), 0);
    EXPECT_EQ(GreyAt(out, 1), 127);
    EXPECT_EQ(GreyAt(out, 2), 255);
}

TEST_F(ResampleTest, EqualSizeKeepsOrSoftensByFilter)
{
    const TBitmap source = RandomBitmap(23, 17, 7);
    for (auto f : {TFilterKind::Box, TFilterKind::Triangle, TFilterKind::Hermite, TFilterKind::Lanczos3})
        EXPECT_EQ(Resampled(source, 23, 17, f), source) << int(f);
    // Bell at scale 1 on one bright pixel: 192/256 in the middle, 32/256 beside it
    // (the pass's 8-bit rounding applies twice).
    const TBitmap dot = MakeBitmap(5, 5, [](int x, int y) { return x == 2 && y == 2 ? TBgr{255, 255, 255} : TBgr{}; });
    const TBitmap soft = Resampled(dot, 5, 5, TFilterKind::Bell);
    EXPECT_EQ(GreyAt(soft, 2, 2), 191 * 192 / 256);
    EXPECT_EQ(GreyAt(soft, 1, 2), 191 * 32 / 256);
    EXPECT_EQ(GreyAt(soft, 1, 1), 31 * 32 / 256);
}

TEST_F(ResampleTest, ReflectionWithoutRepeatAtStartWithRepeatAtEnd)
{
    // Bell, scale 1: 32 / 192 / 32. Left of pixel 0 is pixel 1; right of the last
    // pixel is the last pixel itself.
    const TBitmap left = Resampled(GreyLine({255, 0, 0, 0, 0}), 5, 1, TFilterKind::Bell);
    EXPECT_EQ(GreyAt(left, 0), 192 * 255 / 256);
    const TBitmap right = Resampled(GreyLine({0, 0, 0, 0, 255}), 5, 1, TFilterKind::Bell);
    EXPECT_EQ(GreyAt(right, 4), 224 * 255 / 256);

    const TContributorList list = BuildContributorList(5, 5, BellKernel, 1.5f);
    ASSERT_EQ(list[0].Count, 3);
    EXPECT_EQ(list[0].Contributors[0].Pixel, 1); // j = -1
    EXPECT_EQ(list[4].Contributors[2].Pixel, 4); // j = 5
}

TEST_F(ResampleTest, ShortLinesAreFoldedUntilInside)
{
    for (int n = 1; n <= 4; ++n)
        for (int t : {1, 2, 3, 7, 40})
            for (std::size_t f = 0; f < kFilterCount; ++f)
                for (const auto &e : BuildContributorList(n, t, FilterKernels[f], FilterRadii[f] * 3)) {
                    ASSERT_EQ(e.Count, static_cast<int>(e.Contributors.size()));
                    for (const auto &c : e.Contributors) {
                        EXPECT_NE(c.Weight, 0);
                        EXPECT_GE(c.Pixel, 0);
                        EXPECT_LT(c.Pixel, n);
                    }
                }
    // A three-pixel line repeats 0 1 2 2 1 | 0 1 2 2 1 ... to the right.
    const TContributorList wide = BuildContributorList(3, 3, BoxKernel, 7.0f);
    ASSERT_EQ(wide[2].Count, 1);
    EXPECT_EQ(wide[2].Contributors[0].Pixel, 2);
}

TEST_F(ResampleTest, StrongReductionLosesEveryWeight)
{
    // Scale below 1/512: every weight rounds to 0, no contributors, black.
    const TBitmap white = MakeBitmap(1100, 1, [](int, int) { return TBgr{255, 255, 255}; });
    const TContributorList list = BuildContributorList(1100, 2, TriangleKernel, 1.0f);
    EXPECT_EQ(list[0].Count, 0);
    EXPECT_EQ(list[1].Count, 0);
    const TBitmap out = Resampled(white, 2, 1, TFilterKind::Triangle);
    EXPECT_EQ(PixelAt(out, 0, 0), TBgr{});
    EXPECT_EQ(PixelAt(out, 1, 0), TBgr{});
}

// Weights land on exact ties here: scale 5/512 makes every Box weight 2.5 and
// scale 1/512 makes it 0.5. Ties go to even (2 and 0); rounding them away from
// zero would give 3, and 512 contributors of weight 1.
TEST_F(ResampleTest, WeightTiesRoundToEven)
{
    const TContributorList five = BuildContributorList(513, 6, BoxKernel, 0.5f);
    ASSERT_EQ(five.size(), 6u);
    for (const TContributorEntry &entry : five) {
        ASSERT_GT(entry.Count, 0);
        for (const TContributor &c : entry.Contributors)
            EXPECT_EQ(c.Weight, 2) << "pixel " << c.Pixel;
    }
    const TContributorList one = BuildContributorList(513, 2, BoxKernel, 0.5f);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[0].Count, 0);
    EXPECT_EQ(one[1].Count, 0);
    const TBitmap white = MakeBitmap(513, 1, [](int, int) { return TBgr{255, 255, 255}; });
    const TBitmap out = Resampled(white, 2, 1, TFilterKind::Box);
    EXPECT_EQ(PixelAt(out, 0, 0), TBgr{});
    EXPECT_EQ(PixelAt(out, 1, 0), TBgr{});
}

// At scale 1 only x = 0 counts (an identity pass); at scale 1/2 the offsets
// 0, +0.5 and -0.5 give weights 128, 128 and -256, which cancel to a total of 0.
float CancellingKernel(float x)
{
    if (x == 0.0f || x == 0.5f)
        return 1.0f;
    if (x == -0.5f)
        return -2.0f;
    return 0.0f;
}

TEST_F(ResampleTest, CancellingWeightsShiftTheSumAsUnsigned)
{
    const TBitmap line = GreyLine({10, 50, 30, 201, 0});
    TBitmap out(3, 1, 24);
    ResamplePasses(CancellingKernel, 1.0f, line, out);
    EXPECT_EQ(GreyAt(out, 0), 255); // 128 * (10 - 50) < 0: a huge unsigned value
    EXPECT_EQ(GreyAt(out, 1), 255); // 128 * (50 + 30) - 256 * 201 < 0
    EXPECT_EQ(GreyAt(out, 2), 100); // 128 * (201 - 0) >> 8 = 100.5, rounded down
}

// Weights of 2^23: the 32-bit sums wrap, and the wrapped value is what counts.
float HugeKernel(float x)
{
    return std::fabs(x) < 1.5f ? 32768.0f : 0.0f;
}

TEST_F(ResampleTest, SumsWrapAt32Bits)
{
    const TBitmap white = MakeBitmap(4, 1, [](int, int) { return TBgr{255, 255, 255}; });
    TBitmap fast(4, 1, 24), reference(4, 1, 24);
    ResamplePasses(HugeKernel, 1.0f, white, fast);
    ResamplePassesReference(HugeKernel, 1.0f, white, reference);
    // 3 * 255 * 2^23 wraps to 253 * 2^23; divided by the total 3 * 2^23: 84.
    EXPECT_EQ(GreyAt(reference, 1), 84);
    EXPECT_EQ(fast, reference);
}

float AbsurdKernel(float)
{
    return 1e12f;
}

TEST_F(ResampleTest, KernelErrorsReachTheCallerFromAnyThread)
{
    // Big enough for the two weight tables to be built on two threads.
    SetResampleThreads(2);
    const TBitmap source = RandomBitmap(2000, 10, 1);
    TBitmap target(1000, 1000, 24);
    EXPECT_THROW(ResamplePasses(AbsurdKernel, 4.0f, source, target), Error);
    SetResampleThreads(1);
    EXPECT_THROW(ResamplePasses(AbsurdKernel, 4.0f, source, target), Error);
}

TEST_F(ResampleTest, RadiusZeroTakesTheDefault)
{
    const TBitmap source = RandomBitmap(31, 29, 3);
    for (std::size_t f = 0; f < kFilterCount; ++f) {
        const auto kind = static_cast<TFilterKind>(f);
        EXPECT_EQ(Resampled(source, 12, 45, kind), Resampled(source, 12, 45, kind, FilterRadii[f])) << f;
    }
    EXPECT_NE(Resampled(source, 12, 45, TFilterKind::Lanczos3),
              Resampled(source, 12, 45, TFilterKind::Lanczos3, 1.0f));
    EXPECT_EQ(Resampled(source, 12, 45, static_cast<TFilterKind>(255)),
              Resampled(source, 12, 45, TFilterKind::Vennick));
}

TEST_F(ResampleTest, FlatPictureStaysFlat)
{
    const TBgr colour{37, 120, 250};
    const TBitmap flat = MakeBitmap(50, 40, [&](int, int) { return colour; });
    for (std::size_t f = 0; f < kFilterCount; ++f)
        for (auto [w, h] : {std::pair{13, 71}, {97, 9}, {1, 1}, {50, 40}, {200, 160}}) {
            const TBitmap out = Resampled(flat, w, h, static_cast<TFilterKind>(f));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(PixelAt(out, x, y), colour) << f << " " << w << "x" << h << " at " << x << "," << y;
        }
}

TEST_F(ResampleTest, DegenerateSizes)
{
    const TBitmap source = RandomBitmap(9, 7, 11);
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {0, 0}}) {
        const TBitmap out = Resampled(source, w, h, TFilterKind::Mitchell);
        EXPECT_EQ(out.Width(), w);
        EXPECT_EQ(out.Height(), h);
        EXPECT_EQ(out.BitsPerPixel(), 24);
    }
    // An empty source gives a black target of the asked size.
    const TBitmap black = Resampled(TBitmap(), 4, 3, TFilterKind::Vennick);
    ASSERT_EQ(black.Width(), 4);
    EXPECT_EQ(black, TBitmap(4, 3, 24));
    // One pixel stretched anywhere stays that pixel.
    const TBitmap dot = MakeBitmap(1, 1, [](int, int) { return TBgr{1, 2, 3}; });
    const TBitmap spread = Resampled(dot, 6, 4, TFilterKind::Lanczos3);
    EXPECT_EQ(PixelAt(spread, 5, 3), (TBgr{1, 2, 3}));
    // A one-pixel target is centred on the line: with Box, the line's mean.
    EXPECT_EQ(GreyAt(Resampled(GreyLine({10, 20, 30, 40, 50}), 1, 1, TFilterKind::Box), 0), 30);
}

TEST_F(ResampleTest, BadArgumentsLeaveTheTargetAlone)
{
    const TBitmap source = RandomBitmap(9, 7, 11);
    TBitmap target = RandomBitmap(3, 3, 12);
    const TBitmap before = target;
    EXPECT_THROW(Resample(-1, 5, TFilterKind::Box, 0.0f, source, target), Error);
    EXPECT_THROW(Resample(5, 1 << 30, TFilterKind::Box, 0.0f, source, target), Error);
    EXPECT_THROW(Resample(5, 5, TFilterKind::Box, -1.0f, source, target), Error);
    EXPECT_THROW(Resample(5, 5, TFilterKind::Box, std::numeric_limits<float>::quiet_NaN(), source, target), Error);
    EXPECT_EQ(target, before);
    TBitmap eight(4, 4, 8);
    EXPECT_THROW(ResamplePasses(BoxKernel, 0.5f, source, eight), Error);
    EXPECT_THROW(ResamplePasses(BoxKernel, 0.5f, target, target), Error);
}

TEST_F(ResampleTest, AbsurdRadiusCostsNothingExtra)
{
    const TBitmap source = RandomBitmap(40, 30, 5);
    EXPECT_EQ(Resampled(source, 17, 61, TFilterKind::Vennick, 1e30f),
              Resampled(source, 17, 61, TFilterKind::Vennick, 4.0f));
}

TEST_F(ResampleTest, InPlaceAndOtherDepthsMatch)
{
    const TBitmap source = RandomBitmap(33, 21, 9);
    const TBitmap expected = Resampled(source, 20, 40, TFilterKind::Spline);
    TBitmap same = source;
    ResampleInPlace(20, 40, TFilterKind::Spline, 0.0f, same);
    EXPECT_EQ(same, expected);

    TBitmap wide = source.To24Bit();
    wide.SetPixelFormat(32);
    EXPECT_EQ(Resampled(wide, 20, 40, TFilterKind::Spline), expected);
}

TEST_F(ResampleTest, PictureSourceIsItsBitmap)
{
    const TBitmap source = RandomBitmap(14, 9, 21);
    TPicture picture;
    picture.AssignBitmap(source);
    TBitmap target;
    Resample(30, 5, TFilterKind::Hermite, 0.0f, picture, target);
    EXPECT_EQ(target, Resampled(source, 30, 5, TFilterKind::Hermite));
}

// Fast passes against the plain reference: random pictures and sizes, every
// filter, with and without vector code, on one and two threads.
void ExpectMatchesReference(const TBitmap &source, int w, int h, TFilterKernel kernel, float radius)
{
    TBitmap reference(w, h, 24);
    ResamplePassesReference(kernel, radius, source, reference);
    for (bool vector : {true, false})
        for (int threads : {1, 2}) {
            SetResampleVectorCode(vector);
            SetResampleThreads(threads);
            TBitmap fast(w, h, 24);
            ResamplePasses(kernel, radius, source, fast);
            ASSERT_EQ(fast, reference) << source.Width() << "x" << source.Height() << " -> " << w << "x" << h
                                       << " radius " << radius << " vector " << vector << " threads " << threads;
        }
}

TEST_F(ResampleTest, FastPassesMatchReferenceOnSmallPictures)
{
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> small(1, 3), any(1, 90);
    std::vector<std::tuple<int, int, int, int>> sizes = {
        {1, 1, 1, 1},   {1, 1, 5, 3},   {2, 3, 1, 1},  {2, 2, 9, 7},     {3, 1, 11, 2},  {3, 3, 2, 2},
        {90, 60, 1, 2}, {64, 48, 3, 1}, {80, 8, 7, 5}, {20, 30, 77, 91}, {13, 7, 40, 3}, {600, 3, 5, 9},
    };
    for (int r = 0; r < 16; ++r)
        sizes.emplace_back(r % 2 ? small(rng) : any(rng), any(rng), any(rng), r % 3 ? any(rng) : small(rng));
    int seed = 0;
    for (const auto &[sw, sh, tw, th] : sizes) {
        const TBitmap source = RandomBitmap(sw, sh, ++seed);
        for (std::size_t f = 0; f < kFilterCount; ++f)
            ExpectMatchesReference(source, tw, th, FilterKernels[f], FilterRadii[f]);
    }
}

TEST_F(ResampleTest, FastPassesMatchReferenceWhenSplitOverThreads)
{
    // Large enough that both passes are split; widths whose rows do not end on a
    // vector block.
    const TBitmap source = RandomBitmap(701, 503, 77);
    ExpectMatchesReference(source, 301, 199, Lanczos3Kernel, 3.0f);
    ExpectMatchesReference(source, 1003, 757, VennickKernel, 2.5f);
    ExpectMatchesReference(source, 97, 611, MitchellKernel, 2.0f);
}

TEST_F(ResampleTest, FastPassesMatchReferenceOutsideTheVectorLimits)
{
    const TBitmap source = RandomBitmap(37, 23, 5);
    ExpectMatchesReference(source, 50, 11, HugeKernel, 1.0f);
    ExpectMatchesReference(source, 19, 12, CancellingKernel, 1.0f);
    ExpectMatchesReference(source, 17, 19, BoxKernel, 0.0f);
}

} // namespace
} // namespace quillo
