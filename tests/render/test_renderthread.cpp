// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderTestUtil.h"

#include "platform/Errors.h"
#include "render/RenderThread.h"
#include "render/Resample.h"

#include <gtest/gtest.h>

#include <memory>

namespace quillo {
namespace {

using test::RandomBitmap;

TBitmap Expected(const TBitmap &source, int w, int h, TFilterKind filter)
{
    TBitmap out;
    Resample(w, h, filter, 0.0f, source, out);
    return out;
}

TEST(RenderThread, RunsTheJobInPlaceAndSetsTerminated)
{
    const TBitmap source = RandomBitmap(40, 30, 3);
    TBitmap bitmap = source;
    bitmap.SetPixelFormat(32);
    TRenderData job;
    job.Bitmap = &bitmap;
    job.Width = 17;
    job.Height = 61;
    job.Filter = 3;
    TRenderThread thread(job);
    int notified = 0;
    thread.OnTerminate = [&] {
        ++notified;
        EXPECT_EQ(bitmap.Width(), 17); // the render is done before the notification
        EXPECT_FALSE(thread.Terminated());
    };
    EXPECT_FALSE(thread.Terminated());
    thread.RunJob();
    EXPECT_TRUE(thread.Terminated());
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(bitmap.Width(), 17);
    EXPECT_EQ(bitmap.Height(), 61);
    EXPECT_EQ(bitmap.BitsPerPixel(), 24);
    EXPECT_EQ(bitmap, Expected(source, 17, 61, TFilterKind::Bell));
}

TEST(RenderThread, EveryFilterWithItsDefaultRadiusAndOutOfRangeIsVennick)
{
    const TBitmap source = RandomBitmap(25, 19, 8);
    auto render = [&](std::uint8_t filter) {
        TBitmap bitmap = source;
        TRenderData job{&bitmap, 50, 38, filter};
        TRenderThread(job).RunJob();
        return bitmap;
    };
    for (int f = 0; f < 8; ++f)
        EXPECT_EQ(render(static_cast<std::uint8_t>(f)), Expected(source, 50, 38, static_cast<TFilterKind>(f))) << f;
    EXPECT_EQ(render(255), render(7));
    EXPECT_EQ(render(8), render(7));
}

TEST(RenderThread, AnErrorLeavesTerminatedUnsetAndTheBitmapAlone)
{
    const TBitmap source = RandomBitmap(6, 6, 1);
    TBitmap bitmap = source;
    TRenderData job{&bitmap, -4, 10, 7};
    TRenderThread thread(job);
    EXPECT_THROW(thread.RunJob(), Error);
    EXPECT_FALSE(thread.Terminated());
    EXPECT_EQ(bitmap, source);

    TRenderData empty;
    TRenderThread none(empty);
    EXPECT_THROW(none.RunJob(), Error);
}

TEST(RenderThread, DestroyingAfterTheCallersFreedTheJobTouchesNothing)
{
    // The callers' order: result taken, bitmap freed, job freed, then the thread.
    auto bitmap = std::make_unique<TBitmap>(RandomBitmap(9, 9, 2));
    auto job = std::make_unique<TRenderData>(TRenderData{bitmap.get(), 18, 18, 6});
    auto thread = std::make_unique<TRenderThread>(*job);
    thread->RunJob();
    const TBitmap result = *bitmap;
    bitmap.reset();
    job.reset();
    thread.reset();
    EXPECT_EQ(result.Width(), 18);
}

} // namespace
} // namespace quillo
