// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/Bitmap.h"

#include "platform/Errors.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace quillo {

namespace {

std::uint8_t ScaleMasked(std::uint32_t value, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask >> shift);
    std::uint32_t v = (value & mask) >> shift;
    if (bits >= 8)
        return static_cast<std::uint8_t>(v >> (bits - 8));
    // Spread a narrow channel over 0..255 so that full scale stays full scale.
    const std::uint32_t max = (1u << bits) - 1;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
}

} // namespace

TBitmap::TBitmap(int width, int height, int bitsPerPixel)
{
    Allocate(width, height, bitsPerPixel);
}

TBitmap::TBitmap(const TBitmap &other)
    : width_(other.width_), height_(other.height_), bpp_(other.bpp_), rowBytes_(other.rowBytes_),
      data_(TPageBlock::Allocate(other.data_.Size(), false)), colors_(other.colors_), masks_(other.masks_)
{
    if (data_.Size() > 0)
        std::memcpy(data_.Data(), other.data_.Data(), data_.Size());
}

TBitmap &TBitmap::operator=(const TBitmap &other)
{
    if (this != &other)
        *this = TBitmap(other);
    return *this;
}

TBitmap::TBitmap(TBitmap &&other) noexcept
    : width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)), bpp_(other.bpp_),
      rowBytes_(std::exchange(other.rowBytes_, 0)), data_(std::move(other.data_)), colors_(std::move(other.colors_)),
      masks_(other.masks_)
{
}

TBitmap &TBitmap::operator=(TBitmap &&other) noexcept
{
    if (this != &other) {
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        bpp_ = other.bpp_;
        rowBytes_ = std::exchange(other.rowBytes_, 0);
        data_ = std::move(other.data_);
        colors_ = std::move(other.colors_);
        masks_ = other.masks_;
    }
    return *this;
}

bool TBitmap::ValidBitsPerPixel(int b)
{
    return b == 1 || b == 2 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
}

std::size_t TBitmap::RowBytesFor(int width, int bitsPerPixel)
{
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32) * 4;
}

void TBitmap::CheckDimensions(std::int64_t width, std::int64_t height, int bitsPerPixel)
{
    if (!ValidBitsPerPixel(bitsPerPixel))
        throw Error("Unsupported bit depth: " + std::to_string(bitsPerPixel) + " bits per pixel");
    if (width < 0 || height < 0)
        throw Error("Invalid picture size: " + std::to_string(width) + " x " + std::to_string(height));
    // The 24-bit working copy bounds every stored form too (at most 4/3 of it).
    const std::uint64_t w = static_cast<std::uint64_t>(width), h = static_cast<std::uint64_t>(height);
    if (w > INT32_MAX || h > INT32_MAX || w * h * 3 > kMaxPixelBytes)
        TooLarge(width, height, kMaxPixelBytes);
}

void TBitmap::TooLarge(std::int64_t width, std::int64_t height, std::uint64_t maxPixelBytes)
{
    // Counted in pixels on both sides: the limit is on the 24-bit working copy.
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    const std::string limit = std::to_string(maxPixelBytes / 3) + " pixels";
    if (width > INT32_MAX || height > INT32_MAX)
        throw Error("Picture too large: " + size + " pixels is more than the limit of " + limit);
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    throw Error("Picture too large: " + size + " is " + std::to_string(pixels) + " pixels, more than the limit of " +
                limit);
}

std::string TBitmap::DepthText(int bitsPerPixel)
{
    // "an" before the numbers spoken with a leading vowel: 8, 11, 18, 80-89, 800...
    const std::string digits = std::to_string(bitsPerPixel);
    const bool vowel = digits[0] == '8' || (digits.size() % 3 == 2 && (digits.rfind("11", 0) == 0 || digits.rfind("18", 0) == 0));
    return (vowel ? "an " : "a ") + digits + "-bit";
}

