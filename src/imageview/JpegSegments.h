// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The marker segments at the head of a JPEG file (before its scan): where the
// EXIF block and the colour profile are, and how a new encoding of the picture
// takes over the old file's metadata. Reads only; damaged data ends the walk.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillo {

struct TJpegSegment {
    std::uint8_t Marker = 0;   // the byte after 0xFF
    std::size_t Offset = 0;    // of the 0xFF
    std::size_t Length = 0;    // the whole segment, marker included
    std::span<const std::uint8_t> Payload; // after the length field
};

// The segments from the start of image up to (not including) the first scan;
// empty when the data is not a JPEG file.
std::vector<TJpegSegment> JpegHeadSegments(std::span<const std::uint8_t> jpeg);

// The TIFF data of the first EXIF block, or empty.
std::span<const std::uint8_t> JpegExifData(std::span<const std::uint8_t> jpeg);

// The embedded colour profile, its chunks joined in their numbered order; empty
// when there is none or its chunks are inconsistent.
std::vector<std::uint8_t> JpegIccProfile(std::span<const std::uint8_t> jpeg);

// `encoded` (a new encoding of the picture in `source`) with the metadata of
// `source` put back in: its APP1..APP15 and comment segments, in their order, the
// EXIF block replaced by `exif` (TIFF data; empty drops it). The encoder's own
// JFIF and Adobe segments stay, the source's are left out: they describe the
// coding, which is the new file's.
std::vector<std::uint8_t> JpegWithMetadataOf(std::span<const std::uint8_t> encoded,
                                             std::span<const std::uint8_t> source,
                                             std::span<const std::uint8_t> exif);

} // namespace quillo
