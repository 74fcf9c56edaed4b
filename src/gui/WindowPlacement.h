// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QScreen;
class QWidget;

namespace quillo {

// Moves a top-level window so that it sits in the middle of the available area of
// its screen. Called from showEvent, so a dialog with a parent still centres on the
// screen rather than over its parent.
void CentreOnScreen(QWidget &window);

// Gives a picture window the dark workspace background that shows around a
// picture smaller than the window.
void UseWorkspaceBackground(QWidget &window);

// The screen `other` is on (the primary screen when it has none).
QScreen *ScreenOf(const QWidget *other);

// Makes a hidden picture window fullscreen in the window manager's sense when it is
// next shown, on `screen`: maximised would stop at a panel or dock.
void PrepareFullScreen(QWidget &window, QScreen *screen);

} // namespace quillo
