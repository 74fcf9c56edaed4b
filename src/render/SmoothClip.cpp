// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/SmoothClip.h"

#include "render/PixelOps.h"
#include "render/RenderThread.h"

namespace quillo {

TBitmap SmoothClip(const TBitmap &AClipped, std::uint8_t AFilter)
{
    TBitmap bitmap = AClipped;
    TRenderData job;
    job.Bitmap = &bitmap;
    job.Width = 2 * bitmap.Width();
    job.Height = 2 * bitmap.Height();
    job.Filter = AFilter;
    TRenderThread thread(job);
    thread.RunJob();
    return HalveBitmap(*job.Bitmap);
}

} // namespace quillo
