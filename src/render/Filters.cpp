// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/Filters.h"

#include <cmath>
#include <numbers>

namespace quillo {

// Each kernel gets t = |x| as a float and returns a float. The terms in between
// are doubles unless a step is explicitly rounded with F(); changing where a value
// is rounded changes weights by one unit now and then, so the rounding points are
// part of the result.
namespace {

constexpr float F(double v) { return static_cast<float>(v); }

// sin(pi u) / (pi u) with pi u rounded to float before both uses.
float Sinc(float u)
{
    if (u == 0.0f)
        return 1.0f;
    const float pu = F(std::numbers::pi * u);
    return F(std::sin(double(pu)) / double(pu));
}

} // namespace

float BoxKernel(float x)
{
    // Half-open on purpose: -0.5 is out, +0.5 is in, so a pixel centre exactly
    // between two source pixels takes only one of them.
    return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f;
}

float TriangleKernel(float x)
{
    const double t = std::fabs(x);
    return t < 1.0 ? F(1.0 - t) : 0.0f;
}

float HermiteKernel(float x)
{
    const double t = std::fabs(x);
    return t < 1.0 ? F((2.0 * t - 3.0) * (t * t) + 1.0) : 0.0f;
}

float BellKernel(float x)
{
    const double t = std::fabs(x);
    if (t < 0.5)
        return F(0.75 - t * t);
    if (t < 1.5) {
        const double u = t - 1.5;
        return F(0.5 * (u * u));
    }
    return 0.0f;
}

float SplineKernel(float x)
{
    // Cubic B-spline.
    const double t = std::fabs(x);
    if (t < 1.0) {
        const double tt = t * t;
        return F(0.5 * tt * t - tt + 2.0 / 3.0);
    }
    if (t < 2.0) {
        const double u = 2.0 - t;
        return F(u * u * u / 6.0);
    }
    return 0.0f;
}

float Lanczos3Kernel(float x)
{
    const float t = std::fabs(x);
    if (t >= 3.0f)
        return 0.0f;
    return F(double(Sinc(t)) * double(Sinc(F(double(t) / 3.0))));
}

float MitchellKernel(float x)
{
    // Mitchell-Netravali cubic, B = C = 1/3; t^2 is kept as a float and the
    // bracket is rounded to float before the division by 6.
    const double t = std::fabs(x);
    const double tt = F(t * t);
    if (t < 1.0) {
        const float bracket = F(7.0 * t * tt - 12.0 * tt + 16.0 / 3.0);
        return F(double(bracket) / 6.0);
    }
    if (t < 2.0) {
        const float bracket = F(-7.0 / 3.0 * t * tt + 12.0 * tt - 20.0 * t + 32.0 / 3.0);
        return F(double(bracket) / 6.0);
    }
    return 0.0f;
}

float VennickKernel(float x)
{
    // Algebraically L*M - B*M - 2B - L: negative over most of its range; the
    // weighted sum's division by the total of the weights makes it usable.
    const float t = std::fabs(x);
    if (t >= 3.0f)
        return 0.0f;
    const double m = MitchellKernel(t);
    const double b = BellKernel(t);
    const double l = Lanczos3Kernel(t);
    const float s = F(l * m - b - b * m + m);
    return F(double(s) - (m + b + l));
}

const std::array<TFilterKernel, kFilterCount> FilterKernels = {
    BoxKernel,    TriangleKernel, HermiteKernel,  BellKernel,
    SplineKernel, Lanczos3Kernel, MitchellKernel, VennickKernel,
};

// Vennick's 2.5 is narrower than its kernel (non-zero up to 3); the window, not
// the kernel, decides which offsets count.
const std::array<float, kFilterCount> FilterRadii = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f, 2.5f};

} // namespace quillo
