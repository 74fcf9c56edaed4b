// SPDX-License-Identifier: GPL-3.0-or-later
// The metadata path of a JPEG file: its head segments, the EXIF block (read and
// rewritten upright), the colour profile, and a new encoding taking them over.
// Whatever the bytes, the answers stay in range and nothing crashes or hangs.
// The first byte chooses whether the rest is a whole file or an EXIF block alone.
#include "imageview/ColourProfile.h"
#include "imageview/ExifMetadata.h"
#include "imageview/JpegImage.h"
#include "imageview/JpegSegments.h"
#include "platform/Errors.h"

#include <algorithm>
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

std::vector<std::uint8_t> AsFile(std::span<const std::uint8_t> exif)
{
    std::vector<std::uint8_t> file{0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    const std::size_t take = std::min<std::size_t>(exif.size(), 0xFFFF - 8);
    file.insert(file.end(), exif.begin(), exif.begin() + take);
    file[4] = std::uint8_t((take + 8) >> 8), file[5] = std::uint8_t(take + 8);
    file.insert(file.end(), SmallJpeg().begin() + 2, SmallJpeg().end());
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    const std::vector<std::uint8_t> file = (data[0] & 1) ? AsFile(rest) : std::vector<std::uint8_t>(rest.begin(), rest.end());

    const std::span<const std::uint8_t> exif = quillo::JpegExifData(file);
    const int orientation = quillo::ExifOrientation(exif);
    if (orientation < 1 || orientation > 8)
        __builtin_trap();
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
