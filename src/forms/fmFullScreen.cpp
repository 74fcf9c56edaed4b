// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmFullScreen.h"

#include <QTimer>

namespace quillo {

TfFullScreen::TfFullScreen(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fFullScreen"));
    setWindowTitle(QStringLiteral("Fullscreen"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setSingleShot(false);
}

} // namespace quillo
