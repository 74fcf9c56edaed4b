// SPDX-License-Identifier: GPL-3.0-or-later
// Repeats of a held key that waited while the program was busy are dropped; presses
// of their own never are.
#include "gui/KeyRepeatGate.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace quillo;

namespace {

constexpr int kDown = 0x01000015;

// The server's clock runs `offset` behind ours; a press sent at server time `sent`
// is handled `waited` ms later.
struct Keyboard {
    TKeyRepeatGate gate;
    std::int64_t offset;
    bool Press(std::int64_t sent, bool repeat, std::int64_t waited, int key = kDown)
    {
        return gate.Admit(static_cast<std::uint32_t>(sent), key, repeat, sent + offset + waited);
    }
};

} // namespace

TEST(KeyRepeatGate, DropsRepeatsThatWaitedWhileBusyAndNothingElse)
{
    // Near the wrap of the 32-bit server clock, which must not matter.
    const std::int64_t t = 0xFFFFFF00;
    Keyboard k{{}, 5000};
    EXPECT_TRUE(k.Press(t, false, 3));
    EXPECT_TRUE(k.Press(t + 250, true, 2));
    // A step took 120 ms: the repeats sent meanwhile are stale, the one after it is not.
    EXPECT_FALSE(k.Press(t + 283, true, 90));
    EXPECT_FALSE(k.Press(t + 316, true, 57));
    EXPECT_FALSE(k.Press(t + 349, true, 30));
    EXPECT_TRUE(k.Press(t + 382, true, 4));
    // The shortcut check and the key event of one press get one answer.
    EXPECT_FALSE(k.Press(t + 415, true, 60));
    EXPECT_FALSE(k.Press(t + 415, true, 60));
    EXPECT_TRUE(k.Press(t + 448, true, 1));
    EXPECT_TRUE(k.Press(t + 448, true, 1));
    // A press of its own is delivered however late, and the late start is learnt
    // away by the first prompt repeat.
    EXPECT_TRUE(k.Press(t + 500, false, 300));
    EXPECT_TRUE(k.Press(t + 800, true, 0));
    EXPECT_FALSE(k.Press(t + 833, true, 40));
    // No time stamp: nothing to judge by.
    EXPECT_TRUE(k.gate.Admit(0, kDown, true, 1));
}

TEST(KeyRepeatGate, AClockThatJumpsIsLearntAfreshRatherThanDroppingEveryRepeat)
{
    Keyboard k{{}, 100};
    EXPECT_TRUE(k.Press(1000, false, 0));
    EXPECT_TRUE(k.Press(1300, true, 0));
    // The server restarted: its clock starts again near zero.
    k.offset += 1'000'000;
    EXPECT_TRUE(k.Press(20, true, 0));
    EXPECT_TRUE(k.Press(53, true, 3));
    EXPECT_FALSE(k.Press(86, true, 50));
}
