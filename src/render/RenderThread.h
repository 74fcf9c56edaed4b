// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A render job (one bitmap resampled in place to a target size with one filter)
// and the object that carries it out.
//
// TRenderThread has the shape of a worker thread, but no system thread is ever
// started: its owners call RunJob on the GUI thread, and the step handed to the
// synchronise call runs at once. A thread that would only be created suspended
// and woken to end unused is left out.
#include "imageview/Bitmap.h"

#include <cstdint>
#include <functional>

namespace quillo {

struct TRenderData {
    // The bitmap to resample; on return it holds the 24-bit result of exactly
    // Width x Height. Owned by the caller, never freed by the job.
    TBitmap *Bitmap = nullptr;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // Filter index 0..7; anything else renders with 7 (Vennick, the default).
    std::uint8_t Filter = 7;
};

class TRenderThread {
public:
    // The job is not owned and must outlive RunJob.
    explicit TRenderThread(TRenderData &job);
    virtual ~TRenderThread() = default;
    TRenderThread(const TRenderThread &) = delete;
    TRenderThread &operator=(const TRenderThread &) = delete;

    // Renders through Synchronize, runs the termination notification, then sets
    // Terminated. An error from the resample propagates before Terminated is set.
    void RunJob();
    bool Terminated() const { return terminated_; }
    TRenderData &RenderData() const { return *job_; }

    // Called through Synchronize after the render; none is attached by Quillo.
    std::function<void()> OnTerminate;

protected:
    // Resamples the job's bitmap in place with the filter's default radius.
    void DoRender();
    // Runs the step at once: everything here already happens on the GUI thread.
    void Synchronize(const std::function<void()> &step) { step(); }
    void DoTerminate();

private:
    TRenderData *job_;
    bool terminated_ = false;
};

} // namespace quillo
