// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/AlphaMatte.h"

#include <atomic>

namespace quillo {

namespace {

// A mid grey until the program says otherwise: light and dark pictures both stay visible.
std::atomic<std::uint32_t> gMatte{0xA0A0A0};

inline std::uint8_t Div255(unsigned v)
{
    return static_cast<std::uint8_t>((v + 128 + ((v + 128) >> 8)) >> 8);
}

} // namespace

void SetAlphaMatte(TRGBQuad colour)
{
    gMatte = std::uint32_t(colour.Red) << 16 | std::uint32_t(colour.Green) << 8 | colour.Blue;
}

TRGBQuad AlphaMatte()
{
    const std::uint32_t v = gMatte;
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16), 0};
}

void ComposeRow(const std::uint8_t *source, TPixelOrder order, bool premultiplied, std::uint8_t *target,
                int width, TRGBQuad matte)
{
    const int r = order == TPixelOrder::Bgra ? 2 : 0;
    const int b = 2 - r;
    const unsigned mb = matte.Blue, mg = matte.Green, mr = matte.Red;
    for (int x = 0; x < width; ++x, source += 4, target += 3) {
        const unsigned a = source[3];
        if (a == 255) {
            target[0] = source[b];
            target[1] = source[1];
            target[2] = source[r];
        } else if (premultiplied) {
            // The colour already carries its alpha; only the matte's share is added
            // (clamped: a damaged file may hold colour above its alpha).
            const unsigned rest = 255 - a;
            const unsigned cb = source[b] + Div255(mb * rest), cg = source[1] + Div255(mg * rest),
                           cr = source[r] + Div255(mr * rest);
            target[0] = static_cast<std::uint8_t>(cb > 255 ? 255 : cb);
            target[1] = static_cast<std::uint8_t>(cg > 255 ? 255 : cg);
            target[2] = static_cast<std::uint8_t>(cr > 255 ? 255 : cr);
        } else {
            const unsigned rest = 255 - a;
            target[0] = Div255(source[b] * a + mb * rest);
            target[1] = Div255(source[1] * a + mg * rest);
            target[2] = Div255(source[r] * a + mr * rest);
        }
    }
}

void SwapRgbRow(const std::uint8_t *source, std::uint8_t *target, int width)
{
    for (int x = 0; x < width; ++x, source += 3, target += 3) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
    }
}

} // namespace quillo
