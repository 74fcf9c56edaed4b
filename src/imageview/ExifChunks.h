// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the EXIF block of a PNG (eXIf chunk) or WebP (EXIF chunk) file is. Qt's
// readers for those formats leave it alone, so the orientation is read from it
// the way a JPEG's is. Only chunk lengths are walked; the block is read elsewhere.
#include <cstdint>
#include <span>

namespace quillo {

// The TIFF data of the file's EXIF block, or empty when there is none or the
// chunks before it are damaged.
std::span<const std::uint8_t> PngExifData(std::span<const std::uint8_t> file);
std::span<const std::uint8_t> WebPExifData(std::span<const std::uint8_t> file);

} // namespace quillo
