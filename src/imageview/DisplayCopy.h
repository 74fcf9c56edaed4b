// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The view's unfiltered stretch, done once into a copy of the painted size.
//
// A picture drawn stretched without filtering shows, at each target pixel, one
// source pixel. Which one is decided per axis by 16.16 fixed-point stepping: start
// at the centre of the first target pixel, step by the scale truncated to 1/65536.
// The copy is sampled with that arithmetic at the painted size and drawn unscaled,
// so it costs memory and time for the painted pixels only, not the whole picture.
#include "imageview/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillo {

// For a source line of `sourceLength` pixels stretched over `targetLength`, the
// source index each of the `targetLength` target pixels shows; every index lies
// within the source. Equal lengths give 0, 1, 2...
std::vector<int> StretchIndices(int sourceLength, int targetLength);

// Writes target pixels [x0, x1) x [y0, y1) of `source` sampled through the index
// tables (`columns[x]`, `rows[y]` within the source; x1 and y1 within the tables)
// as 32-bit pixels 0xFFRRGGBB, row y0 at `target`, rows `targetStride` pixels apart.
// Any bitmap depth; colours as its 24-bit copy would hold them.
void SampleStretched(const TBitmap &source, const std::vector<int> &columns, const std::vector<int> &rows, int x0,
                     int y0, int x1, int y1, std::uint32_t *target, std::ptrdiff_t targetStride);

} // namespace quillo
