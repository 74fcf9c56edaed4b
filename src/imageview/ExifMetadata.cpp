// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/ExifMetadata.h"

#include <exiv2/exiv2.hpp>

#include <cstring>
#include <exception>
#include <mutex>

namespace quillo {

namespace {

constexpr std::size_t kMaxExif = 0xFFFF;
const char *const kOrientationKey = "Exif.Image.Orientation";

bool LooksLikeTiff(std::span<const std::uint8_t> tiff)
{
    static const std::uint8_t intel[4] = {'I', 'I', 42, 0}, motorola[4] = {'M', 'M', 0, 42};
    return tiff.size() >= 8 && tiff.size() <= kMaxExif &&
           (std::memcmp(tiff.data(), intel, 4) == 0 || std::memcmp(tiff.data(), motorola, 4) == 0);
}

// The library reports oddities of damaged files on standard error; a viewer meets
// many such files and has nothing to add.
void Quieten()
{
    static std::once_flag once;
    std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

// Decodes into `data`; false when the block cannot be read.
bool Decode(std::span<const std::uint8_t> tiff, Exiv2::ExifData &data, Exiv2::ByteOrder &order)
{
    if (!LooksLikeTiff(tiff))
        return false;
    Quieten();
    try {
        order = Exiv2::ExifParser::decode(data, tiff.data(), static_cast<std::uint32_t>(tiff.size()));
        return order != Exiv2::invalidByteOrder;
    } catch (const std::exception &) {
        return false;
    }
}

} // namespace

int ExifOrientation(std::span<const std::uint8_t> tiff)
{
    Exiv2::ExifData data;
    Exiv2::ByteOrder order = Exiv2::invalidByteOrder;
    if (!Decode(tiff, data, order))
        return 1;
    try {
        const auto found = data.findKey(Exiv2::ExifKey(kOrientationKey));
        if (found == data.end() || found->count() != 1)
            return 1;
        const long value = found->toLong();
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    } catch (const std::exception &) {
        return 1;
    }
}

std::optional<std::vector<std::uint8_t>> UprightExif(std::span<const std::uint8_t> tiff)
{
    Exiv2::ExifData data;
    Exiv2::ByteOrder order = Exiv2::invalidByteOrder;
    if (!Decode(tiff, data, order))
        return std::nullopt;
    try {
        // Every copy of the tag, of whatever type or count, gives way to one proper tag.
        const Exiv2::ExifKey key(kOrientationKey);
        bool hadTag = false;
        for (auto found = data.findKey(key); found != data.end(); found = data.findKey(key)) {
            data.erase(found);
            hadTag = true;
        }
        if (hadTag)
            data[kOrientationKey] = static_cast<std::uint16_t>(1);
        Exiv2::ExifThumb(data).erase();
        // In place when the structure allows it (only a value changed); the
        // library writes the given buffer then, so it gets a copy.
        std::vector<std::uint8_t> patched(tiff.begin(), tiff.end());
        Exiv2::Blob rewritten;
        const Exiv2::WriteMethod method = Exiv2::ExifParser::encode(
            rewritten, patched.data(), static_cast<std::uint32_t>(patched.size()), order, data);
        std::vector<std::uint8_t> result = method == Exiv2::wmNonIntrusive
                                               ? std::move(patched)
                                               : std::vector<std::uint8_t>(rewritten.begin(), rewritten.end());
        // What a damaged block turns into is checked, not trusted.
        if (result.size() > kMaxExif - 8 || ExifOrientation(result) != 1)
            return std::nullopt;
        return result;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

} // namespace quillo
