// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/KeyRepeatGate.h"

namespace quillo {

namespace {

// Beyond this the clocks cannot be compared (a restarted or wrapped server clock):
// the offset is learnt afresh rather than every repeat being dropped from then on.
constexpr std::int64_t kImplausibleWaitMs = 2000;

} // namespace

bool TKeyRepeatGate::Admit(std::uint32_t eventTime, int key, bool autoRepeat, std::int64_t nowMs)
{
    if (eventTime == 0)
        return true;
    if (anchored_ && eventTime == lastTime_ && key == lastKey_)
        return lastAnswer_;
    // Unwrapped by its distance from the last press, which is always well under 2^31 ms.
    const std::int64_t serverTime =
        anchored_ ? lastUnwrapped_ + static_cast<std::int32_t>(eventTime - lastTime_) : eventTime;
    const std::int64_t offset = nowMs - serverTime;
    std::int64_t waited = anchored_ ? offset - offset_ : 0;
    // A press of its own starts the count afresh, so clocks of two machines that
    // drift apart (a remote display) are compared over one held key only.
    if (!anchored_ || !autoRepeat || waited < 0 || waited > kImplausibleWaitMs) {
        anchored_ = true;
        offset_ = offset;
        waited = 0;
    }
    lastUnwrapped_ = serverTime;
    lastTime_ = eventTime;
    lastKey_ = key;
    lastAnswer_ = !autoRepeat || waited <= kMaxWaitMs;
    return lastAnswer_;
}

} // namespace quillo
