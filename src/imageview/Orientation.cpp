// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/Orientation.h"

#include "platform/Errors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillo {

namespace {

// Each turn as the 2 x 2 matrix it applies to pixel positions (x right, y down),
// indexed by orientation number; entry 0 is unused.
struct Matrix {
    int a, b, c, d; // (x, y) -> (a x + b y, c x + d y)
    friend bool operator==(const Matrix &, const Matrix &) = default;
};

constexpr std::array<Matrix, 9> kTurns{{
    {0, 0, 0, 0},
    {1, 0, 0, 1},   // 1 as stored
    {-1, 0, 0, 1},  // 2 mirrored left to right
    {-1, 0, 0, -1}, // 3 180°
    {1, 0, 0, -1},  // 4 mirrored top to bottom
    {0, 1, 1, 0},   // 5 mirrored about the main diagonal
    {0, -1, 1, 0},  // 6 90° clockwise
    {0, -1, -1, 0}, // 7 mirrored about the other diagonal
    {0, 1, -1, 0},  // 8 270° clockwise
}};

// The side of the square of output pixels moved at a time.
constexpr int kTile = 64;

// Below this a second thread costs more than it saves.
constexpr std::uint64_t kSplitPixels = std::uint64_t(1) << 20;

Matrix Multiply(const Matrix &m, const Matrix &n)
{
    return {m.a * n.a + m.b * n.c, m.a * n.b + m.b * n.d, m.c * n.a + m.d * n.c, m.c * n.b + m.d * n.d};
}

} // namespace

int ComposeOrientation(int first, int then)
{
    const Matrix product = Multiply(kTurns[ValidOrientation(then)], kTurns[ValidOrientation(first)]);
    for (int o = 1; o <= 8; ++o)
        if (kTurns[o] == product)
            return o;
    return kOrientationUpright; // unreachable: the eight turns are a group
}

int OrientationOfRotateKind(std::uint8_t kind)
{
    switch (kind) {
    case 0:
        return kOrientationTurn90;
    case 1:
        return kOrientationTurn180;
    case 2:
        return kOrientationTurn270;
    default:
        throw Error("Unknown rotation kind " + std::to_string(kind));
    }
}

