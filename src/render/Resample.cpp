// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/Resample.h"

#include "platform/Errors.h"
#include "render/ResampleLoops.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#if defined(__clang__)
// Weights must not change with the compiler's mood: no fused multiply-add.
#pragma STDC FP_CONTRACT OFF
#endif

namespace quillo {

using resample_detail::CpuHasAvx2;
using resample_detail::FinishChannel;
using resample_detail::RunParts;
using resample_detail::RunPasses;

namespace {

std::atomic<int> gThreads{0}; // 0: the default
std::atomic<bool> gVectorCode{true};

// Every kernel is zero from |x| = 3 on, so a window wider than this only adds
// zero weights; capping it keeps an absurd radius from costing time or memory.
constexpr float kWindowCap = 4.0f;

// Below this many kernel evaluations the weights are not worth a thread.
constexpr std::int64_t kEvaluationsPerThread = 20000;

// About how often the contributor rule calls the kernel for one axis.
std::int64_t KernelEvaluations(int sourceLength, int targetLength, float radius)
{
    const double window = 2.0 * std::min(radius, kWindowCap) * std::max(1.0, double(sourceLength) / targetLength) + 2.0;
    return static_cast<std::int64_t>(window * targetLength);
}

int DefaultThreads()
{
    const unsigned hw = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(hw == 0 ? 1 : hw), 1, kMaxResampleThreads);
}

// Folding about pixel 0 (j -> -j) and about the end (j -> 2n - 1 - j) together
// repeat with period 2n - 1, so one remainder stands for any number of folds.
std::int64_t Reflect(std::int64_t j, std::int64_t n)
{
    const std::int64_t period = 2 * n - 1;
    std::int64_t m = j % period;
    if (m < 0)
        m += period;
    return m < n ? m : period - m;
}

void CheckRadius(float radius)
{
    if (!std::isfinite(radius) || radius < 0.0f)
        throw Error("Invalid resampling radius: " + std::to_string(radius));
}

void CheckContributorArguments(int sourceLength, int targetLength, TFilterKernel kernel, float radius)
{
    CheckRadius(radius);
    if (kernel == nullptr)
        throw Error("No resampling kernel");
    if (targetLength > 0 && sourceLength <= 0)
        throw Error("Cannot resample an empty line");
}

// Entries [first, last) of a list already sized to the target length.
void FillContributors(TContributorList &list, int sourceLength, TFilterKernel kernel, float radius, int first,
                      int last)
{
    const int targetLength = static_cast<int>(list.size());
    const std::int64_t n = sourceLength;
    const float scale = ResampleScale(sourceLength, targetLength);
    const float r = std::min(radius, kWindowCap);
    const bool oneTarget = targetLength == 1 && sourceLength > 1;
    const bool reduce = scale < 1.0f;
    for (int i = first; i < last; ++i) {
        TContributorEntry &entry = list[i];
        entry.Contributors.clear();
        const float centre = oneTarget ? static_cast<float>(sourceLength - 1) / 2.0f : static_cast<float>(i) / scale;
        const float width = reduce ? r / scale : r;
        const auto left = static_cast<std::int64_t>(std::floor(centre - width));
        const auto right = static_cast<std::int64_t>(std::ceil(centre + width));
        entry.Contributors.reserve(static_cast<std::size_t>(std::clamp<std::int64_t>(right - left + 1, 0, 4096)));
        for (std::int64_t j = left; j <= right; ++j) {
            double value;
            if (reduce) {
                const float x = (centre - static_cast<float>(j)) * scale;
                value = double(kernel(x)) * double(scale) * 256.0;
            } else {
                value = double(kernel(centre - static_cast<float>(j))) * 256.0;
            }
            // Round to nearest, ties to even (the default rounding mode).
            const double rounded = std::nearbyint(value);
            if (!(std::fabs(rounded) < 1073741824.0))
                throw Error("Resampling kernel value out of range");
            const auto weight = static_cast<std::int32_t>(rounded);
            if (weight == 0)
                continue;
            entry.Contributors.push_back({weight, static_cast<std::int32_t>(Reflect(j, n))});
        }
        entry.Count = static_cast<std::int32_t>(entry.Contributors.size());
    }
}

void CheckPassArguments(const TBitmap &source, const TBitmap &target)
{
    if (source.BitsPerPixel() != 24 || target.BitsPerPixel() != 24)
        throw Error("Resampling needs 24-bit bitmaps");
    if (&source == &target)
        throw Error("Resampling needs a target other than its source");
}

// True when there is nothing to compute: an empty target, or an empty source,
// which leaves the target black.
bool DegenerateSizes(const TBitmap &source, TBitmap &target)
{
    if (target.Empty())
        return true;
    if (source.Empty()) {
        std::memset(target.Bits(), 0, target.ImageSize());
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Reference form: the line cache is per thread and released when the resample
// ends, also on an error.

thread_local std::vector<std::int32_t> LineRed, LineGreen, LineBlue;

struct TLineCacheRelease {
    ~TLineCacheRelease()
    {
        for (auto *line : {&LineRed, &LineGreen, &LineBlue}) {
            line->clear();
            line->shrink_to_fit();
        }
    }
};

void ResizeLineCache(int length)
{
    LineRed.resize(length);
    LineGreen.resize(length);
    LineBlue.resize(length);
}

void WeightedPixelReference(const TContributorEntry &entry, std::uint8_t *pixel)
{
    // 32-bit signed sums that wrap on overflow: unsigned arithmetic, read back as signed.
    std::uint32_t total = 0, red = 0, green = 0, blue = 0;
    for (int c = 0; c < entry.Count; ++c) {
        const TContributor &ct = entry.Contributors[c];
        const auto w = static_cast<std::uint32_t>(ct.Weight);
        total += w;
        red += w * static_cast<std::uint32_t>(LineRed[ct.Pixel]);
        green += w * static_cast<std::uint32_t>(LineGreen[ct.Pixel]);
        blue += w * static_cast<std::uint32_t>(LineBlue[ct.Pixel]);
    }
    const auto t = static_cast<std::int32_t>(total);
    pixel[0] = FinishChannel(blue, t);
    pixel[1] = FinishChannel(green, t);
    pixel[2] = FinishChannel(red, t);
}

} // namespace

float ResampleScale(int sourceLength, int targetLength)
{
    if (sourceLength == 1)
        return static_cast<float>(targetLength);
    if (targetLength == 1)
        return 1.0f / static_cast<float>(sourceLength);
    if (sourceLength <= 0 || targetLength <= 0)
        return 1.0f;
    return static_cast<float>(targetLength - 1) / static_cast<float>(sourceLength - 1);
}

TContributorList BuildContributorList(int sourceLength, int targetLength, TFilterKernel kernel, float radius)
{
    CheckContributorArguments(sourceLength, targetLength, kernel, radius);
    TContributorList list(std::max(targetLength, 0));
    FillContributors(list, sourceLength, kernel, radius, 0, targetLength);
    return list;
}

void ResamplePasses(TFilterKernel kernel, float radius, const TBitmap &source, TBitmap &target)
{
    CheckPassArguments(source, target);
    CheckRadius(radius);
    if (DegenerateSizes(source, target))
        return;
    const int sw = source.Width(), sh = source.Height();
    const int tw = target.Width(), th = target.Height();
    // The weights of both axes, split between threads when that pays: a kernel
    // evaluation can cost a sine or two.
    CheckContributorArguments(sw, tw, kernel, radius);
    CheckContributorArguments(sh, th, kernel, radius);
    TContributorList rows(tw), columns(th);
    const std::int64_t evaluations = KernelEvaluations(sw, tw, radius) + KernelEvaluations(sh, th, radius);
    const int listParts =
        static_cast<int>(std::clamp<std::int64_t>(evaluations / kEvaluationsPerThread, 1, ResampleThreads()));
    auto share = [&](int length, int part) { return static_cast<int>(std::int64_t(length) * part / listParts); };
    RunParts(listParts, [&](int part) {
        FillContributors(rows, sw, kernel, radius, share(tw, part), share(tw, part + 1));
        FillContributors(columns, sh, kernel, radius, share(th, part), share(th, part + 1));
    });
    RunPasses(rows, columns, source, target, ResampleThreads(), gVectorCode.load());
}

void ResamplePassesReference(TFilterKernel kernel, float radius, const TBitmap &source, TBitmap &target)
{
    CheckPassArguments(source, target);
    CheckRadius(radius);
    if (DegenerateSizes(source, target))
        return;
    const int sw = source.Width(), sh = source.Height();
    const int tw = target.Width(), th = target.Height();
    TBitmap work(tw, sh, 24);
    const TLineCacheRelease release;

    {
        const TContributorList list = BuildContributorList(sw, tw, kernel, radius);
        ResizeLineCache(sw);
        for (int k = 0; k < sh; ++k) {
            const std::uint8_t *src = source.ScanLine(k);
            for (int x = 0; x < sw; ++x) {
                LineBlue[x] = src[3 * x];
                LineGreen[x] = src[3 * x + 1];
                LineRed[x] = src[3 * x + 2];
            }
            std::uint8_t *dst = work.ScanLine(k);
            for (int i = 0; i < tw; ++i)
                WeightedPixelReference(list[i], dst + 3 * i);
        }
    }
    {
        const TContributorList list = BuildContributorList(sh, th, kernel, radius);
        ResizeLineCache(sh);
        const std::uint8_t *work0 = work.ScanLine(0);
        const std::ptrdiff_t workStride = work.Stride();
        std::uint8_t *target0 = target.ScanLine(0);
        const std::ptrdiff_t targetStride = target.Stride();
        for (int k = 0; k < tw; ++k) {
            for (int y = 0; y < sh; ++y) {
                const std::uint8_t *p = work0 + y * workStride + 3 * k;
                LineBlue[y] = p[0];
                LineGreen[y] = p[1];
                LineRed[y] = p[2];
            }
            for (int i = 0; i < th; ++i)
                WeightedPixelReference(list[i], target0 + i * targetStride + 3 * k);
        }
    }
}

void Resample(int newWidth, int newHeight, TFilterKind filter, float radius, const TBitmap &source, TBitmap &target)
{
    const std::size_t index = FilterIndex(filter);
    if (radius == 0.0f)
        radius = FilterRadii[index];
    CheckRadius(radius);
    TBitmap::CheckDimensions(newWidth, newHeight, 24);
    // Work on a separate result so that the target stays as it was on an error,
    // and so that source and target may be one bitmap without a copy.
    TBitmap converted;
    const TBitmap *from = &source;
    if (source.BitsPerPixel() != 24) {
        converted = source.To24Bit();
        from = &converted;
    }
    // Every pixel byte is written by the passes; only the row padding needs zeros.
    TBitmap result = TBitmap::Uninitialized(newWidth, newHeight, 24);
    ResamplePasses(FilterKernels[index], radius, *from, result);
    result.ClearPadding();
    target = std::move(result);
}

void ResampleInPlace(int newWidth, int newHeight, TFilterKind filter, float radius, TBitmap &bitmap)
{
    Resample(newWidth, newHeight, filter, radius, bitmap, bitmap);
}

void SetResampleThreads(int threads)
{
    gThreads.store(threads <= 0 ? 0 : std::min(threads, kMaxResampleThreads));
}

int ResampleThreads()
{
    const int t = gThreads.load();
    return t > 0 ? t : DefaultThreads();
}

void SetResampleVectorCode(bool enabled)
{
    gVectorCode.store(enabled);
}

bool ResampleVectorCode()
{
    return gVectorCode.load() && CpuHasAvx2();
}

} // namespace quillo
