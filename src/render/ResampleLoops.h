// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Inside the resampler: the fast pixel loops of both passes and the helper that
// spreads work over threads. Not for use outside src/render.
#include "imageview/Bitmap.h"
#include "render/Resample.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace quillo::resample_detail {

// The weighted pixel's last step for one channel: the 32-bit sum divided by the
// total, or shifted as unsigned when the weights cancel, then clamped.
inline std::uint8_t FinishChannel(std::uint32_t sum, std::int32_t total)
{
    // In 64 bits, so the one 32-bit overflow (INT_MIN / -1) is just a large value.
    const std::int64_t v = total != 0 ? std::int64_t(static_cast<std::int32_t>(sum)) / total
                                      : std::int64_t(sum >> 8);
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
}

// Runs fn(0) .. fn(parts - 1), part 0 on the calling thread. A thread that cannot
// be started leaves its part to the calling thread: the bytes are the same. An
// error in any part is raised here once all parts have ended.
template <class Fn>
void RunParts(int parts, const Fn &fn)
{
    if (parts <= 1) {
        fn(0);
        return;
    }
    std::vector<std::exception_ptr> errors(parts);
    auto guarded = [&](int part) {
        try {
            fn(part);
        } catch (...) {
            errors[part] = std::current_exception(); // raised again below, on the caller's thread
        }
    };
    {
        std::vector<std::thread> workers;
        workers.reserve(parts - 1);
        struct Joiner {
            std::vector<std::thread> &threads;
            ~Joiner()
            {
                for (auto &t : threads)
                    t.join();
            }
        } joiner{workers};
        int started = 1;
        try {
            for (; started < parts; ++started)
                workers.emplace_back(guarded, started);
        } catch (const std::system_error &) {
            // Out of threads: the remaining parts run here below.
        }
        guarded(0);
        for (int p = started; p < parts; ++p)
            guarded(p);
    }
    for (const auto &error : errors)
        if (error)
            std::rethrow_exception(error);
}

// True when the processor runs the AVX2 loops.
bool CpuHasAvx2();

// Both passes from a 24-bit source into a 24-bit target of the lists' sizes, both
// non-empty, with the given weights (rows: target width entries over the source
// width; columns: target height entries over the source height). The bytes are
// those of the reference form whatever `threads` and `vector` say.
void RunPasses(const TContributorList &rows, const TContributorList &columns, const TBitmap &source,
               TBitmap &target, int threads, bool vector);

} // namespace quillo::resample_detail
