// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/JpegSegments.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace quillo {

namespace {

constexpr std::uint8_t kSOI = 0xD8, kSOS = 0xDA, kEOI = 0xD9, kTEM = 0x01, kRST0 = 0xD0, kRST7 = 0xD7,
                       kAPP0 = 0xE0, kAPP1 = 0xE1, kAPP2 = 0xE2,
                       kAPP14 = 0xEE, kAPP15 = 0xEF, kCOM = 0xFE;
constexpr std::string_view kExifId{"Exif\0\0", 6};
constexpr std::string_view kIccId{"ICC_PROFILE\0", 12};
// A segment's payload can hold at most this much after its two length bytes.
constexpr std::size_t kMaxPayload = 0xFFFF - 2;

bool StartsWith(std::span<const std::uint8_t> data, std::string_view id)
{
    return data.size() >= id.size() && std::memcmp(data.data(), id.data(), id.size()) == 0;
}

bool IsMetadata(std::uint8_t marker)
{
    return (marker > kAPP0 && marker <= kAPP15 && marker != kAPP14) || marker == kCOM;
}

bool IsExif(const TJpegSegment &s) { return s.Marker == kAPP1 && StartsWith(s.Payload, kExifId); }

void Append(std::vector<std::uint8_t> &out, std::span<const std::uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

} // namespace

std::vector<TJpegSegment> JpegHeadSegments(std::span<const std::uint8_t> jpeg)
{
    std::vector<TJpegSegment> segments;
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != kSOI)
        return segments;
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        if (jpeg[pos] != 0xFF)
            break;
        std::size_t markerPos = pos;
        while (markerPos + 1 < jpeg.size() && jpeg[markerPos + 1] == 0xFF) // fill bytes
            ++markerPos;
        if (markerPos + 4 > jpeg.size())
            break;
        const std::uint8_t marker = jpeg[markerPos + 1];
        // Every head segment has a length; the scan, or anything standalone, ends the head.
        if (marker == kSOS || marker == kEOI || marker == kSOI || marker == kTEM || (marker >= kRST0 && marker <= kRST7))
            break;
        const std::size_t length = (std::size_t(jpeg[markerPos + 2]) << 8) | jpeg[markerPos + 3];
        if (length < 2 || markerPos + 2 + length > jpeg.size())
            break;
        segments.push_back({marker, pos, markerPos + 2 + length - pos, jpeg.subspan(markerPos + 4, length - 2)});
        pos = markerPos + 2 + length;
    }
    return segments;
}

std::span<const std::uint8_t> JpegExifData(std::span<const std::uint8_t> jpeg)
{
    for (const TJpegSegment &s : JpegHeadSegments(jpeg))
        if (IsExif(s))
            return s.Payload.subspan(kExifId.size());
    return {};
}

std::vector<std::uint8_t> JpegIccProfile(std::span<const std::uint8_t> jpeg)
{
    // Chunk n of count (1-based) after the identifier; all chunks name the same count.
    std::vector<std::span<const std::uint8_t>> chunks;
    for (const TJpegSegment &s : JpegHeadSegments(jpeg)) {
        if (s.Marker != kAPP2 || !StartsWith(s.Payload, kIccId) || s.Payload.size() < kIccId.size() + 2)
            continue;
        const int number = s.Payload[kIccId.size()], count = s.Payload[kIccId.size() + 1];
        if (count == 0 || number == 0 || number > count)
            return {};
        if (chunks.empty())
            chunks.resize(count);
        if (int(chunks.size()) != count || !chunks[number - 1].empty())
            return {};
        chunks[number - 1] = s.Payload.subspan(kIccId.size() + 2);
    }
    std::vector<std::uint8_t> profile;
    for (std::span<const std::uint8_t> chunk : chunks) {
        if (chunk.empty())
            return {};
        Append(profile, chunk);
    }
    return profile;
}

std::vector<std::uint8_t> JpegWithMetadataOf(std::span<const std::uint8_t> encoded,
                                             std::span<const std::uint8_t> source,
                                             std::span<const std::uint8_t> exif)
{
    const std::vector<TJpegSegment> own = JpegHeadSegments(encoded);
    if (encoded.size() < 2 || encoded[0] != 0xFF || encoded[1] != kSOI)
        throw Error("The new encoding is not a JPEG file");
    if (exif.size() + kExifId.size() > kMaxPayload)
        throw Error("The EXIF block is too large for a JPEG file");

    std::vector<std::uint8_t> out;
    out.reserve(encoded.size() + source.size() / 16 + exif.size());
    out.push_back(0xFF);
    out.push_back(kSOI);
    // The encoder's JFIF marker must stay first; its coding segments follow the
    // carried metadata.
    std::size_t ownEnd = 2;
    for (const TJpegSegment &s : own) {
        if (s.Marker == kAPP0)
            Append(out, encoded.subspan(s.Offset, s.Length));
        ownEnd = s.Offset + s.Length;
    }
    for (const TJpegSegment &s : JpegHeadSegments(source)) {
        if (!IsMetadata(s.Marker))
            continue;
        if (!IsExif(s)) {
            Append(out, source.subspan(s.Offset, s.Length));
            continue;
        }
        if (exif.empty())
            continue;
        const std::size_t length = 2 + kExifId.size() + exif.size();
        const std::uint8_t head[4] = {0xFF, kAPP1, std::uint8_t(length >> 8), std::uint8_t(length & 0xFF)};
        Append(out, head);
        Append(out, {reinterpret_cast<const std::uint8_t *>(kExifId.data()), kExifId.size()});
        Append(out, exif);
        exif = {}; // one EXIF block
    }
    for (const TJpegSegment &s : own)
        if (s.Marker != kAPP0 && !IsMetadata(s.Marker))
            Append(out, encoded.subspan(s.Offset, s.Length));
    Append(out, encoded.subspan(ownEnd));
    return out;
}

} // namespace quillo
