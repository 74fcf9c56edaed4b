// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small whole-picture pixel routines of the copy mode and the render window.
#include "imageview/Bitmap.h"

namespace quillo {

// The 2 x 2 averaging reduction: a 24-bit bitmap of (width div 2) x (height div 2)
// whose channels are the truncated mean of each block. An odd last column or row
// is not used. Any depth is accepted (converted to 24 bits first).
TBitmap HalveBitmap(const TBitmap &source);

// One step of brightness correction, in place; the bitmap ends up 24-bit.
// Increase lifts dark tones, lowers the brightest and, away from a band of three
// pixels at the left and top and two at the right and bottom, blends each pixel
// with its right-hand neighbour. Decrease scales every channel by 15/16.
void ApplyLightCorrection(TBitmap &bitmap, bool increase);

struct TRenderSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TRenderSize &, const TRenderSize &) = default;
};

// The size at which the render window shows a picture of pictureWidth x
// pictureHeight in a client area of clientWidth x clientHeight: the picture
// fitted with its proportions kept (enlarged or reduced), sides truncated. A
// picture without pixels takes the whole client area; negative sizes count as 0.
TRenderSize FitRenderSize(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight);

} // namespace quillo
