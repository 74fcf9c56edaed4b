// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bitmap-file form: 14-byte file header, information header, colour table,
// pixel rows bottom-up (or top-down for a negative height), padded to 4 bytes.
#include "imageview/Bitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillo {

// Reads every variant: 1, 2, 4, 8, 16, 24 and 32 bits; BI_RGB, RLE4, RLE8 and
// BI_BITFIELDS; OS/2 core (12-byte), V3 (40), V4 (108) and V5 (124) headers;
// top-down and bottom-up; colour tables shorter than 2^bits. Throws Error with a
// clear message for anything damaged, truncated or too large. maxPixelBytes bounds
// the picture as CheckDimensions does (counted as 24-bit pixels); callers that must
// stay small, such as the fuzzer, pass a lower bound.
TBitmap ReadBmp(std::span<const std::uint8_t> file, std::uint64_t maxPixelBytes = kMaxPixelBytes);
TBitmap ReadBmpFile(const std::string &path);

// Writes a V3 (40-byte) bitmap file that keeps the depth and colour table; 16- and
// 32-bit bitmaps with masks other than 5-5-5 / 8-8-8 are written as BI_BITFIELDS.
std::vector<std::uint8_t> WriteBmp(const TBitmap &bitmap);
// Through SafeWriteFile.
void WriteBmpFile(const TBitmap &bitmap, const std::string &path);

} // namespace quillo
