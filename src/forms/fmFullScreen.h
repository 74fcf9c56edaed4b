// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fullscreen viewer. For now the window and its slideshow clock, whose interval
// the settings restore and save.
#include <QDialog>

class QTimer;

namespace quillo {

class TfFullScreen : public QDialog {
    Q_OBJECT
public:
    explicit TfFullScreen(QWidget *parent = nullptr);

    // Slideshow clock: 1000 ms until the settings are read, repeating, not running.
    QTimer *Timer1 = nullptr;
};

} // namespace quillo
