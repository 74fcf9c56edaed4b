// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wheel deltas (eighths of a degree, 120 a notch) added up to whole notches: a
// touchpad sends many small deltas per swipe, a mouse wheel one 120 per click.
#include <QPoint>

namespace quillo {

class TWheelNotches {
public:
    static constexpr int kNotch = 120;
    // At most this many steps come from one event, however large its delta.
    static constexpr int kMaxStepsPerEvent = 8;

    // Adds one event's angle delta and returns the whole notches it completes:
    // positive for forwards (turned towards the user, or scrolled right), negative
    // for backwards. Each event counts on its stronger axis only, so a slightly
    // diagonal swipe steps along the direction it was meant for; a reversal drops
    // what the other direction had gathered.
    int Add(QPoint angleDelta);
    void Reset() { FVertical = FHorizontal = 0; }

private:
    int FVertical = 0;
    int FHorizontal = 0;
};

} // namespace quillo
