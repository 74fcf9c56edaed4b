// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The render window: one picture resampled to fill the screen with the settings'
// filter, shown at 1:1 over the workspace colour. A popup menu on the result picks
// another filter (which becomes the settings' filter and re-renders), shows the
// luminance panel (one brightness step per render), opens the copy mode and closes.
// The main window makes one per use and destroys it afterwards.
#include <QDialog>
#include <QFrame>
#include <QSize>

#include <functional>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPushButton;

namespace quillo {

class TPicture;
class TQloImage;

// A panel carrying a small integer, as the luminance panel keeps its correction state.
class TTagPanel : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
    int Tag = 0;
};

class TfRender : public QDialog {
    Q_OBJECT
public:
    explicit TfRender(QWidget *parent = nullptr);
    ~TfRender() override;

    // Copies the picture into the source view and shows the window modally; the
    // first activation renders. Returns true once the window has been closed.
    bool RenderPicture(const TPicture &APicture);

    // Renders the source view's picture into the result view with the settings'
    // filter. A failure is reported in a message box and gives false; the window
    // stays usable.
    bool FormActivate();
    // Esc (any modifiers) closes; Ctrl+C (other modifiers allowed) opens the copy
    // mode. Returns true when the key was one of them.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void Kopiermodus1Click();
    void Vennick1Click(QAction *Sender);
    void Belichtingpaneel1Click();
    void Button3Click(QObject *Sender);
    void Button2Click(QObject *Sender);
    void UpdateLightButtons();
    void Sluiten1Click();
    // One brightness step on what the result view shows.
    void ApplyLightCorrection(bool increase);

    // The copy mode on the result view: the program's copy mode unless replaced.
    // Unset, Ctrl+C and "Copy mode..." do nothing.
    std::function<void(TQloImage &)> OnCopyMode;

    // Components, named as Quillo's forms name them.
    TQloImage *QloImage1 = nullptr; // source: the picture as given, stretched
    TQloImage *QloImage2 = nullptr; // result: the render at 1:1
    QLabel *Label1 = nullptr;
    TTagPanel *Panel1 = nullptr; // Tag: 0 no correction, 1 lighter, -1 darker
    QPushButton *Button1 = nullptr; // "Increase light", tag 1
    QPushButton *Button2 = nullptr; // "Cancel correction", tag 0
    QPushButton *Button3 = nullptr; // "Decrease light", tag -1
    QMenu *PopupMenu1 = nullptr;
    QAction *Kopiermodus1 = nullptr;
    QAction *Belichtingpaneel1 = nullptr;
    QMenu *Renderfilter1 = nullptr;
    QActionGroup *FilterGroup = nullptr;
    QAction *Box1 = nullptr;
    QAction *riangle1 = nullptr;
    QAction *Hermite1 = nullptr;
    QAction *Bell1 = nullptr;
    QAction *Spline1 = nullptr;
    QAction *Lancros31 = nullptr;
    QAction *Mitchell1 = nullptr;
    QAction *Vennick1 = nullptr;
    QAction *N1 = nullptr;
    QAction *Sluiten1 = nullptr;

protected:
    // Shows the window maximised and runs it modally; tests replace it.
    virtual int RunModal();
    // The client area the picture is fitted into: the size the window ends up with
    // once maximised. Under a window manager maximising is asynchronous, so the
    // window's size at its first activation may still be the one from before; the
    // frameless maximised window covers its screen's work area, so that is taken.
    virtual QSize ClientSize() const;

    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    void FirstActivation();

    // Set when the window is opened; the first activation (or, failing one, the
    // first turn of the event loop after showing) clears it and renders.
    bool FRenderPending = false;
    bool FRendering = false;
};

} // namespace quillo
