// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/ExifOrientation.h"

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

} // namespace

int ExifBlockOrientation(std::span<const std::uint8_t> exif)
{
    // Some writers keep the JPEG APP1 prefix in front of the block.
    if (exif.size() >= 6 && std::memcmp(exif.data(), "Exif\0\0", 6) == 0)
        exif = exif.subspan(6);
    if (exif.size() < 8)
        return 1;
    const bool little = exif[0] == 'I' && exif[1] == 'I';
    if (!little && !(exif[0] == 'M' && exif[1] == 'M'))
        return 1;
    const auto get16 = [&](std::size_t at) -> unsigned {
        return little ? exif[at] | exif[at + 1] << 8 : exif[at] << 8 | exif[at + 1];
    };
    const auto get32 = [&](std::size_t at) { return little ? Little32(&exif[at]) : Big32(&exif[at]); };
    if (get16(2) != 42)
        return 1;
    const std::uint64_t ifd = get32(4);
    if (ifd + 2 > exif.size())
        return 1;
    const unsigned entries = get16(ifd);
    for (unsigned i = 0; i < entries; ++i) {
        const std::uint64_t at = ifd + 2 + std::uint64_t(i) * 12;
        if (at + 12 > exif.size())
            return 1;
        // Tag 0x0112, type SHORT, one value, held in the entry itself.
        if (get16(at) == 0x0112) {
            const unsigned value = get16(at + 8);
            return get16(at + 2) == 3 && value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

int PngOrientation(std::span<const std::uint8_t> file)
{
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || std::memcmp(file.data(), signature, 8) != 0)
        return 1;
    // Chunks: length, type, data, CRC. Only the lengths are read, so the walk costs
    // one step per chunk however large the picture.
    std::uint64_t at = 8;
    while (at + 8 <= file.size()) {
        const std::uint64_t length = Big32(&file[at]);
        const std::uint8_t *type = &file[at + 4];
        if (at + 8 + length > file.size() || std::memcmp(type, "IEND", 4) == 0)
            return 1;
        if (std::memcmp(type, "eXIf", 4) == 0)
            return ExifBlockOrientation(file.subspan(at + 8, length));
        at += 12 + length;
    }
    return 1;
}

int WebPOrientation(std::span<const std::uint8_t> file)
{
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(&file[8], "WEBP", 4) != 0)
        return 1;
    // Chunks: four-character code, little-endian length, data padded to an even length.
    std::uint64_t at = 12;
    while (at + 8 <= file.size()) {
        const std::uint64_t length = Little32(&file[at + 4]);
        if (at + 8 + length > file.size())
            return 1;
        if (std::memcmp(&file[at], "EXIF", 4) == 0)
            return ExifBlockOrientation(file.subspan(at + 8, length));
        at += 8 + length + (length & 1);
    }
    return 1;
}

} // namespace quillo
