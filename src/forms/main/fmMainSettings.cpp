// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the settings store sees it: bounds, pane sizes, the
// selected folder and the slideshow interval.
#include "forms/main/fmMain.h"

#include "forms/main/FolderTreeModel.h"
#include "forms/Forms.h"
#include "forms/main/ShellTreeView.h"
#include "forms/fmFullScreen.h"

#include <QCoreApplication>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QTimer>

#include <algorithm>

namespace quillo {

// The frame's top-left and the client size, in both states: these are what move()
// and resize() take, so bounds put back read back the same on the next close.
// (The client's own top-left lies below the title bar: mixing the two made a
// stored position creep down by a title bar's height between runs.)
QRect TfMain::MainBounds() { return QRect(pos(), size()); }

void TfMain::SetMainBounds(const QRect &bounds, bool positionStored)
{
    FBoundsRestored = true;
    resize(bounds.size());
    if (positionStored)
        move(bounds.topLeft());
    else
        CentreOnScreen();
}

// Before the window is first shown its frame is not known yet; the window
// manager's frame then shifts it by half the frame's size at most. Moving a
// window drops its maximised state, which is kept here.
void TfMain::CentreOnScreen()
{
    const QScreen *s = screen();
    if (!s)
        return;
    QRect frame(QPoint(0, 0), frameGeometry().size());
    frame.moveCenter(s->availableGeometry().center());
    const Qt::WindowStates state = windowState();
    move(frame.topLeft());
    if (windowState() != state)
        setWindowState(state);
}

bool TfMain::MainMaximized() { return isMaximized(); }
void TfMain::SetMainMaximized() { setWindowState(windowState() | Qt::WindowMaximized); }
int TfMain::TreeHeight() { return FPaneSized ? ShellTreeView1->height() : FTreeHeight; }

void TfMain::SetTreeHeight(int height)
{
    FTreeHeight = height;
    const QList<int> sizes = Splitter2->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int tree = std::max(0, height) + Panel2->height();
    Splitter2->setSizes({tree, std::max(1, total - tree)});
}

// Before the window is first shown the widgets have no real size yet; the
// design sizes stand in (the settings read them as defaults).
int TfMain::PaneWidth() { return FPaneSized ? Panel1->width() : FPaneWidth; }

void TfMain::SetPaneWidth(int width)
{
    FPaneWidth = width;
    const int total = std::max(Splitter1->width() - Splitter1->handleWidth(), 2);
    const int pane = std::clamp(width, 0, total - 1);
    Splitter1->setSizes({pane, total - pane});
}

std::string TfMain::SelectedFolder() { return ShellTreeModel->PathOf(ShellTreeView1->currentIndex()); }

int TfMain::SlideshowInterval() { return fFullScreen ? fFullScreen->Timer1->interval() : 2000; }

void TfMain::SetSlideshowInterval(int ms)
{
    if (fFullScreen)
        fFullScreen->SetInterval(ms);
}

void TfMain::ProcessMessages() { QCoreApplication::processEvents(); }

} // namespace quillo
