// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/Orientation.h"

#include "platform/Errors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <thread>

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
    // Output pixel (X, Y) shows stored pixel (x0 + X*xX + Y*xY, y0 + X*yX + Y*yY):
    // the inverse of the turn, which for these matrices is their transpose.
    const Matrix &m = kTurns[orientation];
    const int xX = m.a, xY = m.c, yX = m.b, yY = m.d;
    const int x0 = (xX < 0 || xY < 0) ? w - 1 : 0;
    const int y0 = (yX < 0 || yY < 0) ? h - 1 : 0;
    const std::ptrdiff_t stride = stored.Stride();
    const std::ptrdiff_t stepX = std::ptrdiff_t(xX) * 3 + std::ptrdiff_t(yX) * stride;
    const std::ptrdiff_t stepY = std::ptrdiff_t(xY) * 3 + std::ptrdiff_t(yY) * stride;
    const std::uint8_t *origin = stored.ScanLine(y0) + std::ptrdiff_t(x0) * 3;

    TBitmap out = TBitmap::Uninitialized(outW, outH, 24);
    // Tiles keep both the rows read and the rows written in cache when a quarter
    // turn reads the stored picture down its columns. Pixels are moved as 32-bit
    // words, each write's fourth byte overwritten by the next pixel; the last pixel
    // of a tile row is moved as three bytes so nothing past it is touched.
    constexpr int kTile = 64;
    auto moveRows = [&](int rowBegin, int rowEnd) {
        for (int ty = rowBegin; ty < rowEnd; ty += kTile) {
            const int yEnd = std::min(rowEnd, ty + kTile);
            for (int tx = 0; tx < outW; tx += kTile) {
                const int count = std::min(outW, tx + kTile) - tx;
                for (int y = ty; y < yEnd; ++y) {
                    std::uint8_t *target = out.ScanLine(y) + std::ptrdiff_t(tx) * 3;
                    const std::uint8_t *source = origin + std::ptrdiff_t(y) * stepY + std::ptrdiff_t(tx) * stepX;
                    for (int i = 0; i + 1 < count; ++i, target += 3, source += stepX) {
                        const std::uint32_t pixel = std::uint32_t(source[0]) | std::uint32_t(source[1]) << 8 |
                                                    std::uint32_t(source[2]) << 16;
                        std::memcpy(target, &pixel, 4);
                    }
                    std::memcpy(target, source, 3);
                }
            }
        }
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

} // namespace quillo
