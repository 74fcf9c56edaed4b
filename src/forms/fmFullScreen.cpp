// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmFullScreen.h"

#include "catalogue/FileListModel.h"
#include "forms/Forms.h"
#include "gui/WindowPlacement.h"
#include "forms/fmCopyMode.h"
#include "forms/fmCopyPreview.h"
#include "forms/main/fmMain.h"
#include "forms/fmSetInterval.h"
#include "imageview/view/QloImage.h"

#include <QAction>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QWheelEvent>

namespace quillo {

namespace {

constexpr int kCaptionHeight = 13;

// The main list's selected row, or -1.
int CurrentIndex()
{
    if (!fMain || !fMain->lvFiles)
        return -1;
    const QItemSelectionModel *selection = fMain->lvFiles->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (!current.isValid() || !selection->isRowSelected(current.row(), {}) ||
        current.row() >= fMain->lvFilesModel->Count())
        return -1;
    return current.row();
}

int ItemCount()
{
    return fMain && fMain->lvFilesModel ? fMain->lvFilesModel->Count() : 0;
}

} // namespace

TfFullScreen::TfFullScreen(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fFullScreen"));
    setWindowTitle(QStringLiteral("Fullscreen"));
    UseWorkspaceBackground(*this);

    QloImage1 = new TQloImage(this);
    QloImage1->setObjectName(QStringLiteral("QloImage1"));
    QloImage1->SetCenter(true);
    QloImage1->SetStretch(false);
    QloImage1->SetProportional(false);
    QloImage1->SetAutoSave(false);
    connect(QloImage1, &TQloImage::doubleClicked, this, [this] { acStretchExecute(); });
    QloImage1->installEventFilter(this);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setAutoFillBackground(true);
    QFont font = Label1->font();
    font.setPixelSize(11);
    Label1->setFont(font);
    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    white.setColor(QPalette::Window, palette().color(QPalette::Window));
    Label1->setPalette(white);
    Label1->setGeometry(0, 0, ScreenWidth(), kCaptionHeight);
    Label1->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setSingleShot(false);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    acClose = MakeAction("acClose", QStringLiteral("Close fullscreen..."), {QKeySequence(Qt::Key_Escape)},
                         &TfFullScreen::acCloseExecute);
    // Down and Up first; then the keys other viewers step with, none of them bound
    // to anything else here.
    acNext = MakeAction("acNext", QStringLiteral("acNext"),
                        {QKeySequence(Qt::Key_Down), QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_PageDown)},
                        &TfFullScreen::acNextExecute);
    acPrev = MakeAction("acPrev", QStringLiteral("acPrev"),
                        {QKeySequence(Qt::Key_Up), QKeySequence(Qt::Key_Left), QKeySequence(Qt::Key_PageUp)},
                        &TfFullScreen::acPrevExecute);
    acFirst = MakeAction("acFirst", QStringLiteral("acFirst"), {QKeySequence(Qt::Key_Home)},
                         &TfFullScreen::acFirstExecute);
    acLast = MakeAction("acLast", QStringLiteral("acLast"), {QKeySequence(Qt::Key_End)},
                        &TfFullScreen::acLastExecute);
    // Enter on the main keys and on the keypad alike.
    acStretch = MakeAction("acStretch", QStringLiteral("Stretch to screen"),
                           {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)},
                           &TfFullScreen::acStretchExecute);
    acStretch->setCheckable(true);
    acCopyMode = MakeAction("acCopyMode", QStringLiteral("Copy a selection to the clipboard..."),
                            {QKeySequence(Qt::CTRL | Qt::Key_C)}, &TfFullScreen::acCopyModeExecute);
    acTimerMode = MakeAction("acTimerMode", QStringLiteral("Slideshow mode"), {QKeySequence(Qt::CTRL | Qt::Key_T)},
                             &TfFullScreen::acTimerModeExecute);
    acTimerMode->setCheckable(true);
    acSetInterval = MakeAction("acSetInterval", QStringLiteral("Set Slideshow interval..."),
                               {QKeySequence(Qt::CTRL | Qt::Key_I)}, &TfFullScreen::acSetIntervalExecute);
    acStopTimerMode = MakeAction("acStopTimerMode", QStringLiteral("Stop slideshow mode"),
                                 {QKeySequence(Qt::Key_Space)}, &TfFullScreen::acStopTimerModeExecute);
    acRender = MakeAction("acRender", QStringLiteral("Render this graphic..."), {QKeySequence(Qt::CTRL | Qt::Key_R)},
                          &TfFullScreen::acRenderExecute);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto item = [this](const char *name, QAction *action) {
        PopupMenu1->addAction(action);
        // The menu shows the action itself; the item's name is kept for lookups.
        action->setProperty("MenuItem", QString::fromLatin1(name));
    };
    item("Uitrekken1", acStretch);
    item("Renderdezeafbeelding1", acRender);
    PopupMenu1->addSeparator();
    item("Kopieermodus1", acCopyMode);
    item("ijdsintervalmodus1", acTimerMode);
    item("Intervalinstellen1", acSetInterval);
    PopupMenu1->addSeparator();
    item("Volledigschermsluiten1", acClose);
    QloImage1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(QloImage1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(QloImage1->mapToGlobal(pos)); });
}

QAction *TfFullScreen::MakeAction(const char *name, const QString &caption, const QList<QKeySequence> &keys,
                                  void (TfFullScreen::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setShortcutVisibleInContextMenu(true);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
}

int TfFullScreen::ScreenWidth() const
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : width();
}

