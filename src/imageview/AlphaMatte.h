// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures with transparency are kept as 24-bit pixels like every other picture:
// the decoders compose them once over the matte, the colour of the workspace the
// views show around a picture, so a transparent part looks as if the picture lay
// on that workspace. The clipboard, copy mode and render window then get exactly
// what the view shows.
#include "imageview/Bitmap.h"

#include <cstdint>

namespace quillo {

// The program sets it from its workspace colour before any picture is decoded;
// pictures decoded earlier keep the matte they were composed over.
void SetAlphaMatte(TRGBQuad colour);
TRGBQuad AlphaMatte();

// One row into 24-bit blue, green, red. `source` holds `width` pixels of four bytes.
enum class TPixelOrder { Bgra, Rgba };
void ComposeRow(const std::uint8_t *source, TPixelOrder order, bool premultiplied, std::uint8_t *target,
                int width, TRGBQuad matte);
// Three-byte red, green, blue pixels (no alpha) into blue, green, red.
void SwapRgbRow(const std::uint8_t *source, std::uint8_t *target, int width);

} // namespace quillo
