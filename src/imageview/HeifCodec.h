// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// HEIC, HEIF and AVIF through libheif (HEVC and AV1 pictures alike). The primary
// picture is shown, with the file's rotation, mirroring and crop applied.
// Failures throw Error with libheif's cause.
#include "imageview/Bitmap.h"
#include "imageview/CodedSize.h"

#include <cstdint>
#include <span>

namespace quillo {

// The shown size from the file's boxes alone; refuses pictures beyond the pixel limit.
TCodedSize ReadHeifSize(std::span<const std::uint8_t> data);
// The primary picture as 24-bit pixels, alpha composed over the matte.
TBitmap DecodeHeif(std::span<const std::uint8_t> data);

} // namespace quillo
