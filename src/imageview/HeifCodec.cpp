// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/HeifCodec.h"

#include "imageview/AlphaMatte.h"
#include "platform/Errors.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace quillo {

namespace {

const int kMaxSide = static_cast<int>(std::sqrt(static_cast<double>(kMaxPixelBytes / 3)));

void Check(heif_error error)
{
    if (error.code != heif_error_Ok)
        throw Error(error.message && *error.message ? error.message : "damaged HEIF data");
}

struct ContextFree {
    void operator()(heif_context *c) const { heif_context_free(c); }
};
struct HandleFree {
    void operator()(const heif_image_handle *h) const { heif_image_handle_release(h); }
};
struct ImageFree {
    void operator()(const heif_image *i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options *o) const { heif_decoding_options_free(o); }
};

// The file parsed, its primary picture found and its shown size checked. The
// bytes are not copied: they outlive this object.
class Primary {
public:
    explicit Primary(std::span<const std::uint8_t> data)
    {
        if (data.empty())
            throw Error("The file is empty");
        context_.reset(heif_context_alloc());
        if (!context_)
            throw Error("Not enough memory to read the HEIF file");
        Check(heif_context_read_from_memory_without_copy(context_.get(), data.data(), data.size(), nullptr));
        heif_image_handle *handle = nullptr;
        Check(heif_context_get_primary_image_handle(context_.get(), &handle));
        handle_.reset(handle);
        size_ = {heif_image_handle_get_width(handle), heif_image_handle_get_height(handle)};
        if (size_.Width <= 0 || size_.Height <= 0)
            throw Error("no picture size in the file");
        TBitmap::CheckDimensions(size_.Width, size_.Height, 24);
        // libheif decodes at the size the coded stream or the tile grid states, which
        // need not be the declared size checked above, and its only bound is on each
        // side. So each side is held near the declared longer side (a crop window
        // trims a little), and no side may exceed what a square within the pixel
        // limit has, which bounds the area too.
        const int longer = std::max(size_.Width, size_.Height);
        if (longer > kMaxSide)
            throw Error("Picture too large: " + std::to_string(size_.Width) + " x " + std::to_string(size_.Height) +
                        "; HEIF and AVIF pictures may be at most " + std::to_string(kMaxSide) + " pixels on a side");
        heif_context_set_maximum_image_size_limit(context_.get(), std::min(longer + longer / 8 + 64, kMaxSide));
    }

    TCodedSize Size() const { return size_; }

    TBitmap Decode() const
    {
        const bool alpha = heif_image_handle_has_alpha_channel(handle_.get()) != 0;
        std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
        if (!options)
            throw Error("Not enough memory to decode the HEIF picture");
        options->ignore_transformations = 0;
        options->convert_hdr_to_8bit = 1; // 10- and 12-bit pictures come as 8-bit channels
        heif_image *raw = nullptr;
        Check(heif_decode_image(handle_.get(), &raw, heif_colorspace_RGB,
                                alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
        const std::unique_ptr<heif_image, ImageFree> image(raw);
        const int width = heif_image_get_width(raw, heif_channel_interleaved);
        const int height = heif_image_get_height(raw, heif_channel_interleaved);
        int stride = 0;
        const std::uint8_t *plane = heif_image_get_plane_readonly(raw, heif_channel_interleaved, &stride);
        if (!plane || width <= 0 || height <= 0 || stride < width * (alpha ? 4 : 3))
            throw Error("libheif gave no usable pixels");
        // The coded stream states a size of its own, which libheif decodes to; a file
        // whose stream disagrees with the size it declares (and was checked by) is damaged.
        if (width != size_.Width || height != size_.Height)
            throw Error("the picture data is " + std::to_string(width) + " x " + std::to_string(height) +
                        ", not the " + std::to_string(size_.Width) + " x " + std::to_string(size_.Height) +
                        " the file declares");
        const bool premultiplied = heif_image_is_premultiplied_alpha(raw) != 0;
        TBitmap bitmap = TBitmap::Uninitialized(width, height, 24);
        const TRGBQuad matte = AlphaMatte();
        for (int y = 0; y < height; ++y) {
            const std::uint8_t *s = plane + static_cast<std::ptrdiff_t>(y) * stride;
            if (alpha)
                ComposeRow(s, TPixelOrder::Rgba, premultiplied, bitmap.ScanLine(y), width, matte);
            else
                SwapRgbRow(s, bitmap.ScanLine(y), width);
        }
        bitmap.ClearPadding();
        return bitmap;
    }

private:
    std::unique_ptr<heif_context, ContextFree> context_;
    std::unique_ptr<const heif_image_handle, HandleFree> handle_;
    TCodedSize size_;
};

} // namespace

TCodedSize ReadHeifSize(std::span<const std::uint8_t> data)
{
    return Primary(data).Size();
}

TBitmap DecodeHeif(std::span<const std::uint8_t> data)
{
    return Primary(data).Decode();
}

} // namespace quillo
