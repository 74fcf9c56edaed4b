// SPDX-License-Identifier: GPL-3.0-or-later
// One libFuzzer program per read-only picture format, built from this file with
// QUILLO_FUZZ_KIND naming the format. Any byte string must either fail with
// quillo::Error or give a picture whose decoded size is the one its header
// announced (or, for a header that misstated it, still within the limit).
#include "imageview/HeifCodec.h"
#include "imageview/QtImageCodec.h"
#include "platform/Errors.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Small enough that each run stays fast; the header check is the same at any bound.
constexpr std::uint64_t kFuzzMaxPixels = std::uint64_t(1) << 20;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Qt's image plugins are found through the application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *format = QUILLO_FUZZ_KIND;
    const bool heif = std::strcmp(format, "heif") == 0;
    try {
        const quillo::TCodedSize header =
            heif ? quillo::ReadHeifSize({data, size}) : quillo::ReadQtImageSize(format, {data, size});
        if (header.Width <= 0 || header.Height <= 0)
            __builtin_trap();
        if (std::uint64_t(header.Width) * std::uint64_t(header.Height) > kFuzzMaxPixels)
            return 0;
        const quillo::TBitmap bitmap =
            heif ? quillo::DecodeHeif({data, size}) : quillo::DecodeQtImage(format, {data, size});
        if (bitmap.BitsPerPixel() != 24 || bitmap.Empty())
            __builtin_trap();
        // Touch every row the view would read.
        volatile std::uint8_t sum = 0;
        for (int y = 0; y < bitmap.Height(); ++y)
            sum = sum + bitmap.ScanLine(y)[bitmap.Width() * 3 - 1];
    } catch (const quillo::Error &) {
    }
    return 0;
}
