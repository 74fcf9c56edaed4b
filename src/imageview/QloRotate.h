// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pixel routines behind rotation; each replaces the bitmap it is given.
#include "imageview/Bitmap.h"

namespace quillo {

// 90° counter-clockwise through the bitmap-file form: keeps bit depth and colour table.
void RotateLeft90(TBitmap &bitmap);
// 180°, into a new bitmap of the default (true-colour) format.
void Rotate180(TBitmap &bitmap);
// 90° clockwise: RotateLeft90 then Rotate180.
void RotateRight90(TBitmap &bitmap);

} // namespace quillo