namespace {

// Output pixel (X, Y) of a picture turned upright shows stored pixel
// (x0 + X*xX + Y*xY, y0 + X*yX + Y*yY): the inverse of the turn, which for these
// matrices is their transpose.
struct Inverse {
    int xX, xY, yX, yY, x0, y0;
};

Inverse InverseOf(int orientation, int storedWidth, int storedHeight)
{
    const Matrix &m = kTurns[orientation];
    Inverse i{m.a, m.c, m.b, m.d, 0, 0};
    i.x0 = (i.xX < 0 || i.xY < 0) ? storedWidth - 1 : 0;
    i.y0 = (i.yX < 0 || i.yY < 0) ? storedHeight - 1 : 0;
    return i;
}

// Stores that bypass the cache where the processor has them: a turned picture is
// far larger than the cache, and an ordinary store first reads each line it writes.
inline void StreamStore(std::uint8_t *to, std::uint64_t eight, std::uint32_t four)
{
#if defined(__SSE2__) && defined(__x86_64__)
    _mm_stream_si64(reinterpret_cast<long long *>(to), static_cast<long long>(eight));
    _mm_stream_si32(reinterpret_cast<int *>(to + 8), static_cast<int>(four));
#else
    std::memcpy(to, &eight, 8);
    std::memcpy(to + 8, &four, 4);
#endif
}

// Streamed stores are weakly ordered: fenced before the pixels are handed on.
inline void StreamedStoresDone()
{
#if defined(__SSE2__) && defined(__x86_64__)
    _mm_sfence();
#endif
}

// Moves `count` pixels of one output row of a rectangle to `target` on.
// Each pixel goes as a 32-bit word whose fourth byte the next pixel overwrites;
// the rectangle's last pixel goes as three bytes so nothing past it is touched
// (another thread may be writing there).
inline void MovePixels(const std::uint8_t *source, std::ptrdiff_t stepX, std::uint8_t *target, int count,
                       bool lastInRect)
{
    for (int i = 0; i < count; ++i, target += 3, source += stepX) {
        if (i + 1 == count && lastInRect) {
            std::memcpy(target, source, 3);
            break;
        }
        const std::uint32_t pixel =
            std::uint32_t(source[0]) | std::uint32_t(source[1]) << 8 | std::uint32_t(source[2]) << 16;
        std::memcpy(target, &pixel, 4);
    }
}

// A quarter turn's block of 4 x 4 output pixels at (x, y): output column x + i
// comes from one stored row, where the four pixels for output rows y..y+3 lie side
// by side (ascending when `ascending`, else descending from `source[i]`). Each stored
// row's four pixels are read as 12 bytes at once rather than byte by byte, and each
// output row's 12 bytes are streamed.
template <bool Ascending>
inline void MoveQuarterBlock(const std::uint8_t *const source[4], std::uint8_t *const target[4], int x)
{
    std::uint64_t p[4][4]; // [output row][pixel], each pixel's three bytes alone
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t *from = Ascending ? source[i] : source[i] - 9;
        std::uint64_t low;
        std::uint32_t high;
        std::memcpy(&low, from, 8);
        std::memcpy(&high, from + 8, 4);
        // Little-endian: pixel k of the four starts at bit 24 k.
        const std::uint64_t four[4] = {low & 0xFFFFFF, (low >> 24) & 0xFFFFFF,
                                       ((low >> 48) | std::uint64_t(high) << 16) & 0xFFFFFF, high >> 8};
        for (int j = 0; j < 4; ++j)
            p[j][i] = four[Ascending ? j : 3 - j];
    }
    for (int j = 0; j < 4; ++j) {
        StreamStore(target[j] + std::ptrdiff_t(x) * 3, p[j][0] | p[j][1] << 24 | p[j][2] << 48,
                    static_cast<std::uint32_t>(p[j][2] >> 16 | p[j][3] << 8));
    }
}

// Moves the output rectangle [x0, x1) x [y0, y1) of `out`, whose pixel (x0, y0)
// comes from `first` and neighbours from `stepX`/`stepY` bytes on. Tiles keep both
// the rows read and the rows written in cache when a quarter turn reads down the
// stored columns; there (stepY one pixel) 4 x 4 blocks are moved at once.
void MoveRect(const std::uint8_t *first, std::ptrdiff_t stepX, std::ptrdiff_t stepY, TBitmap &out, int x0, int x1,
              int y0, int y1)
{
    const bool quarter = stepY == 3 || stepY == -3;
    const auto at = [&](int x, int y) { return first + std::ptrdiff_t(y - y0) * stepY + std::ptrdiff_t(x - x0) * stepX; };
    for (int ty = y0; ty < y1; ty += kTile) {
        const int yEnd = std::min(y1, ty + kTile);
        for (int tx = x0; tx < x1; tx += kTile) {
            const int xEnd = std::min(x1, tx + kTile);
            int y = ty;
            if (quarter) {
                // Whole blocks; the rest pixel by pixel.
                const int blockEnd = tx + (xEnd - tx) / 4 * 4;
                for (; y + 4 <= yEnd; y += 4) {
                    std::uint8_t *const target[4] = {out.ScanLine(y), out.ScanLine(y + 1), out.ScanLine(y + 2),
                                                     out.ScanLine(y + 3)};
                    int x = tx;
                    for (; x < blockEnd; x += 4) {
                        const std::uint8_t *const source[4] = {at(x, y), at(x + 1, y), at(x + 2, y), at(x + 3, y)};
                        if (stepY > 0)
                            MoveQuarterBlock<true>(source, target, x);
                        else
                            MoveQuarterBlock<false>(source, target, x);
                    }
                    for (int j = 0; j < 4; ++j)
                        MovePixels(at(x, y + j), stepX, target[j] + std::ptrdiff_t(x) * 3, xEnd - x, xEnd == x1);
                }
            }
            for (; y < yEnd; ++y)
                MovePixels(at(tx, y), stepX, out.ScanLine(y) + std::ptrdiff_t(tx) * 3, xEnd - tx, xEnd == x1);
        }
    }
    if (quarter)
        StreamedStoresDone();
}

} // namespace

