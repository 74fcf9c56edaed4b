// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture of random bytes at any depth (with a full palette when it has one):
// every pixel differs from its neighbours, so any misplaced pixel shows.
#include "imageview/Bitmap.h"

#include <cstdint>
#include <random>

namespace quillo::test {

inline TBitmap Noise(int w, int h, int bits, unsigned seed)
{
    TBitmap b(w, h, bits);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            b.ColorTable().push_back({std::uint8_t(i * 7), std::uint8_t(i * 13), std::uint8_t(255 - i), 0});
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (std::size_t i = 0; i < b.RowBytes(); ++i)
            b.ScanLine(y)[i] = static_cast<std::uint8_t>(rng());
    b.ClearPadding();
    return b;
}

} // namespace quillo::test
