// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte string given to the bitmap reader must either fail with quillo::Error or
// give a bitmap that writes and reads back unchanged and survives four left turns.
#include "imageview/BmpCodec.h"
#include "imageview/QloRotate.h"
#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>

namespace {

// Small enough that each run stays fast; the size checks are the same at any bound.
constexpr std::uint64_t kFuzzMaxPixelBytes = std::uint64_t(1) << 20;
constexpr std::uint64_t kRotatePixels = 1 << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quillo::TBitmap bitmap;
    try {
        bitmap = quillo::ReadBmp({data, size}, kFuzzMaxPixelBytes);
    } catch (const quillo::Error &) {
        return 0;
    }
    // Past this point nothing may fail: the picture is valid.
    const quillo::TBitmap back = quillo::ReadBmp(quillo::WriteBmp(bitmap));
    if (!(back == bitmap))
        __builtin_trap();
    (void)bitmap.To24Bit();
    if (std::uint64_t(bitmap.Width()) * std::uint64_t(bitmap.Height()) <= kRotatePixels) {
        quillo::TBitmap turned = bitmap;
        for (int i = 0; i < 4; ++i)
            quillo::RotateLeft90(turned);
        if (!(turned == bitmap))
            __builtin_trap();
        quillo::Rotate180(turned);
    }
    return 0;
}