void TfFullScreen::ShowPicture(const TQloImage &AImage)
{
    QloImage1->SetPicture(AImage.Picture());
    PrepareFullScreen(*this, ScreenOf(fMain));
    FWheel.Reset();
    Label1->setGeometry(0, 0, ScreenWidth(), kCaptionHeight);
    Label1->setText(CaptionText());
    Label1->raise();
    // The main view lies under the viewer: it paints once when the viewer closes
    // rather than at every step, so a step decodes and converts its picture once.
    QPointer<QWidget> behind = fMain ? fMain->QloImage1 : nullptr;
    if (behind)
        behind->setUpdatesEnabled(false);
    QPointer<QWidget> main = fMain;
    const Qt::WindowStates mainState = main ? main->windowState() : Qt::WindowStates();
    RunModal();
    if (behind)
        behind->setUpdatesEnabled(true);
    // Back to the main window as it was: a window manager may have lowered or
    // unmaximised it while a fullscreen window covered its screen.
    if (main && main->isVisible()) {
        if (main->windowState() != mainState)
            main->setWindowState(mainState);
        main->raise();
        main->activateWindow();
    }
}

int TfFullScreen::RunModal()
{
    return exec();
}

QString TfFullScreen::CaptionText() const
{
    const int index = CurrentIndex();
    const QString name = index >= 0 ? fMain->lvFilesModel->data(fMain->lvFilesModel->index(index, 0)).toString()
                                    : QString();
    return QStringLiteral("%1 (Image %2 of %3)").arg(name).arg(index + 1).arg(ItemCount());
}

void TfFullScreen::ShowSelected(int APreviousIndex)
{
    const int index = CurrentIndex();
    // Moving the list's selection already ran the selection handler; staying on
    // the same row (a list of one) shows its entry again explicitly.
    if (index >= 0 && index == APreviousIndex)
        fMain->lvFilesSelectItem(&fMain->lvFilesModel->Item(index), true);
    QloImage1->SetPicture(fMain->QloImage1->Picture());
    Label1->setText(CaptionText());
}

void TfFullScreen::StepTo(int index)
{
    const int previous = CurrentIndex();
    fMain->lvFiles->selectionModel()->setCurrentIndex(fMain->lvFilesModel->index(index, 0),
                                                      QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    ShowSelected(previous);
}

void TfFullScreen::acNextExecute()
{
    const int count = ItemCount();
    if (count == 0)
        return;
    int index = CurrentIndex();
    if (index + 1 >= count)
        index = -1;
    StepTo(index + 1);
}

void TfFullScreen::acPrevExecute()
{
    const int count = ItemCount();
    if (count == 0)
        return;
    const int previous = CurrentIndex();
    StepTo(previous > 0 ? previous - 1 : count - 1);
}

void TfFullScreen::acFirstExecute()
{
    if (ItemCount() > 0)
        StepTo(0);
}

void TfFullScreen::acLastExecute()
{
    if (ItemCount() > 0)
        StepTo(ItemCount() - 1);
}

void TfFullScreen::acStretchExecute()
{
    const bool stretch = !QloImage1->Stretch();
    QloImage1->SetStretch(stretch);
    QloImage1->SetProportional(stretch);
    acStretch->setChecked(stretch);
}

void TfFullScreen::acCopyModeExecute()
{
    if (fCopyMode)
        fCopyMode->ShowPicture(*QloImage1);
}

void TfFullScreen::acTimerModeExecute()
{
    if (Timer1->isActive())
        Timer1->stop();
    else
        Timer1->start();
    acTimerMode->setChecked(Timer1->isActive());
}

void TfFullScreen::acSetIntervalExecute()
{
    if (fSetInterval)
        fSetInterval->AskInterval();
}

void TfFullScreen::acStopTimerModeExecute()
{
    Timer1->start();
    acTimerModeExecute();
}

void TfFullScreen::acRenderExecute()
{
    if (fMain && fMain->acRenderFullScreen)
        fMain->acRenderFullScreen->trigger();
}

void TfFullScreen::acCloseExecute()
{
    reject();
}

void TfFullScreen::done(int result)
{
    // However the viewer closes, the slideshow does not go on stepping the list
    // behind it.
    if (acTimerMode->isChecked())
        acTimerModeExecute();
    Timer1->stop();
    acTimerMode->setChecked(false);
    if (fCopyPreview)
        fCopyPreview->close();
    QDialog::done(result);
}

void TfFullScreen::Timer1Timer()
{
    acNextExecute();
}

void TfFullScreen::FormMouseWheel(QPoint AngleDelta)
{
    const int steps = FWheel.Add(AngleDelta);
    for (int i = 0; i < steps; ++i)
        acNextExecute();
    for (int i = 0; i > steps; --i)
        acPrevExecute();
}

void TfFullScreen::SetInterval(int ms)
{
    if (ms >= 1)
        Timer1->setInterval(ms);
}

void TfFullScreen::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    QloImage1->setGeometry(rect());
    Label1->raise();
}

bool TfFullScreen::eventFilter(QObject *watched, QEvent *e)
{
    // The wheel anywhere over the viewer steps, whichever part is under the mouse.
    if (e->type() == QEvent::Wheel && (watched == QloImage1 || watched == Label1)) {
        wheelEvent(static_cast<QWheelEvent *>(e));
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TfFullScreen::wheelEvent(QWheelEvent *e)
{
    FormMouseWheel(e->angleDelta());
    e->accept();
}

} // namespace quillo
