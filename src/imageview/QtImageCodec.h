// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PNG, GIF, TIFF and WebP through Qt's image readers (the last two are Qt's
// image-format plugins). Only the reader named by `format` ("png", "gif", "tiff",
// "webp") ever sees the bytes. Failures throw Error with the reader's cause.
#include "imageview/Bitmap.h"
#include "imageview/CodedSize.h"

#include <cstdint>
#include <span>

namespace quillo {

// The shown size from the header alone; refuses pictures beyond the pixel limit.
TCodedSize ReadQtImageSize(const char *format, std::span<const std::uint8_t> data);
// The first frame as 24-bit pixels, orientation applied, alpha composed over the matte.
TBitmap DecodeQtImage(const char *format, std::span<const std::uint8_t> data);

} // namespace quillo
