// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Quillo's own device-independent bitmap: rows padded to 4 bytes and stored
// bottom-up, so ScanLine(0) is the top row and the stride between rows is negative.
#include "platform/PageBlocks.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillo {

// The most pixel memory one picture may take, counted as 24-bit pixels. A header
// claiming more is refused before anything is allocated.
inline constexpr std::uint64_t kMaxPixelBytes = std::uint64_t(1) << 30;

struct TRGBQuad {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::uint8_t Reserved = 0;
    friend bool operator==(const TRGBQuad &, const TRGBQuad &) = default;
};

class TBitmap {
public:
    // New bitmaps get the "display" depth; Quillo's display stand-in is true colour.
    static constexpr int kDefaultBitsPerPixel = 24;

    TBitmap() = default;
    TBitmap(int width, int height, int bitsPerPixel = kDefaultBitsPerPixel);
    // Pixel memory comes from page blocks (large pictures on huge pages, reused
    // once freed); a copy has its own.
    TBitmap(const TBitmap &other);
    TBitmap &operator=(const TBitmap &other);
    // The source is left empty (0 x 0, its format kept).
    TBitmap(TBitmap &&other) noexcept;
    TBitmap &operator=(TBitmap &&other) noexcept;
    // A bitmap whose pixel bytes (row padding included) are left unset: only for a
    // caller that writes every byte before the bitmap is read.
    static TBitmap Uninitialized(int width, int height, int bitsPerPixel = kDefaultBitsPerPixel);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bpp_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Changing the size keeps the overlapping top-left pixels; new ones are zero.
    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    // Converts the pixels held. Any depth converts to 24 or 32 bits; other targets
    // are allowed only while the bitmap is empty.
    void SetPixelFormat(int bitsPerPixel);
    // Drops the pixels; the bitmap becomes 0 x 0 and keeps its format.
    void Discard();
    // Zeroes each row's bytes and bits past its last pixel, so that equal pictures
    // compare and write equal whatever the padding held before.
    void ClearPadding();

    std::uint8_t *ScanLine(int y);
    const std::uint8_t *ScanLine(int y) const;
    // ScanLine(1) - ScanLine(0); negative because rows are stored bottom-up.
    std::ptrdiff_t Stride() const { return -static_cast<std::ptrdiff_t>(rowBytes_); }
    std::size_t RowBytes() const { return rowBytes_; }
    // Raw storage: the bottom row first, as in a bitmap file.
    std::uint8_t *Bits() { return data_.Data(); }
    const std::uint8_t *Bits() const { return data_.Data(); }
    std::size_t ImageSize() const { return data_.Size(); }

    std::vector<TRGBQuad> &ColorTable() { return colors_; }
    const std::vector<TRGBQuad> &ColorTable() const { return colors_; }
    // Channel masks for 16- and 32-bit pixels (red, green, blue); 5-5-5 and 8-8-8 by default.
    std::array<std::uint32_t, 3> &Masks() { return masks_; }
    const std::array<std::uint32_t, 3> &Masks() const { return masks_; }

    // The colour of one pixel, whatever the format (slow; for conversion and tests).
    TRGBQuad PixelColor(int x, int y) const;
    // A 24-bit (blue, green, red) copy.
    TBitmap To24Bit() const;

    static std::size_t RowBytesFor(int width, int bitsPerPixel);
    static bool ValidBitsPerPixel(int bitsPerPixel);
    // Throws Error when a picture of this size may not be made.
    static void CheckDimensions(std::int64_t width, std::int64_t height, int bitsPerPixel);
    // "Picture too large: ..." with the pixel count and the limit, both in pixels.
    [[noreturn]] static void TooLarge(std::int64_t width, std::int64_t height, std::uint64_t maxPixelBytes);
    // "an 8-bit", "a 24-bit": the depth with its article, for messages.
    static std::string DepthText(int bitsPerPixel);
    // 5-5-5 for 16 bits, 8-8-8 otherwise: what an uncompressed (BI_RGB) file implies.
    static std::array<std::uint32_t, 3> DefaultMasks(int bitsPerPixel);

    friend bool operator==(const TBitmap &a, const TBitmap &b);

private:
    void Allocate(int width, int height, int bitsPerPixel, bool zeroFill = true);
    TRGBQuad ColorAt(const std::uint8_t *row, int x) const;

    int width_ = 0;
    int height_ = 0;
    int bpp_ = kDefaultBitsPerPixel;
    std::size_t rowBytes_ = 0;
    TPageBlock data_;
    std::vector<TRGBQuad> colors_;
    std::array<std::uint32_t, 3> masks_ = DefaultMasks(kDefaultBitsPerPixel);
};

} // namespace quillo
