// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace quillo {

// Moves a top-level window so that it sits in the middle of the available area of
// its screen. Called from showEvent, so a dialog with a parent still centres on the
// screen rather than over its parent.
void CentreOnScreen(QWidget &window);

// Gives a picture window the dark workspace background that shows around a
// picture smaller than the window.
void UseWorkspaceBackground(QWidget &window);

} // namespace quillo
