// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/QloRotate.h"

#include "imageview/BmpCodec.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace quillo {

namespace {

std::uint32_t Get32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

void Put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Whole-byte pixels, in square tiles so that both the rows read and the rows
// written stay in cache.
void MoveBytePixels(const std::uint8_t *src, std::size_t srcRow, std::uint8_t *dst, std::size_t dstRow,
                    std::size_t w, std::size_t h, std::size_t pixelBytes)
{
    constexpr std::size_t kTile = 64;
    for (std::size_t r0 = 0; r0 < h; r0 += kTile) {
        const std::size_t r1 = std::min(h, r0 + kTile);
        for (std::size_t c0 = 0; c0 < w; c0 += kTile) {
            const std::size_t c1 = std::min(w, c0 + kTile);
            for (std::size_t r = r0; r < r1; ++r) {
                const std::uint8_t *s = src + r * srcRow + c0 * pixelBytes;
                std::uint8_t *d = dst + (h - 1 - r) * pixelBytes;
                for (std::size_t c = c0; c < c1; ++c, s += pixelBytes)
                    std::memcpy(d + c * dstRow, s, pixelBytes);
            }
        }
    }
}

// 1, 2 or 4 bits: each pixel's bits go into their slot of the target byte, the
// leftmost pixel of a byte in its most significant bits.
void MoveBitPixels(const std::uint8_t *src, std::size_t srcRow, std::uint8_t *dst, std::size_t dstRow,
                   std::size_t w, std::size_t h, unsigned bits)
{
    const std::size_t perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (std::size_t r = 0; r < h; ++r) {
        const std::uint8_t *s = src + r * srcRow;
        const std::size_t t = h - 1 - r;
        const std::size_t dstByte = t / perByte;
        const unsigned dstShift = 8 - bits * static_cast<unsigned>(t % perByte + 1);
        for (std::size_t c = 0; c < w; ++c) {
            const unsigned srcShift = 8 - bits * static_cast<unsigned>(c % perByte + 1);
            const unsigned v = (s[c / perByte] >> srcShift) & mask;
            std::uint8_t &d = dst[c * dstRow + dstByte];
            d = static_cast<std::uint8_t>((d & ~(mask << dstShift)) | (v << dstShift));
        }
    }
}

} // namespace

void RotateLeft90(TBitmap &bitmap)
{
    if (bitmap.Empty()) {
        TBitmap turned(bitmap.Height(), bitmap.Width(), bitmap.BitsPerPixel());
        turned.ColorTable() = bitmap.ColorTable();
        turned.Masks() = bitmap.Masks();
        bitmap = std::move(turned);
        return;
    }
    // Through the bitmap-file form, so that depth, colour table and masks come back
    // as they were.
    const std::vector<std::uint8_t> file = WriteBmp(bitmap);
    bitmap = TBitmap(0, 0, bitmap.BitsPerPixel());

    const std::size_t offset = Get32(&file[10]);
    const std::uint8_t *info = &file[14];
    const std::size_t w = Get32(info + 4);
    const std::size_t h = Get32(info + 8);
    const unsigned bits = info[14] | (info[15] << 8);
    const std::size_t srcRow = (w * bits + 31) / 32 * 4;
    const std::size_t dstRow = (h * bits + 31) / 32 * 4;

    std::vector<std::uint8_t> turned(offset + dstRow * w, 0);
    std::memcpy(turned.data(), file.data(), offset);
    const std::uint8_t *src = file.data() + offset;
    std::uint8_t *dst = turned.data() + offset;
    if (bits >= 8)
        MoveBytePixels(src, srcRow, dst, dstRow, w, h, bits / 8);
    else
        MoveBitPixels(src, srcRow, dst, dstRow, w, h, bits);

    std::uint8_t *turnedInfo = turned.data() + 14;
    Put32(turned.data() + 2, static_cast<std::uint32_t>(turned.size()));
    Put32(turnedInfo + 4, static_cast<std::uint32_t>(h));
    Put32(turnedInfo + 8, static_cast<std::uint32_t>(w));
    Put32(turnedInfo + 20, 0);
    bitmap = ReadBmp(turned);
}

void Rotate180(TBitmap &bitmap)
{
    static_assert(TBitmap::kDefaultBitsPerPixel == 24, "the mirror loop moves 3-byte pixels");
    const int w = bitmap.Width(), h = bitmap.Height();
    TBitmap out(w, h, TBitmap::kDefaultBitsPerPixel);
    if (!bitmap.Empty()) {
        // Mirrored both ways: pixel (x, y) lands on (w - 1 - x, h - 1 - y).
        const TBitmap converted = bitmap.BitsPerPixel() == 24 ? TBitmap() : bitmap.To24Bit();
        const TBitmap &src = bitmap.BitsPerPixel() == 24 ? bitmap : converted;
        for (int y = 0; y < h; ++y) {
            const std::uint8_t *s = src.ScanLine(y);
            std::uint8_t *d = out.ScanLine(h - 1 - y);
            for (int x = 0; x < w; ++x, s += 3)
                std::memcpy(d + 3 * static_cast<std::size_t>(w - 1 - x), s, 3);
        }
    }
    bitmap = std::move(out);
}

void RotateRight90(TBitmap &bitmap)
{
    RotateLeft90(bitmap);
    Rotate180(bitmap);
}

} // namespace quillo