std::array<std::uint32_t, 3> TBitmap::DefaultMasks(int bitsPerPixel)
{
    if (bitsPerPixel == 16)
        return {0x7C00u, 0x03E0u, 0x001Fu};
    return {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
}

TBitmap TBitmap::Uninitialized(int width, int height, int bitsPerPixel)
{
    TBitmap bitmap;
    bitmap.Allocate(width, height, bitsPerPixel, false);
    return bitmap;
}

void TBitmap::Allocate(int width, int height, int bitsPerPixel, bool zeroFill)
{
    CheckDimensions(width, height, bitsPerPixel);
    const std::size_t rowBytes = RowBytesFor(width, bitsPerPixel);
    // The old block goes first: it may be the very one handed out again. Should
    // the system refuse the new one, the bitmap is left empty, never half made.
    data_.Reset();
    width_ = height_ = 0;
    rowBytes_ = 0;
    data_ = TPageBlock::Allocate(rowBytes * static_cast<std::size_t>(height), zeroFill);
    width_ = width;
    height_ = height;
    if (bpp_ != bitsPerPixel || masks_ == DefaultMasks(bpp_))
        masks_ = DefaultMasks(bitsPerPixel);
    bpp_ = bitsPerPixel;
    rowBytes_ = rowBytes;
}

void TBitmap::SetSize(int width, int height)
{
    if (width == width_ && height == height_)
        return;
    // Build the new storage first, so a refused size leaves this bitmap intact.
    TBitmap out;
    out.bpp_ = bpp_;
    out.masks_ = masks_;
    out.colors_ = colors_;
    out.Allocate(width, height, bpp_);
    const int rows = std::min(height, height_);
    const std::size_t bytes = std::min(out.rowBytes_, rowBytes_);
    for (int y = 0; y < rows; ++y)
        std::memcpy(out.ScanLine(y), ScanLine(y), bytes);
    out.ClearPadding();
    *this = std::move(out);
}

void TBitmap::ClearPadding()
{
    const std::size_t usedBits = static_cast<std::size_t>(width_) * static_cast<std::size_t>(bpp_);
    const std::size_t fullBytes = usedBits / 8;
    const unsigned tailBits = static_cast<unsigned>(usedBits % 8);
    if (fullBytes == rowBytes_)
        return;
    for (int y = 0; y < height_; ++y) {
        std::uint8_t *row = data_.Data() + static_cast<std::size_t>(y) * rowBytes_;
        std::size_t from = fullBytes;
        if (tailBits != 0) {
            // Sub-byte pixels fill a byte from its most significant bit down.
            row[from] &= static_cast<std::uint8_t>(0xFFu << (8 - tailBits));
            ++from;
        }
        std::memset(row + from, 0, rowBytes_ - from);
    }
}

void TBitmap::Discard()
{
    width_ = height_ = 0;
    rowBytes_ = 0;
    data_.Reset();
}

void TBitmap::SetPixelFormat(int bitsPerPixel)
{
    if (bitsPerPixel == bpp_)
        return;
    if (!ValidBitsPerPixel(bitsPerPixel))
        throw Error("Unsupported bit depth: " + std::to_string(bitsPerPixel) + " bits per pixel");
    if (Empty()) {
        bpp_ = bitsPerPixel;
        masks_ = DefaultMasks(bitsPerPixel);
        colors_.clear();
        rowBytes_ = RowBytesFor(width_, bpp_);
        data_ = TPageBlock::Allocate(rowBytes_ * static_cast<std::size_t>(height_), true);
        return;
    }
    if (bitsPerPixel != 24 && bitsPerPixel != 32)
        throw Error("Cannot convert " + DepthText(bpp_) + " bitmap to " +
                    std::to_string(bitsPerPixel) + " bits per pixel");
    TBitmap out(width_, height_, bitsPerPixel);
    const int step = bitsPerPixel / 8;
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t *s = ScanLine(y);
        std::uint8_t *d = out.ScanLine(y);
        if (bpp_ == 24 || (bpp_ == 32 && masks_ == DefaultMasks(32))) {
            const int from = bpp_ / 8;
            for (int x = 0; x < width_; ++x, s += from, d += step) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
            continue;
        }
        for (int x = 0; x < width_; ++x, d += step) {
            const TRGBQuad c = ColorAt(s, x);
            d[0] = c.Blue;
            d[1] = c.Green;
            d[2] = c.Red;
        }
    }
    *this = std::move(out);
}

std::uint8_t *TBitmap::ScanLine(int y)
{
    if (y < 0 || y >= height_)
        throw Error("Scan line index out of range: " + std::to_string(y));
    return data_.Data() + static_cast<std::size_t>(height_ - 1 - y) * rowBytes_;
}

const std::uint8_t *TBitmap::ScanLine(int y) const
{
    return const_cast<TBitmap *>(this)->ScanLine(y);
}

TRGBQuad TBitmap::PixelColor(int x, int y) const
{
    const std::uint8_t *row = ScanLine(y);
    if (x < 0 || x >= width_)
        throw Error("Pixel index out of range: " + std::to_string(x));
    return ColorAt(row, x);
}

TRGBQuad TBitmap::ColorAt(const std::uint8_t *row, int x) const
{
    auto palette = [this](unsigned index) {
        // An index past a short colour table reads as black, never past the table.
        return index < colors_.size() ? colors_[index] : TRGBQuad{};
    };
    switch (bpp_) {
    case 1:
    case 2:
    case 4: {
        const int perByte = 8 / bpp_;
        const std::uint8_t byte = row[x / perByte];
        const int shift = 8 - bpp_ * (x % perByte + 1);
        return palette((byte >> shift) & ((1u << bpp_) - 1));
    }
    case 8:
        return palette(row[x]);
    case 16: {
        const std::uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
        return {ScaleMasked(v, masks_[2]), ScaleMasked(v, masks_[1]), ScaleMasked(v, masks_[0]), 0};
    }
    case 24:
        return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    default: {
        const std::uint8_t *p = row + 4 * x;
        const std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
        return {ScaleMasked(v, masks_[2]), ScaleMasked(v, masks_[1]), ScaleMasked(v, masks_[0]), 0};
    }
    }
}

TBitmap TBitmap::To24Bit() const
{
    TBitmap copy = *this;
    copy.SetPixelFormat(24);
    return copy;
}

bool operator==(const TBitmap &a, const TBitmap &b)
{
    return a.width_ == b.width_ && a.height_ == b.height_ && a.bpp_ == b.bpp_ &&
           a.data_.Size() == b.data_.Size() &&
           (a.data_.Size() == 0 || std::memcmp(a.data_.Data(), b.data_.Data(), a.data_.Size()) == 0) &&
           a.colors_ == b.colors_ && (a.bpp_ < 16 || a.bpp_ == 24 || a.masks_ == b.masks_);
}

} // namespace quillo