TBitmap ApplyOrientation(const TBitmap &stored, int orientation)
{
    orientation = ValidOrientation(orientation);
    if (stored.BitsPerPixel() != 24)
        return ApplyOrientation(stored.To24Bit(), orientation);
    if (orientation == kOrientationUpright || stored.Empty())
        return stored;

    const int w = stored.Width(), h = stored.Height();
    const bool swap = OrientationSwapsSides(orientation);
    const int outW = swap ? h : w, outH = swap ? w : h;
    const Inverse inv = InverseOf(orientation, w, h);
    const std::ptrdiff_t stride = stored.Stride();
    const std::ptrdiff_t stepX = std::ptrdiff_t(inv.xX) * 3 + std::ptrdiff_t(inv.yX) * stride;
    const std::ptrdiff_t stepY = std::ptrdiff_t(inv.xY) * 3 + std::ptrdiff_t(inv.yY) * stride;
    const std::uint8_t *origin = stored.ScanLine(inv.y0) + std::ptrdiff_t(inv.x0) * 3;

    TBitmap out = TBitmap::Uninitialized(outW, outH, 24);
    auto moveRows = [&](int rowBegin, int rowEnd) {
        MoveRect(origin + std::ptrdiff_t(rowBegin) * stepY, stepX, stepY, out, 0, outW, rowBegin, rowEnd);
    };
    // A large picture is shared by two threads, as its decoding is, each with its
    // own band of whole tiles; the bytes are those of one thread.
    const bool split = std::uint64_t(outW) * std::uint64_t(outH) >= kSplitPixels && std::thread::hardware_concurrency() > 1;
    if (split) {
        const int middle = (outH / 2 + kTile - 1) / kTile * kTile;
        std::jthread helper(moveRows, middle, outH);
        moveRows(0, middle);
    } else {
        moveRows(0, outH);
    }
    out.ClearPadding();
    return out;
}

void TurnStoredRows(const std::uint8_t *rows, std::ptrdiff_t rowStride, int top, int count, int storedWidth,
                    int storedHeight, int orientation, TBitmap &out)
{
    if (count <= 0 || storedWidth <= 0)
        return;
    const Inverse inv = InverseOf(ValidOrientation(orientation), storedWidth, storedHeight);
    const std::ptrdiff_t stepX = std::ptrdiff_t(inv.xX) * 3 + std::ptrdiff_t(inv.yX) * rowStride;
    const std::ptrdiff_t stepY = std::ptrdiff_t(inv.xY) * 3 + std::ptrdiff_t(inv.yY) * rowStride;
    // The stored rows [top, top + count) fill whole output columns after a quarter
    // turn, whole output rows otherwise; (x0, y0) is the corner of that rectangle.
    const int last = top + count - 1;
    int x0 = 0, x1 = out.Width(), y0 = 0, y1 = out.Height();
    if (inv.yX != 0) {
        x0 = std::min((top - inv.y0) * inv.yX, (last - inv.y0) * inv.yX);
        x1 = x0 + count;
    } else {
        y0 = std::min((top - inv.y0) * inv.yY, (last - inv.y0) * inv.yY);
        y1 = y0 + count;
    }
    const int sx = inv.x0 + x0 * inv.xX + y0 * inv.xY, sy = inv.y0 + x0 * inv.yX + y0 * inv.yY;
    MoveRect(rows + std::ptrdiff_t(sy - top) * rowStride + std::ptrdiff_t(sx) * 3, stepX, stepY, out, x0, x1, y0, y1);
}

} // namespace quillo
