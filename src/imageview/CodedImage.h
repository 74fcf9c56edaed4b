// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture in one of the formats Quillo shows but never writes (PNG, GIF, TIFF,
// WebP, HEIF, AVIF): the file's bytes as read, with only the header parsed at load
// (the shown size, checked against the pixel limit); pixels are decoded on first
// use. Copies share the bytes. Its pixels are never replaced, so it always saves
// as the bytes it was read from.
#include "imageview/Bitmap.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quillo {

enum class TGraphicKind;

// The formats this class holds.
bool IsCodedKind(TGraphicKind kind);
// "PNG", "GIF", "TIFF", "WebP", "HEIF", "AVIF".
const char *CodedKindName(TGraphicKind kind);

class TCodedImage {
public:
    // Keeps the bytes and reads the header only. Throws Error for damaged or too
    // large pictures and for a kind this class does not hold.
    void LoadFromBlock(TGraphicKind kind, TPageBlock bytes);

    TGraphicKind Kind() const { return kind_; }
    // The shown size (orientation applied): the header's until the pixels are decoded.
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The file the bytes came from, named by errors raised when the pixels are decoded.
    std::string SourceName;

    // Decoded on the first call and kept by this object.
    const TBitmap &Bitmap() const;
    // A full-size copy; decodes without keeping the pixels when they were never decoded.
    TBitmap ToBitmap() const;
    std::vector<std::uint8_t> SaveToBytes() const;

private:
    TBitmap Decode() const;
    std::span<const std::uint8_t> Bytes() const { return {bytes_->Data(), bytes_->Size()}; }

    std::shared_ptr<const TPageBlock> bytes_;
    mutable std::shared_ptr<const TBitmap> decoded_;
    TGraphicKind kind_{};
    mutable int width_ = 0;
    mutable int height_ = 0;
};

} // namespace quillo
