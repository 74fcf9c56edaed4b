// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Copy mode: a picture shown over the whole screen at its own size or fitted, on
// which Ctrl+left-drag marks a rectangle. Window coordinates here are device
// pixels, so at its own size one picture pixel is one screen pixel. On release the rectangle is mapped to
// picture pixels, cut out, enlarged to twice its size with the settings' filter
// and halved again by 2 x 2 averaging; the result goes to the preview window and
// the clipboard.
#include "imageview/QloImageHolder.h"

#include <QDialog>
#include <QPoint>

class QMouseEvent;

namespace quillo {

class TQloImage;

// The selection frame: a dotted rectangle drawn over the picture by inverting the
// pixels under it. It lies over the whole view and lets the mouse through.
class TSelectionFrame : public QWidget {
public:
    explicit TSelectionFrame(QWidget *parent);
    // Drawing the frame a second time removes it, as an inverting frame does.
    void Toggle(const TRect &rect);
    bool Shown() const { return FShown; }
    const TRect &FrameRect() const { return FRect; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool FShown = false;
    TRect FRect;
};

class TfCopyMode : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kOpeningMessage =
        "The selections will automatically be rendered to increase quality.\rThis may take a while on older "
        "computers...";

    explicit TfCopyMode(QWidget *parent = nullptr);

    // Shows AImage's picture in copy mode, modally; returns true only for an OK
    // close, which no command of the window gives.
    bool ShowPicture(const TQloImage &AImage);

    // Fit toggle: fitted with its proportions kept, or at its own size.
    void QloImage1DblClick();
    // The first activation after ShowPicture recomputes Scale for the final size.
    void FormActivate();
    void QloImage1MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void QloImage1MouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
    void QloImage1MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    // Smooths a cut-out: rendered at twice its size, then halved.
    void QloImage1Clip(TBitmap &AClipped);
    // Esc closes; Ctrl+A selects the whole picture. True when the key was one of them.
    bool FormKeyDown(int Key, Qt::KeyboardModifiers Shift);
    void FormClose();

    // SelRect mapped to picture pixels (each side rounded to the nearest pixel).
    TRect MapToPicture(const TRect &ARect) const;

    TQloImage *QloImage1 = nullptr;
    TSelectionFrame *Frame = nullptr;

    TRect SelRect;
    QPoint SelStart;
    bool Selecting = false;
    bool FirstActivate = false;
    // Picture pixels per window pixel; 1 at the picture's own size.
    long double Scale = 1.0L;

protected:
    // Shows the window (fullscreen on the main window's screen) and runs it
    // modally; tests replace it.
    virtual int RunModal();
    // The screen's work-area width plus its full height: a picture whose width plus
    // height exceeds it opens fitted.
    virtual int ScreenExtent() const;

    // Lets the windows paint once before a long job; input waits until it is done.
    virtual void PaintPending();

    void done(int result) override;
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void DrawFrame();
    void UpdateScale();
    // The window's client size in device pixels.
    QSize ClientSize() const;

    // A clip is being smoothed: the window takes no new selection, and an Esc
    // closes the window only once the clip has its result.
    bool FClipping = false;
    bool FCloseAfterClip = false;
};

} // namespace quillo
