// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/RenderThread.h"

#include "platform/Errors.h"
#include "render/Resample.h"

namespace quillo {

TRenderThread::TRenderThread(TRenderData &job) : job_(&job) {}

void TRenderThread::RunJob()
{
    Synchronize([this] { DoRender(); });
    DoTerminate();
    terminated_ = true;
}

void TRenderThread::DoRender()
{
    if (job_->Bitmap == nullptr)
        throw Error("The render job has no bitmap");
    // Resample maps an index outside 0..7 to Vennick, so an empty settings
    // selection (255) renders with the default filter.
    ResampleInPlace(job_->Width, job_->Height, static_cast<TFilterKind>(job_->Filter), 0.0f, *job_->Bitmap);
}

void TRenderThread::DoTerminate()
{
    if (OnTerminate)
        Synchronize(OnTerminate);
}

} // namespace quillo
