// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The eight ways a picture can be stored relative to upright, numbered as cameras
// write them (1: as stored; 6: turn 90° clockwise to see it upright). The same
// numbers name the turns and mirrorings that make the picture upright, so turns
// compose as numbers.
#include "imageview/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace quillo {

inline constexpr int kOrientationUpright = 1;
inline constexpr int kOrientationTurn90 = 6;  // 90° clockwise
inline constexpr int kOrientationTurn180 = 3;
inline constexpr int kOrientationTurn270 = 8; // 270° clockwise

// A number outside 1..8 (missing, damaged) means the picture is shown as stored.
inline int ValidOrientation(long value)
{
    return value >= 1 && value <= 8 ? static_cast<int>(value) : kOrientationUpright;
}

// Width and height trade places (a quarter turn, possibly mirrored).
inline bool OrientationSwapsSides(int orientation) { return orientation >= 5; }

// The single turn that does `first`, then `then`.
int ComposeOrientation(int first, int then);

// The turn of a rotation command: 0 is 90° clockwise, 1 is 180°, 2 is 270° clockwise.
int OrientationOfRotateKind(std::uint8_t kind);

// The picture turned upright from `orientation`, as 24-bit pixels (any depth in).
// The pixels are moved, never resampled; orientation 1 gives a copy.
TBitmap ApplyOrientation(const TBitmap &stored, int orientation);

// One band of a picture being turned upright as it is decoded: the stored rows
// [top, top + count) of a storedWidth x storedHeight picture, held as 24-bit rows
// from `rows` on, `rowStride` bytes apart, are moved to where `orientation` puts
// them in `out` (the upright picture, 24-bit). Only those pixels are written: never
// the row padding, nor a byte of another band, so threads may turn bands side by
// side. The bytes are those of ApplyOrientation.
void TurnStoredRows(const std::uint8_t *rows, std::ptrdiff_t rowStride, int top, int count, int storedWidth,
                    int storedHeight, int orientation, TBitmap &out);

} // namespace quillo
