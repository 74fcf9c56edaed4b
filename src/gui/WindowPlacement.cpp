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

QScreen *ScreenOf(const QWidget *other)
{
    QScreen *screen = other ? other->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}

void PrepareFullScreen(QWidget &window, QScreen *screen)
{
    if (screen && !window.isVisible()) {
        // The window manager makes a window fullscreen on the monitor it lies on.
        window.setScreen(screen);
        window.setGeometry(screen->geometry());
    }
    window.setWindowState((window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) |
                          Qt::WindowFullScreen);
}

void UseWorkspaceBackground(QWidget &window)
{
    QPalette workspace = window.palette();
    workspace.setColor(QPalette::Window, workspace.color(QPalette::Dark));
    window.setPalette(workspace);
    window.setAutoFillBackground(true);
}

} // namespace quillo
