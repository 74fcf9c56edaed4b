// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/Filters.h"
#include "render/Resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace quillo {
namespace {

TEST(Filters, BoxIsHalfOpen)
{
    EXPECT_EQ(BoxKernel(-0.5f), 0.0f);
    EXPECT_EQ(BoxKernel(0.5f), 1.0f);
    EXPECT_EQ(BoxKernel(std::nextafter(-0.5f, 0.0f)), 1.0f);
    EXPECT_EQ(BoxKernel(std::nextafter(0.5f, 1.0f)), 0.0f);
}

TEST(Filters, KernelsVanishAtTheirSupportAndAreSymmetric)
{
    const std::map<TFilterKernel, float> support = {
        {TriangleKernel, 1.0f}, {HermiteKernel, 1.0f}, {BellKernel, 1.5f},     {SplineKernel, 2.0f},
        {Lanczos3Kernel, 3.0f}, {MitchellKernel, 2.0f}, {VennickKernel, 3.0f},
    };
    for (const auto &[kernel, edge] : support) {
        EXPECT_EQ(kernel(edge), 0.0f);
        EXPECT_EQ(kernel(-edge), 0.0f);
        EXPECT_EQ(kernel(edge + 0.25f), 0.0f);
        EXPECT_NE(kernel(edge - 0.25f), 0.0f);
        for (float x = 0.0f; x < 3.5f; x += 0.0625f)
            EXPECT_EQ(kernel(x), kernel(-x)) << x;
    }
}

TEST(Filters, KernelValuesAtKnownPoints)
{
    EXPECT_EQ(TriangleKernel(0.25f), 0.75f);
    EXPECT_EQ(HermiteKernel(0.5f), 0.5f);
    EXPECT_EQ(BellKernel(0.0f), 0.75f);
    EXPECT_EQ(BellKernel(1.0f), 0.125f);
    EXPECT_FLOAT_EQ(SplineKernel(0.0f), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(SplineKernel(1.0f), 1.0f / 6.0f);
    EXPECT_EQ(Lanczos3Kernel(0.0f), 1.0f);
    EXPECT_NEAR(Lanczos3Kernel(0.5f), 0.6079271f, 1e-6);
    EXPECT_FLOAT_EQ(MitchellKernel(0.0f), 8.0f / 9.0f);
    EXPECT_FLOAT_EQ(MitchellKernel(1.0f), 1.0f / 18.0f);
    // Vennick is negative over most of its range and positive around 1.5.
    EXPECT_NEAR(VennickKernel(0.0f), -2.2778f, 1e-4);
    EXPECT_NEAR(VennickKernel(1.0f), -0.2569f, 1e-4);
    EXPECT_NEAR(VennickKernel(1.5f), 0.1398f, 1e-4);
    EXPECT_GT(VennickKernel(2.9f), -0.01f);
}

TEST(Filters, TableAndIndexFallback)
{
    EXPECT_EQ(FilterRadii, (std::array<float, 8>{0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f, 2.5f}));
    EXPECT_EQ(FilterKernels[0], BoxKernel);
    EXPECT_EQ(FilterKernels[5], Lanczos3Kernel);
    EXPECT_EQ(FilterKernels[7], VennickKernel);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(FilterIndex(static_cast<TFilterKind>(i)), std::size_t(i));
    // An empty settings selection (-1) truncates to 255.
    EXPECT_EQ(FilterIndex(static_cast<TFilterKind>(8)), 7u);
    EXPECT_EQ(FilterIndex(static_cast<TFilterKind>(255)), 7u);
}

// The weights of one pixel in the middle of a line resampled to its own size,
// by offset from that pixel.
std::map<int, int> EqualSizeWeights(TFilterKind filter)
{
    const auto i = FilterIndex(filter);
    const TContributorList list = BuildContributorList(20, 20, FilterKernels[i], FilterRadii[i]);
    std::map<int, int> weights;
    const TContributorEntry &e = list[10];
    EXPECT_EQ(e.Count, static_cast<int>(e.Contributors.size()));
    for (int c = 0; c < e.Count; ++c)
        weights[e.Contributors[c].Pixel - 10] = e.Contributors[c].Weight;
    return weights;
}

TEST(Filters, WeightsAtScaleOne)
{
    const std::map<int, int> identity = {{0, 256}};
    EXPECT_EQ(EqualSizeWeights(TFilterKind::Box), identity);
    EXPECT_EQ(EqualSizeWeights(TFilterKind::Triangle), identity);
    EXPECT_EQ(EqualSizeWeights(TFilterKind::Hermite), identity);
    EXPECT_EQ(EqualSizeWeights(TFilterKind::Lanczos3), identity);
    EXPECT_EQ(EqualSizeWeights(TFilterKind::Bell), (std::map<int, int>{{-1, 32}, {0, 192}, {1, 32}}));
    EXPECT_EQ(EqualSizeWeights(TFilterKind::Spline), (std::map<int, int>{{-1, 43}, {0, 171}, {1, 43}}));
    EXPECT_EQ(EqualSizeWeights(TFilterKind::Mitchell), (std::map<int, int>{{-1, 14}, {0, 228}, {1, 14}}));
    EXPECT_EQ(EqualSizeWeights(TFilterKind::Vennick), (std::map<int, int>{{-1, -66}, {0, -583}, {1, -66}}));
}

} // namespace
} // namespace quillo
