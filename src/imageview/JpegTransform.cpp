// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/JpegTransform.h"

#include "imageview/ExifMetadata.h"
#include "imageview/JpegImage.h"
#include "imageview/JpegSegments.h"
#include "imageview/Orientation.h"
#include "platform/Errors.h"

#include <turbojpeg.h>

#include <array>
#include <memory>
#include <optional>

namespace quillo {

namespace {

// The transform library's operation for each orientation number.
constexpr std::array<int, 9> kTransformOps{TJXOP_NONE, TJXOP_NONE,      TJXOP_HFLIP, TJXOP_ROT180, TJXOP_VFLIP,
                                           TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};

struct TransformHandle {
    tjhandle handle = tjInitTransform();
    ~TransformHandle()
    {
        if (handle)
            tjDestroy(handle);
    }
};

struct TransformedBytes {
    unsigned char *data = nullptr;
    unsigned long size = 0;
    ~TransformedBytes() { tjFree(data); }
};

// The compressed data turned by `orientation`, without its head segments; nothing
// when the picture's edges are off the block grid (a turn there would have to drop
// or smear the partial blocks) or the transform fails.
std::optional<std::vector<std::uint8_t>> TransformLosslessly(std::span<const std::uint8_t> jpeg, int orientation)
{
    TransformHandle transform;
    if (!transform.handle)
        return std::nullopt;
    tjtransform options{};
    options.op = kTransformOps[ValidOrientation(orientation)];
    options.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
    TransformedBytes out;
    // The library's API takes non-const input it does not write.
    auto *source = const_cast<unsigned char *>(jpeg.data());
    if (tjTransform(transform.handle, source, static_cast<unsigned long>(jpeg.size()), 1, &out.data, &out.size,
                    &options, 0) != 0 ||
        !out.data || out.size == 0)
        return std::nullopt;
    return std::vector<std::uint8_t>(out.data, out.data + out.size);
}

} // namespace

TTurnedJpeg TurnJpeg(std::span<const std::uint8_t> jpeg, int shownOrientation, int turn, int quality)
{
    const int orientation = ComposeOrientation(ValidOrientation(shownOrientation), ValidOrientation(turn));
    TTurnedJpeg result;
    std::optional<std::vector<std::uint8_t>> encoded = TransformLosslessly(jpeg, orientation);
    result.Lossless = encoded.has_value();
    if (!encoded)
        encoded = EncodeJpeg(DecodeJpeg(jpeg, orientation), quality);

    const std::span<const std::uint8_t> exif = JpegExifData(jpeg);
    std::vector<std::uint8_t> upright;
    if (!exif.empty())
        upright = UprightExif(exif).value_or(std::vector<std::uint8_t>{});
    result.Bytes = JpegWithMetadataOf(*encoded, jpeg, upright);
    return result;
}

} // namespace quillo
