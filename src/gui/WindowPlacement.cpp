// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/WindowPlacement.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace quillo {

void CentreOnScreen(QWidget &window)
{
    QScreen *screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = window.frameGeometry();
    frame.moveCenter(area.center());
    window.move(frame.topLeft());
}

void UseWorkspaceBackground(QWidget &window)
{
    QPalette workspace = window.palette();
    workspace.setColor(QPalette::Window, workspace.color(QPalette::Dark));
    window.setPalette(workspace);
    window.setAutoFillBackground(true);
}

} // namespace quillo
