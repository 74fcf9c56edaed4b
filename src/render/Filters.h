// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The eight resampling kernels and the table that pairs each filter index with a
// kernel and a default radius (the kernel's half-width at scale 1).
#include <array>
#include <cstddef>
#include <cstdint>

namespace quillo {

// The filter index as the settings keep it (the selected row of the filter list,
// truncated to 8 bits); any value can arrive, see FilterIndex().
enum class TFilterKind : std::uint8_t {
    Box = 0,
    Triangle = 1,
    Hermite = 2,
    Bell = 3,
    Spline = 4,
    Lanczos3 = 5,
    Mitchell = 6,
    Vennick = 7,
};

inline constexpr std::size_t kFilterCount = 8;
// The settings' default, and what an index outside 0..7 falls back to.
inline constexpr TFilterKind kDefaultFilterKind = TFilterKind::Vennick;

using TFilterKernel = float (*)(float);

// Kernels take and return 32-bit floats. Intermediate terms are formed in double
// and rounded to float where noted in Filters.cpp and on return, so every weight
// derived from them is reproducible bit for bit.
float BoxKernel(float x);
float TriangleKernel(float x);
float HermiteKernel(float x);
float BellKernel(float x);
float SplineKernel(float x);
float Lanczos3Kernel(float x);
float MitchellKernel(float x);
float VennickKernel(float x);

extern const std::array<TFilterKernel, kFilterCount> FilterKernels;
extern const std::array<float, kFilterCount> FilterRadii;

// The table row for a filter: 0..7 as given, anything else the default (7). The
// only way Quillo turns a filter index into a table position.
constexpr std::size_t FilterIndex(TFilterKind filter)
{
    const auto index = static_cast<std::size_t>(filter);
    return index < kFilterCount ? index : static_cast<std::size_t>(kDefaultFilterKind);
}

} // namespace quillo
