// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/DisplayCopy.h"

#include "platform/Errors.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace quillo {

std::vector<int> StretchIndices(int sourceLength, int targetLength)
{
    if (sourceLength <= 0 || targetLength <= 0)
        return {};
    // The step is the scale in 16.16 fixed point, truncated; the first sample sits
    // half a target pixel in, rounded up, less one unit. Both stay below their
    // exact values, so the last sample, at most scale * (targetLength - 1/2), lies
    // inside the source. Done in 64 bits, so lines of 65,536 pixels and more step
    // on where 32-bit arithmetic would wrap round.
    const double scale = static_cast<double>(sourceLength) / static_cast<double>(targetLength);
    const auto step = static_cast<std::int64_t>(65536.0 * scale);
    const std::int64_t first = static_cast<std::int64_t>(std::ceil(0.5 * scale * 65536.0)) - 1;
    std::vector<int> indices(static_cast<std::size_t>(targetLength));
    std::int64_t position = first;
    for (int &index : indices) {
        index = static_cast<int>(position >> 16);
        position += step;
    }
    return indices;
}

void SampleStretched(const TBitmap &source, const std::vector<int> &columns, const std::vector<int> &rows, int x0,
                     int y0, int x1, int y1, std::uint32_t *target, std::ptrdiff_t targetStride)
{
    if (x0 < 0 || y0 < 0 || x1 > static_cast<int>(columns.size()) || y1 > static_cast<int>(rows.size()))
        throw Error("Display copy outside the stretched picture");
    if (x1 <= x0 || y1 <= y0)
        return;
    const bool bytes24 = source.BitsPerPixel() == 24;
    const bool bytes32 = source.BitsPerPixel() == 32 && source.Masks() == TBitmap::DefaultMasks(32);
    for (int y = y0; y < y1; ++y, target += targetStride) {
        const std::uint8_t *row = source.ScanLine(rows[static_cast<std::size_t>(y)]);
        const int *column = columns.data() + x0;
        std::uint32_t *out = target;
        if (bytes24 || bytes32) {
            const int step = bytes24 ? 3 : 4;
            for (int x = x0; x < x1; ++x, ++column) {
                const std::uint8_t *p = row + static_cast<std::ptrdiff_t>(*column) * step;
                *out++ = 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
            }
            continue;
        }
        // Palette and 16-bit pixels: rare, so the general lookup serves.
        const int y0Source = rows[static_cast<std::size_t>(y)];
        for (int x = x0; x < x1; ++x, ++column) {
            const TRGBQuad c = source.PixelColor(*column, y0Source);
            *out++ = 0xFF000000u | std::uint32_t(c.Red) << 16 | std::uint32_t(c.Green) << 8 | c.Blue;
        }
    }
}

} // namespace quillo
