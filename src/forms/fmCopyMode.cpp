// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmCopyMode.h"

#include "forms/Forms.h"
#include "gui/WindowPlacement.h"
#include "forms/fmCopyPreview.h"
#include "forms/main/fmMain.h"
#include "forms/fmSettings.h"
#include "imageview/view/QloImage.h"
#include "platform/Services.h"
#include "render/SmoothClip.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>

namespace quillo {

namespace {

// truncate(v + 0.5), kept inside the int range.
int RoundHalfUp(long double v)
{
    const long double t = std::trunc(v + 0.5L);
    if (!(t >= static_cast<long double>(std::numeric_limits<int>::min())))
        return std::numeric_limits<int>::min();
    if (t > static_cast<long double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(t);
}

} // namespace

// ---------------------------------------------------------------- selection frame

TSelectionFrame::TSelectionFrame(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void TSelectionFrame::Toggle(const TRect &rect)
{
    if (FShown) {
        FShown = false;
    } else {
        FShown = true;
        FRect = rect;
    }
    update();
}

void TSelectionFrame::paintEvent(QPaintEvent *)
{
    if (!FShown)
        return;
    // A drag up or to the left gives a reversed rectangle; it is drawn where it lies.
    const int left = std::min(FRect.Left, FRect.Right);
    const int right = std::max(FRect.Left, FRect.Right);
    const int top = std::min(FRect.Top, FRect.Bottom);
    const int bottom = std::max(FRect.Top, FRect.Bottom);
    if (right - left < 1 || bottom - top < 1)
        return;
    // Every other pixel of the outline, each once, inverted: a focus rectangle,
    // visible on any picture. Right and bottom edges are exclusive.
    QList<QPoint> dots;
    const auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            dots.append(QPoint(x, y));
    };
    for (int x = left; x < right; ++x) {
        dot(x, top);
        if (bottom - 1 > top)
            dot(x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        dot(left, y);
        if (right - 1 > left)
            dot(right - 1, y);
    }
    QPainter painter(this);
    // The frame's coordinates are device pixels: one dot per screen pixel.
    painter.scale(1.0 / devicePixelRatioF(), 1.0 / devicePixelRatioF());
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawPoints(dots.constData(), static_cast<int>(dots.size()));
}

// ---------------------------------------------------------------- window

TfCopyMode::TfCopyMode(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fCopyMode"));
    setWindowTitle(QStringLiteral("Copymode"));
    UseWorkspaceBackground(*this);

    QloImage1 = new TQloImage(this);
    QloImage1->setObjectName(QStringLiteral("QloImage1"));
    QloImage1->SetCenter(false);
    QloImage1->SetAutoSave(false);
    QloImage1->SetOnClip([this](TBitmap &clipped) { QloImage1Clip(clipped); });
    QloImage1->installEventFilter(this);
    connect(QloImage1, &TQloImage::doubleClicked, this, [this] { QloImage1DblClick(); });
    connect(QloImage1, &TQloImage::mousePressed, this, [this](QMouseEvent *e) {
        const QPoint p = QloImage1->ToDevice(e->position());
        QloImage1MouseDown(e->button(), e->modifiers(), p.x(), p.y());
    });
    connect(QloImage1, &TQloImage::mouseMoved, this, [this](QMouseEvent *e) {
        const QPoint p = QloImage1->ToDevice(e->position());
        QloImage1MouseMove(e->modifiers(), p.x(), p.y());
    });
    connect(QloImage1, &TQloImage::mouseReleased, this, [this](QMouseEvent *e) {
        const QPoint p = QloImage1->ToDevice(e->position());
        QloImage1MouseUp(e->button(), e->modifiers(), p.x(), p.y());
    });

    Frame = new TSelectionFrame(QloImage1);
    Frame->setObjectName(QStringLiteral("Frame"));
}

bool TfCopyMode::ShowPicture(const TQloImage &AImage)
{
    FirstActivate = true;
    Selecting = false;
    if (Frame->Shown())
        DrawFrame();
    FCloseAfterClip = false;
    QloImage1->SetPicture(AImage.Picture());
    PrepareFullScreen(*this, ScreenOf(fMain));
    QloImage1->SetStretch(false);
    QloImage1->SetProportional(false);
    QloImage1DblClick();
    QloImage1DblClick();
    const TPicture &picture = QloImage1->Picture();
    if (std::int64_t(picture.Width()) + picture.Height() > ScreenExtent())
        QloImage1DblClick();
    ShowMessage(kOpeningMessage);
    return RunModal() == QDialog::Accepted;
}

int TfCopyMode::RunModal()
{
    return exec();
}

int TfCopyMode::ScreenExtent() const
{
    const QScreen *screen = ScreenOf(this);
    if (!screen)
        return std::numeric_limits<int>::max();
    // In device pixels, as the picture is shown at its own size.
    const qreal ratio = screen->devicePixelRatio();
    return qRound(screen->availableGeometry().width() * ratio) + qRound(screen->geometry().height() * ratio);
}

void TfCopyMode::QloImage1DblClick()
{
    const bool stretch = !QloImage1->Stretch();
    QloImage1->SetStretch(stretch);
    QloImage1->SetProportional(stretch);
    UpdateScale();
}

void TfCopyMode::UpdateScale()
{
    Scale = 1.0L;
    if (!QloImage1->Stretch())
        return;
    // The view fills the window; its own geometry follows only once the window is shown.
    const QSize client = ClientSize();
    const TRect r = QloImage1->Holder().PictureRect(client.width(), client.height());
    // A window too small to show a fitted line of the picture, or no picture at all,
    // keeps the own-size scale.
    if (r.Height() > 0 && QloImage1->Picture().Height() > 0)
        Scale = static_cast<long double>(QloImage1->Picture().Height()) / static_cast<long double>(r.Height());
}

QSize TfCopyMode::ClientSize() const
{
    const qreal ratio = devicePixelRatioF();
    return {qRound(width() * ratio), qRound(height() * ratio)};
}

void TfCopyMode::FormActivate()
{
    if (!FirstActivate)
        return;
    QloImage1DblClick();
    QloImage1DblClick();
    FirstActivate = false;
}

void TfCopyMode::DrawFrame()
{
    Frame->Toggle(SelRect);
}

void TfCopyMode::QloImage1MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (FClipping || Button != Qt::LeftButton || !Shift.testFlag(Qt::ControlModifier))
        return;
    // A press while a frame is still up (a release the window never saw) starts afresh.
    if (Frame->Shown())
        DrawFrame();
    SelRect = TRect{X, Y, X, Y};
    SelStart = QPoint(X, Y);
    DrawFrame();
    Selecting = true;
}

void TfCopyMode::QloImage1MouseMove(Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (FClipping || !Selecting || !Shift.testFlag(Qt::ControlModifier))
        return;
    if (Frame->Shown())
        DrawFrame();
    const TPicture &picture = QloImage1->Picture();
    X = std::min(X, RoundHalfUp(static_cast<long double>(picture.Width()) / Scale));
    Y = std::min(Y, RoundHalfUp(static_cast<long double>(picture.Height()) / Scale));
    SelRect = TRect{SelStart.x(), SelStart.y(), X, Y};
    DrawFrame();
}

TRect TfCopyMode::MapToPicture(const TRect &ARect) const
{
    return TRect{RoundHalfUp(ARect.Left * Scale), RoundHalfUp(ARect.Top * Scale), RoundHalfUp(ARect.Right * Scale),
                 RoundHalfUp(ARect.Bottom * Scale)};
}

void TfCopyMode::QloImage1MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int)
{
    if (FClipping || !Selecting)
        return;
    const TRect mapped = MapToPicture(SelRect);
    std::string failure;
    if (mapped.Right >= mapped.Left && mapped.Bottom >= mapped.Top) {
        // Only the part that lies on the picture is clipped: the limits act before
        // the rounding, and nothing stops a frame left of or above the picture.
        const TPicture &picture = QloImage1->Picture();
        const TRect inside{std::max(mapped.Left, 0), std::max(mapped.Top, 0),
                           std::min(mapped.Right, picture.Width()), std::min(mapped.Bottom, picture.Height())};
        if (inside.Width() > 0 && inside.Height() > 0) {
            FClipping = true;
            try {
                QloImage1->Clip(inside);
            } catch (const std::exception &e) {
                // The clip ends without a result; the clipboard stays as it was.
                failure = e.what();
            }
            FClipping = false;
        }
    }
    if (Frame->Shown())
        DrawFrame();
    Selecting = false;
    if (!failure.empty())
        MessageService().Show(failure, ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::Error);
    if (FCloseAfterClip) {
        FCloseAfterClip = false;
        reject();
    }
}

void TfCopyMode::PaintPending()
{
    // Paint and timer events only: a click or key now would act on a selection
    // that is half done, so those wait until the clip returns.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfCopyMode::QloImage1Clip(TBitmap &AClipped)
{
    // Let the frame and the windows paint before the GUI thread is busy.
    PaintPending();

    // No selection (-1) truncates to 255, which renders with the default filter.
    const int filter = fSettings ? fSettings->FilterIndex() : TfSettings::kDefaultFilter;
    AClipped = SmoothClip(AClipped, static_cast<std::uint8_t>(filter));

    if (fCopyPreview)
        fCopyPreview->ShowResult(AClipped, this);
}

bool TfCopyMode::FormKeyDown(int Key, Qt::KeyboardModifiers Shift)
{
    if (Key == Qt::Key_Escape) {
        reject();
        return true;
    }
    if (Key == Qt::Key_A && Shift.testFlag(Qt::ControlModifier)) {
        if (FClipping)
            return true;
        // A drag under way loses its frame; the whole picture is taken instead.
        if (Frame->Shown())
            DrawFrame();
        SelStart = QPoint(0, 0);
        const QSize client = ClientSize();
        SelRect = QloImage1->Holder().PictureRect(client.width(), client.height());
        Selecting = true;
        QloImage1MouseUp(Qt::LeftButton, Qt::ControlModifier, 0, 0);
        // No frame stays on screen after a whole-picture selection.
        if (Frame->Shown())
            DrawFrame();
        return true;
    }
    return false;
}

void TfCopyMode::FormClose()
{
    if (fCopyPreview)
        fCopyPreview->close();
}

void TfCopyMode::done(int result)
{
    // Closing in the middle of a clip would let it reopen the preview over a
    // closed window: the clip ends first, then the window closes.
    if (FClipping) {
        FCloseAfterClip = true;
        return;
    }
    FormClose();
    if (Frame->Shown())
        DrawFrame();
    Selecting = false;
    QDialog::done(result);
}

bool TfCopyMode::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(e);
}

bool TfCopyMode::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(e);
        if (FormKeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TfCopyMode::keyPressEvent(QKeyEvent *e)
{
    if (FormKeyDown(e->key(), e->modifiers())) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfCopyMode::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    QloImage1->setGeometry(rect());
    Frame->setGeometry(QloImage1->rect());
    // The window manager may maximise after the first activation: a fitted
    // picture's scale follows the size it is really drawn at.
    if (QloImage1->Stretch())
        UpdateScale();
}

} // namespace quillo
