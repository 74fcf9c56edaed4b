// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/PixelOps.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace quillo {

TBitmap HalveBitmap(const TBitmap &source)
{
    TBitmap converted;
    const TBitmap *src = &source;
    if (source.BitsPerPixel() != 24) {
        converted = source.To24Bit();
        src = &converted;
    }
    const int width = src->Width() / 2, height = src->Height() / 2;
    TBitmap result(width, height, 24);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *a = src->ScanLine(2 * y);
        const std::uint8_t *b = src->ScanLine(2 * y + 1);
        std::uint8_t *d = result.ScanLine(y);
        for (int x = 0; x < width; ++x, a += 6, b += 6, d += 3)
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<std::uint8_t>((a[c] + a[c + 3] + b[c] + b[c + 3]) / 4);
    }
    return result;
}

void ApplyLightCorrection(TBitmap &bitmap, bool increase)
{
    if (bitmap.BitsPerPixel() != 24)
        bitmap.SetPixelFormat(24);
    const int width = bitmap.Width(), height = bitmap.Height();
    if (width == 0 || height == 0)
        return;
    // The output is written in place; the neighbour is read from an untouched copy.
    const TBitmap reference = bitmap;

    // Every value of each formula, for one channel value (and one neighbour value).
    std::array<std::uint8_t, 256> band{}, scale{};
    std::array<int, 256> third{}, seventh{};
    for (int c = 0; c < 256; ++c) {
        band[c] = static_cast<std::uint8_t>(std::min((3 * c + 150) / 4, 255));
        scale[c] = static_cast<std::uint8_t>(std::min(15 * c / 16, 255));
        third[c] = (2 * c + 150) / 3;
        seventh[c] = (6 * c + 150) / 7;
    }

    // Row starts looked up once, then the loop walks bytes directly.
    std::vector<const std::uint8_t *> in(height);
    std::vector<std::uint8_t *> out(height);
    for (int y = 0; y < height; ++y) {
        in[y] = reference.ScanLine(y);
        out[y] = bitmap.ScanLine(y);
    }

    const std::size_t rowBytes = 3 * std::size_t(width);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *s = in[y];
        std::uint8_t *d = out[y];
        if (!increase) {
            for (std::size_t i = 0; i < rowBytes; ++i)
                d[i] = scale[s[i]];
            continue;
        }
        // Inner pixels: 3 <= x <= width - 3 and 3 <= y <= height - 3. Their right
        // neighbour x + 1 <= width - 2 is always inside the picture.
        const bool innerRow = y >= 3 && y <= height - 3;
        const int x0 = innerRow ? 3 : width;
        const int x1 = innerRow ? width - 3 : width - 1; // last inner column
        for (int x = 0; x < width; ++x) {
            const std::size_t i = 3 * std::size_t(x);
            if (x >= x0 && x <= x1) {
                for (int c = 0; c < 3; ++c) {
                    const int v = (third[s[i + c]] + seventh[s[i + c]] + third[s[i + 3 + c]]) / 3;
                    d[i + c] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
                }
            } else {
                for (int c = 0; c < 3; ++c)
                    d[i + c] = band[s[i + c]];
            }
        }
    }
}

TRenderSize FitRenderSize(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight)
{
    const int cw = std::max(clientWidth, 0), ch = std::max(clientHeight, 0);
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return {cw, ch};
    // Every quotient below stays within the client size, so the casts cannot overflow.
    const double aspect = double(pictureWidth) / double(pictureHeight);
    TRenderSize size;
    if (pictureHeight < pictureWidth) {
        size.Width = cw;
        size.Height = static_cast<int>(cw / aspect);
        if (size.Height > ch) {
            size.Height = ch;
            size.Width = static_cast<int>(ch * aspect);
        }
    } else {
        size.Height = ch;
        size.Width = static_cast<int>(ch * aspect);
        if (size.Width > cw) {
            size.Width = cw;
            size.Height = static_cast<int>(cw / aspect);
        }
    }
    return size;
}

} // namespace quillo
