// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Held keys on a busy program. While a key is held the window system sends a press
// every few tens of milliseconds; a step that waits for its picture takes longer
// than that, so the presses would pile up and the list would run on long after the
// key is let go. A repeated press that waited in the queue while the program was
// busy is dropped instead: the list stays at most one step behind the key, and
// stops when the key does. Presses of their own are never dropped.
#include <cstdint>

namespace quillo {

class TKeyRepeatGate {
public:
    // A repeat that waited longer than this was sent while the program was busy.
    static constexpr std::int64_t kMaxWaitMs = 25;

    // `eventTime`: the window system's time stamp of the press, in milliseconds (it
    // wraps at 2^32; 0 when unknown); `nowMs`: a steady clock. Whether to deliver it.
    // Asked again for the same press (a shortcut check before the key event), it
    // answers the same.
    bool Admit(std::uint32_t eventTime, int key, bool autoRepeat, std::int64_t nowMs);

private:
    // The least (now - server time) seen since the key went down: the two clocks'
    // offset when a press is handled at once.
    bool anchored_ = false;
    std::int64_t offset_ = 0;
    std::int64_t lastUnwrapped_ = 0; // the last press's server time, unwrapped
    std::uint32_t lastTime_ = 0;
    int lastKey_ = 0;
    bool lastAnswer_ = true;
};

} // namespace quillo
