// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fullscreen viewer: the main window's picture over the whole screen. It owns
// no list: every step moves the main window's file list and lets the main window's
// selection handler show the entry, then copies the main view's picture. It runs a
// timed slideshow and opens the copy mode, the render window and the interval
// dialog. Fit state and interval last for the run.
#include "gui/WheelNotches.h"

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace quillo {

class TQloImage;

class TfFullScreen : public QDialog {
    Q_OBJECT
public:
    explicit TfFullScreen(QWidget *parent = nullptr);

    // Shows AImage's picture (the main view) modally; returns when closed.
    void ShowPicture(const TQloImage &AImage);

    void acCloseExecute();
    void acNextExecute();
    void acPrevExecute();
    void acFirstExecute();
    void acLastExecute();
    void acStretchExecute();
    void acCopyModeExecute();
    void acTimerModeExecute();
    void acSetIntervalExecute();
    void acStopTimerModeExecute();
    void acRenderExecute();
    void Timer1Timer();
    // One step per whole notch: towards the user or to the right forwards, away
    // from the user or to the left back; deltas smaller than a notch add up.
    void FormMouseWheel(QPoint AngleDelta);

    // "name (Image i of n)" for the main list's selected row.
    QString CaptionText() const;
    // The interval the settings restore; values below 1 ms keep the current one.
    void SetInterval(int ms);

    TQloImage *QloImage1 = nullptr;
    QLabel *Label1 = nullptr;
    // Slideshow clock: 1000 ms until the settings are read, repeating, not running.
    QTimer *Timer1 = nullptr;
    QAction *acClose = nullptr;
    QAction *acNext = nullptr;
    QAction *acPrev = nullptr;
    // Home and End: the list's first and last file.
    QAction *acFirst = nullptr;
    QAction *acLast = nullptr;
    QAction *acStretch = nullptr;
    QAction *acCopyMode = nullptr;
    QAction *acTimerMode = nullptr;
    QAction *acSetInterval = nullptr;
    QAction *acStopTimerMode = nullptr;
    QAction *acRender = nullptr;
    QMenu *PopupMenu1 = nullptr;

protected:
    // Shows the window (fullscreen on the main window's screen) and runs it
    // modally; tests replace it.
    virtual int RunModal();
    // The width the caption strip spans.
    virtual int ScreenWidth() const;

    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;

private:
    QAction *MakeAction(const char *name, const QString &caption, const QList<QKeySequence> &keys,
                        void (TfFullScreen::*handler)());
    // Makes `index` the list's selected row and shows it.
    void StepTo(int index);
    // After the list's selection moved: the main view's picture and the caption.
    void ShowSelected(int APreviousIndex);

    TWheelNotches FWheel;
};

} // namespace quillo
