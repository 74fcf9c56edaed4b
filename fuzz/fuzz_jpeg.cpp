// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte string given to the JPEG path must either fail with quillo::Error or give
// a picture of the size its header promised, which encodes and decodes again.
#include "imageview/JpegImage.h"
#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// A few bytes may legally claim a huge picture whose decoding takes seconds; the
// checks on the way are the same at any size, so runs stay small.
constexpr std::uint64_t kFuzzMaxPixels = std::uint64_t(1) << 20;
constexpr std::uint64_t kReencodePixels = std::uint64_t(1) << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quillo::TJPEGImage jpeg;
    try {
        jpeg.LoadFromBytes(std::vector<std::uint8_t>(data, data + size));
    } catch (const quillo::Error &) {
        return 0;
    }
    if (jpeg.Width() <= 0 || jpeg.Height() <= 0)
        __builtin_trap();
    const std::uint64_t pixels = std::uint64_t(jpeg.Width()) * std::uint64_t(jpeg.Height());
    if (pixels > kFuzzMaxPixels)
        return 0;
    try {
        const quillo::TBitmap &bitmap = jpeg.Bitmap();
        if (bitmap.Width() != jpeg.Width() || bitmap.Height() != jpeg.Height() || bitmap.BitsPerPixel() != 24)
            __builtin_trap();
        // Decoded but never replaced: saved unchanged.
        if (jpeg.SaveToBytes() != std::vector<std::uint8_t>(data, data + size))
            __builtin_trap();
        if (pixels <= kReencodePixels) {
            const quillo::TBitmap again = quillo::DecodeJpeg(quillo::EncodeJpeg(bitmap, 75));
            if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height())
                __builtin_trap();
        }
    } catch (const quillo::Error &) {
    }
    return 0;
}
