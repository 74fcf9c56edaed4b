// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The smoothing copy mode gives a selection: rendered at twice its width and height
// with a filter, then halved by 2 x 2 averaging, so that the result has the
// selection's own size.
#include "imageview/Bitmap.h"

#include <cstdint>

namespace quillo {

// Runs the render job on a copy of the clip; the clip itself is not changed. The
// result is 24-bit and of the clip's size. Throws Error when the render fails
// (for instance a doubled size beyond what a picture may hold).
TBitmap SmoothClip(const TBitmap &AClipped, std::uint8_t AFilter);

} // namespace quillo
