// SPDX-License-Identifier: GPL-3.0-or-later
// The metadata path of a JPEG file: its head segments, the EXIF block (read and
// rewritten upright), the colour profile, and a new encoding taking them over; and
// the EXIF blocks of PNG and WebP files, read the same way. Whatever the bytes, the
// answers stay in range and nothing crashes or hangs. The first byte's low two bits
// choose whether the rest is a whole file or an EXIF block put in a JPEG, PNG or WebP.
#include "imageview/ColourProfile.h"
#include "imageview/ExifChunks.h"
#include "imageview/ExifMetadata.h"
#include "imageview/JpegImage.h"
#include "imageview/JpegSegments.h"
#include "platform/Errors.h"

#include <algorithm>
#include <iterator>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace {

const std::vector<std::uint8_t> &SmallJpeg()
{
    static const std::vector<std::uint8_t> jpeg = quillo::EncodeJpeg(quillo::TBitmap(16, 16, 24), 75);
    return jpeg;
}

std::vector<std::uint8_t> AsJpeg(std::span<const std::uint8_t> exif)
{
    std::vector<std::uint8_t> file{0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    const std::size_t take = std::min<std::size_t>(exif.size(), 0xFFFF - 8);
    file.insert(file.end(), exif.begin(), exif.begin() + take);
    file[4] = std::uint8_t((take + 8) >> 8), file[5] = std::uint8_t(take + 8);
    file.insert(file.end(), SmallJpeg().begin() + 2, SmallJpeg().end());
    return file;
}

// A chunk header (PNG: big-endian length then type; WebP: type then little-endian
// length) followed by the block. Neither format's reader checks more than that.
std::vector<std::uint8_t> AsChunk(std::span<const std::uint8_t> exif, bool png)
{
    std::vector<std::uint8_t> file;
    const auto n = static_cast<std::uint32_t>(exif.size());
    const std::uint8_t length[4] = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
    if (png) {
        file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        file.insert(file.end(), length, length + 4);
        file.insert(file.end(), {'e', 'X', 'I', 'f'});
    } else {
        file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'E', 'X', 'I', 'F'};
        file.insert(file.end(), std::make_reverse_iterator(length + 4), std::make_reverse_iterator(length));
    }
    file.insert(file.end(), exif.begin(), exif.end());
    return file;
}

void CheckBlock(std::span<const std::uint8_t> file, std::span<const std::uint8_t> exif)
{
    if (!exif.empty() && (exif.data() < file.data() || exif.data() + exif.size() > file.data() + file.size()))
        __builtin_trap();
    const int orientation = quillo::ExifOrientation(exif);
    if (orientation < 1 || orientation > 8)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    const int kind = data[0] & 3;
    const std::vector<std::uint8_t> file = kind == 1   ? AsJpeg(rest)
                                           : kind == 0 ? std::vector<std::uint8_t>(rest.begin(), rest.end())
                                                       : AsChunk(rest, kind == 2);
    CheckBlock(file, quillo::PngExifData(file));
    CheckBlock(file, quillo::WebPExifData(file));

    const std::span<const std::uint8_t> exif = quillo::JpegExifData(file);
    CheckBlock(file, exif);
    const std::optional<std::vector<std::uint8_t>> upright = quillo::UprightExif(exif);
    if (upright && quillo::ExifOrientation(*upright) != 1)
        __builtin_trap();

    const std::vector<std::uint8_t> profile = quillo::JpegIccProfile(file);
    if (auto conversion = quillo::TColourConversion::ToDisplay(profile)) {
        quillo::TBitmap pixels(4, 2, 24);
        conversion->Apply(pixels);
    }

    try {
        const std::vector<std::uint8_t> joined =
            quillo::JpegWithMetadataOf(SmallJpeg(), file, upright.value_or(std::vector<std::uint8_t>{}));
        // What was carried over is well formed: the new file decodes as the encoding did.
        if (quillo::DecodeJpeg(joined).Width() != 16)
            __builtin_trap();
    } catch (const quillo::Error &) {
    }
    return 0;
}
