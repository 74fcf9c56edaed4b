// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/ExifChunks.h"

#include <cstring>

namespace quillo {

namespace {

std::uint32_t Big32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint32_t Little32(const std::uint8_t *p)
{
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// Some writers keep the JPEG APP1 prefix in front of the TIFF data.
std::span<const std::uint8_t> WithoutPrefix(std::span<const std::uint8_t> block)
{
    if (block.size() >= 6 && std::memcmp(block.data(), "Exif\0\0", 6) == 0)
        return block.subspan(6);
    return block;
}

} // namespace

std::span<const std::uint8_t> PngExifData(std::span<const std::uint8_t> file)
{
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || std::memcmp(file.data(), signature, 8) != 0)
        return {};
    // Chunks: length, type, data, CRC. One step per chunk however large the picture.
    std::uint64_t at = 8;
    while (at + 8 <= file.size()) {
        const std::uint64_t length = Big32(&file[at]);
        const std::uint8_t *type = &file[at + 4];
        if (at + 8 + length > file.size() || std::memcmp(type, "IEND", 4) == 0)
            return {};
        if (std::memcmp(type, "eXIf", 4) == 0)
            return WithoutPrefix(file.subspan(at + 8, length));
        at += 12 + length;
    }
    return {};
}

std::span<const std::uint8_t> WebPExifData(std::span<const std::uint8_t> file)
{
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(&file[8], "WEBP", 4) != 0)
        return {};
    // Chunks: four-character code, little-endian length, data padded to an even length.
    std::uint64_t at = 12;
    while (at + 8 <= file.size()) {
        const std::uint64_t length = Little32(&file[at + 4]);
        if (at + 8 + length > file.size())
            return {};
        if (std::memcmp(&file[at], "EXIF", 4) == 0)
            return WithoutPrefix(file.subspan(at + 8, length));
        at += 8 + length + (length & 1);
    }
    return {};
}

} // namespace quillo
