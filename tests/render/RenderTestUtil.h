// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small synthetic pictures for the render tests.
#include "imageview/Bitmap.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <random>
#include <vector>

namespace quillo::test {

struct TBgr {
    int Blue = 0, Green = 0, Red = 0;
    friend bool operator==(const TBgr &, const TBgr &) = default;
};

inline TBitmap MakeBitmap(int width, int height, const std::function<TBgr(int x, int y)> &color)
{
    TBitmap b(width, height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = b.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const TBgr c = color(x, y);
            row[3 * x] = static_cast<std::uint8_t>(c.Blue);
            row[3 * x + 1] = static_cast<std::uint8_t>(c.Green);
            row[3 * x + 2] = static_cast<std::uint8_t>(c.Red);
        }
    }
    return b;
}

inline TBitmap GreyLine(std::initializer_list<int> values)
{
    std::vector<int> v(values);
    return MakeBitmap(static_cast<int>(v.size()), 1, [&](int x, int) { return TBgr{v[x], v[x], v[x]}; });
}

inline TBitmap RandomBitmap(int width, int height, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    return MakeBitmap(width, height, [&](int, int) { return TBgr{byte(rng), byte(rng), byte(rng)}; });
}

inline TBgr PixelAt(const TBitmap &b, int x, int y)
{
    const std::uint8_t *p = b.ScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

inline int GreyAt(const TBitmap &b, int x, int y = 0)
{
    return b.ScanLine(y)[3 * x];
}

} // namespace quillo::test
