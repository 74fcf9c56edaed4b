// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A test picture for the codec benchmarks: smooth colour fields with grain, so it
// compresses like a photograph, not like noise.
#include "imageview/Bitmap.h"

#include <cstdint>
#include <random>

namespace quillo::bench {

inline TBitmap PhotoLike(int w, int h, int grain, unsigned seed)
{
    TBitmap b(w, h, 24);
    std::mt19937 rng(seed);
    auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < h; ++y) {
        std::uint8_t *p = b.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const int n = grain ? static_cast<int>(rng() % (2 * grain + 1)) - grain : 0;
            p[0] = clamp((x * 255) / w + n);
            p[1] = clamp((y * 255) / h + n);
            p[2] = clamp(((x + y) / 7) % 256 + n);
        }
    }
    return b;
}

} // namespace quillo::bench
