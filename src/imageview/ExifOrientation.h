// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The EXIF orientation (1 to 8) that PNG (eXIf chunk) and WebP (EXIF chunk) files
// may carry, which Qt's readers for those formats leave alone. Anything missing,
// damaged or out of range reads as 1, the picture as stored: a bad tag must not
// stop a picture from showing.
#include <cstdint>
#include <span>

namespace quillo {

// From a TIFF-structured EXIF block (byte order mark, IFD0, tag 0x0112).
int ExifBlockOrientation(std::span<const std::uint8_t> exif);
int PngOrientation(std::span<const std::uint8_t> file);
int WebPOrientation(std::span<const std::uint8_t> file);

// True for the orientations whose picture is shown turned by a quarter (5 to 8).
inline bool OrientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

} // namespace quillo
