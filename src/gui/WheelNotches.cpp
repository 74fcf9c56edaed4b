// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/WheelNotches.h"

#include <algorithm>
#include <cstdlib>

namespace quillo {

namespace {

// Adds delta to sum and takes the whole notches out of it.
int Gather(int &sum, int delta)
{
    if ((sum < 0 && delta > 0) || (sum > 0 && delta < 0))
        sum = 0;
    // Clamped first: a huge delta neither overflows the sum nor runs for ever.
    constexpr int limit = TWheelNotches::kNotch * TWheelNotches::kMaxStepsPerEvent;
    sum = std::clamp(sum + std::clamp(delta, -limit, limit), -limit, limit);
    const int notches = sum / TWheelNotches::kNotch;
    sum -= notches * TWheelNotches::kNotch;
    return notches;
}

} // namespace

int TWheelNotches::Add(QPoint angleDelta)
{
    const int x = angleDelta.x(), y = angleDelta.y();
    if (x == 0 && y == 0)
        return 0;
    // Downwards (towards the user) and to the right both give negative deltas.
    if (std::llabs(y) >= std::llabs(x)) {
        FHorizontal = 0;
        return -Gather(FVertical, y);
    }
    FVertical = 0;
    return -Gather(FHorizontal, x);
}

} // namespace quillo
