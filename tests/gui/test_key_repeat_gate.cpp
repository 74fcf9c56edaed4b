// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/KeyRepeatGate.h"

#include <gtest/gtest.h>

using namespace quillo;

// Repeats of a held key that waited while the program was busy are dropped; presses
// of their own never are, and a server clock that wraps or jumps is learnt afresh.
TEST(KeyRepeatGate, DropsOnlyRepeatsThatWaitedWhileBusy)
{
    TKeyRepeatGate gate;
    std::int64_t offset = 5000; // our clock ahead of the server's
    const auto press = [&](std::int64_t sent, bool repeat, std::int64_t waited) {
        return gate.Admit(static_cast<std::uint32_t>(sent), 0x01000015, repeat, sent + offset + waited);
    };
    const std::int64_t t = 0xFFFFFF00; // the 32-bit server clock wraps meanwhile
    EXPECT_TRUE(press(t, false, 3));
    EXPECT_TRUE(press(t + 250, true, 2));
    // A step took 120 ms: the repeats sent meanwhile are stale, the one after it is not;
    // the shortcut check and the key event of one press get one answer.
    EXPECT_FALSE(press(t + 283, true, 90));
    EXPECT_FALSE(press(t + 349, true, 30));
    EXPECT_FALSE(press(t + 349, true, 30));
    EXPECT_TRUE(press(t + 382, true, 4));
    EXPECT_TRUE(press(t + 382, true, 4));
    // A late press of its own is delivered, and its lateness learnt away at the next repeat.
    EXPECT_TRUE(press(t + 500, false, 300));
    EXPECT_TRUE(press(t + 800, true, 0));
    EXPECT_FALSE(press(t + 833, true, 40));
    EXPECT_TRUE(gate.Admit(0, 0x01000015, true, 1)); // no time stamp
    offset += 1'000'000; // a restarted server
    EXPECT_TRUE(press(20, true, 0));
    EXPECT_FALSE(press(53, true, 50));
}
