// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/QloRotate.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillo {

namespace {

// The pixel storage is a bitmap file's pixel array (rows bottom-up, each padded to
// 4 bytes), so the turns work on it directly: stored row r, column c of the source
// lands on stored row TargetRow(c), column TargetColumn(r) of the result.
enum class TTurn { Left, Right };

// Whole-byte pixels, in square tiles so that both the rows read and the rows
// written stay in cache. The fixed pixel size lets each move be one load and store.
template <std::size_t PixelBytes>
void MoveBytePixels(const std::uint8_t *src, std::size_t srcRow, std::uint8_t *dst, std::size_t dstRow,
                    std::size_t w, std::size_t h, TTurn turn)
{
    constexpr std::size_t kTile = 64;
    for (std::size_t r0 = 0; r0 < h; r0 += kTile) {
        const std::size_t r1 = std::min(h, r0 + kTile);
        for (std::size_t c0 = 0; c0 < w; c0 += kTile) {
            const std::size_t c1 = std::min(w, c0 + kTile);
            for (std::size_t r = r0; r < r1; ++r) {
                const std::uint8_t *s = src + r * srcRow + c0 * PixelBytes;
                if (turn == TTurn::Left) {
                    // Row c of the result, column h - 1 - r.
                    std::uint8_t *d = dst + c0 * dstRow + (h - 1 - r) * PixelBytes;
                    for (std::size_t c = c0; c < c1; ++c, s += PixelBytes, d += dstRow)
                        std::memcpy(d, s, PixelBytes);
                } else {
                    // Row w - 1 - c of the result, column r.
                    std::uint8_t *d = dst + (w - 1 - c0) * dstRow + r * PixelBytes;
                    for (std::size_t c = c0; c < c1; ++c, s += PixelBytes, d -= dstRow)
                        std::memcpy(d, s, PixelBytes);
                }
            }
        }
    }
}

void MoveBytePixels(const TBitmap &source, TBitmap &target, TTurn turn)
{
    const std::size_t w = static_cast<std::size_t>(source.Width());
    const std::size_t h = static_cast<std::size_t>(source.Height());
    const std::uint8_t *src = source.Bits();
    std::uint8_t *dst = target.Bits();
    const std::size_t sr = source.RowBytes(), dr = target.RowBytes();
    switch (source.BitsPerPixel()) {
    case 8:
        MoveBytePixels<1>(src, sr, dst, dr, w, h, turn);
        break;
    case 16:
        MoveBytePixels<2>(src, sr, dst, dr, w, h, turn);
        break;
    case 24:
        MoveBytePixels<3>(src, sr, dst, dr, w, h, turn);
        break;
    default:
        MoveBytePixels<4>(src, sr, dst, dr, w, h, turn);
        break;
    }
}

// 1, 2 or 4 bits: each pixel's bits go into their slot of the target byte, the
// leftmost pixel of a byte in its most significant bits. The target starts zeroed.
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

// A result whose every pixel byte is written by the caller: only the row padding
// is cleared here, so equal pictures stay equal byte for byte.
TBitmap UnsetPixels(int width, int height, int bits)
{
    TBitmap b = TBitmap::Uninitialized(width, height, bits);
    const std::size_t used = static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) / 8;
    const std::size_t row = b.RowBytes();
    if (used < row)
        for (int y = 0; y < height; ++y)
            std::memset(b.Bits() + static_cast<std::size_t>(y) * row + used, 0, row - used);
    return b;
}

} // namespace

void RotateLeft90(TBitmap &bitmap)
{
    // Depth, colour table and masks come back as they were; only the pixels move.
    const int bits = bitmap.BitsPerPixel();
    TBitmap turned = bits >= 8 ? UnsetPixels(bitmap.Height(), bitmap.Width(), bits)
                               : TBitmap(bitmap.Height(), bitmap.Width(), bits);
    turned.ColorTable() = bitmap.ColorTable();
    turned.Masks() = bitmap.Masks();
    if (!bitmap.Empty()) {
        const std::size_t w = static_cast<std::size_t>(bitmap.Width());
        const std::size_t h = static_cast<std::size_t>(bitmap.Height());
        if (bits >= 8)
            MoveBytePixels(bitmap, turned, TTurn::Left);
        else
            MoveBitPixels(bitmap.Bits(), bitmap.RowBytes(), turned.Bits(), turned.RowBytes(), w, h,
                          static_cast<unsigned>(bits));
    }
    bitmap = std::move(turned);
}

void Rotate180(TBitmap &bitmap)
{
    static_assert(TBitmap::kDefaultBitsPerPixel == 24, "the mirror loop moves 3-byte pixels");
    const int w = bitmap.Width(), h = bitmap.Height();
    if (bitmap.Empty()) {
        bitmap = TBitmap(w, h, TBitmap::kDefaultBitsPerPixel);
        return;
    }
    // Mirrored both ways: pixel (x, y) lands on (w - 1 - x, h - 1 - y).
    const TBitmap converted = bitmap.BitsPerPixel() == 24 ? TBitmap() : bitmap.To24Bit();
    const TBitmap &src = bitmap.BitsPerPixel() == 24 ? bitmap : converted;
    TBitmap out = UnsetPixels(w, h, TBitmap::kDefaultBitsPerPixel);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t *s = src.ScanLine(y);
        std::uint8_t *d = out.ScanLine(h - 1 - y) + 3 * static_cast<std::size_t>(w - 1);
        for (int x = 0; x < w; ++x, s += 3, d -= 3)
            std::memcpy(d, s, 3);
    }
    bitmap = std::move(out);
}

void RotateRight90(TBitmap &bitmap)
{
    // The same as a quarter turn left and a half turn, in one pass over true colour.
    const int w = bitmap.Width(), h = bitmap.Height();
    if (bitmap.Empty()) {
        bitmap = TBitmap(h, w, TBitmap::kDefaultBitsPerPixel);
        return;
    }
    const TBitmap converted = bitmap.BitsPerPixel() == 24 ? TBitmap() : bitmap.To24Bit();
    const TBitmap &src = bitmap.BitsPerPixel() == 24 ? bitmap : converted;
    TBitmap out = UnsetPixels(h, w, TBitmap::kDefaultBitsPerPixel);
    MoveBytePixels(src, out, TTurn::Right);
    bitmap = std::move(out);
}

} // namespace quillo
