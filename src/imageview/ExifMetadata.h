// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The EXIF block's orientation tag, read and reset. A JPEG segment holds at most
// 64 KB, and a larger block from a PNG or WebP chunk is not parsed either, so the
// parser never sees more whatever the file claims.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillo {

// The orientation tag of an EXIF block (TIFF data), 1..8; 1 when the tag is
// missing, out of range or the block is damaged. Never throws.
int ExifOrientation(std::span<const std::uint8_t> tiff);

// The block for a picture turned upright: the orientation tag (when present) set
// to 1 and the thumbnail, which still shows the old way, dropped. Everything else
// stays; when only the tag changes the block is patched in place, byte for byte
// otherwise. Nothing when the block cannot be read: a damaged block is not carried.
std::optional<std::vector<std::uint8_t>> UprightExif(std::span<const std::uint8_t> tiff);

} // namespace quillo
