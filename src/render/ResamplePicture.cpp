// SPDX-License-Identifier: GPL-3.0-or-later
// Kept apart from Resample.cpp so that code resampling bitmaps only does not pull
// in the picture container.
#include "imageview/Picture.h"
#include "render/Resample.h"

namespace quillo {

void Resample(int newWidth, int newHeight, TFilterKind filter, float radius, const TPicture &source,
              TBitmap &target)
{
    Resample(newWidth, newHeight, filter, radius, source.ToBitmap(), target);
}

} // namespace quillo
