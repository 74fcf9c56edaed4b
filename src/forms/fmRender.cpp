// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmRender.h"

#include "forms/Forms.h"
#include "gui/WindowPlacement.h"
#include "forms/fmCopyMode.h"
#include "forms/fmSettings.h"
#include "imageview/view/QloImage.h"
#include "platform/Services.h"
#include "render/PixelOps.h"
#include "render/RenderThread.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

#include <cstdint>
#include <exception>

namespace quillo {

namespace {

// Buttons and menu items carry their small integer (correction step, filter
// index) in a "Tag" property, so one handler serves several of them.
int TagOf(const QObject *component)
{
    return component ? component->property("Tag").toInt() : 0;
}

// The menu shows these keys, but only the window's keyboard preview acts on them
// (the items of a context menu take no shortcuts of their own), so a key press acts
// once and Esc in the open menu only closes the menu.
void ShowShortcut(QAction *action, const QKeySequence &keys)
{
    action->setShortcut(keys);
    action->setShortcutVisibleInContextMenu(true);
}

void ReportError(const std::exception &e)
{
    MessageService().Show(e.what(), ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::Error);
}

} // namespace

TfRender::TfRender(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fRender"));
    setWindowTitle(QStringLiteral("Rendering graphic"));
    UseWorkspaceBackground(*this);

    QloImage1 = new TQloImage(this);
    QloImage1->setObjectName(QStringLiteral("QloImage1"));
    QloImage1->SetCenter(true);
    QloImage1->SetAutoSave(false);

    QloImage2 = new TQloImage(this);
    QloImage2->setObjectName(QStringLiteral("QloImage2"));
    QloImage2->SetCenter(true);
    QloImage2->SetStretch(false);
    QloImage2->SetAutoSave(false);
    QloImage2->hide();

    Label1 = new QLabel(QStringLiteral("Rendering... please wait."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setAutoFillBackground(false);
    QFont labelFont = Label1->font();
    labelFont.setBold(true);
    labelFont.setPixelSize(21);
    Label1->setFont(labelFont);
    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(white);
    Label1->resize(width(), 33);

    Panel1 = new TTagPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setAutoFillBackground(true);
    Panel1->resize(473, 40);
    Panel1->hide();

    const auto makeButton = [this](const char *name, const char *caption, int tag, int left) {
        auto *button = new QPushButton(QString::fromUtf8(caption), Panel1);
        button->setObjectName(QString::fromUtf8(name));
        button->setProperty("Tag", tag);
        button->setGeometry(left, 8, 149, 25);
        return button;
    };
    Button1 = makeButton("Button1", "Increase light", 1, 12);
    Button2 = makeButton("Button2", "Cancel correction", 0, 164);
    Button3 = makeButton("Button3", "Decrease light", -1, 316);
    connect(Button1, &QPushButton::clicked, this, [this] { Button3Click(Button1); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(Button2); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(Button3); });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));

    Kopiermodus1 = PopupMenu1->addAction(QStringLiteral("Copy mode..."));
    Kopiermodus1->setObjectName(QStringLiteral("Kopiermodus1"));
    ShowShortcut(Kopiermodus1, QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(Kopiermodus1, &QAction::triggered, this, [this] { Kopiermodus1Click(); });

    Belichtingpaneel1 = PopupMenu1->addAction(QStringLiteral("Luminance panel..."));
    Belichtingpaneel1->setObjectName(QStringLiteral("Belichtingpaneel1"));
    Belichtingpaneel1->setCheckable(true);
    // The action flips its own check mark when chosen; the panel follows the mark.
    connect(Belichtingpaneel1, &QAction::toggled, Panel1, &QWidget::setVisible);

    Renderfilter1 = PopupMenu1->addMenu(QStringLiteral("Render filter"));
    Renderfilter1->setObjectName(QStringLiteral("Renderfilter1"));
    FilterGroup = new QActionGroup(this);
    FilterGroup->setExclusive(true);
    struct FilterItem {
        QAction **field;
        const char *name;
        const char *caption;
    };
    const FilterItem items[] = {
        {&Box1, "Box1", "Box"},           {&riangle1, "riangle1", "Triangle"},
        {&Hermite1, "Hermite1", "Hermite"}, {&Bell1, "Bell1", "Bell"},
        {&Spline1, "Spline1", "Spline"},  {&Lancros31, "Lancros31", "Lancros3"},
        {&Mitchell1, "Mitchell1", "Mitchell"}, {&Vennick1, "Vennick1", "Vennick"},
    };
    int tag = 0;
    for (const FilterItem &item : items) {
        QAction *action = Renderfilter1->addAction(QString::fromUtf8(item.caption));
        action->setObjectName(QString::fromUtf8(item.name));
        action->setProperty("Tag", tag++);
        action->setCheckable(true);
        FilterGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] { Vennick1Click(action); });
        *item.field = action;
    }
    // A new window marks Vennick whatever the settings hold; only a choice moves it.
    Vennick1->setChecked(true);

    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Sluiten1 = PopupMenu1->addAction(QStringLiteral("Close..."));
    Sluiten1->setObjectName(QStringLiteral("Sluiten1"));
    ShowShortcut(Sluiten1, QKeySequence(Qt::Key_Escape));
    connect(Sluiten1, &QAction::triggered, this, [this] { Sluiten1Click(); });

    QloImage2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(QloImage2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(QloImage2->mapToGlobal(pos)); });

    // Keyboard preview: the window sees Esc and Ctrl+C before whichever of its
    // controls has the focus.
    for (QWidget *child : {static_cast<QWidget *>(QloImage1), static_cast<QWidget *>(QloImage2),
                           static_cast<QWidget *>(Label1), static_cast<QWidget *>(Panel1),
                           static_cast<QWidget *>(Button1), static_cast<QWidget *>(Button2),
                           static_cast<QWidget *>(Button3)})
        child->installEventFilter(this);

    UpdateLightButtons();

    // The copy mode works on the result view, correction included.
    OnCopyMode = [](TQloImage &view) {
        if (fCopyMode)
            fCopyMode->ShowPicture(view);
    };
}

TfRender::~TfRender() = default;

bool TfRender::RenderPicture(const TPicture &APicture)
{
    Panel1->hide();
    Belichtingpaneel1->setChecked(false);
    Panel1->Tag = 0;
    UpdateLightButtons();

    QloImage1->SetPicture(APicture);
    QloImage1->SetProportional(true);
    QloImage1->SetStretch(true);

    QloImage2->hide();
    QloImage1->show();

    // Qt paints every widget through a back buffer already, so the preview and the
    // label do not flicker without further switches.
    FRenderPending = true;
    RunModal();
    return true;
}

int TfRender::RunModal()
{
    setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowFullScreen)) | Qt::WindowMaximized);
    return exec();
}

void TfRender::FirstActivation()
{
    if (!FRenderPending)
        return;
    FRenderPending = false;
    FormActivate();
}

bool TfRender::FormActivate()
{
    // Pumping messages below may deliver an activation or a click; neither may
    // start a second render inside this one.
    if (FRendering)
        return false;
    FRendering = true;

    const QSize client = ClientSize();
    // The views, the label and the panel are placed for the final size now, so the
    // preview paints where the result will be shown.
    QloImage1->setGeometry(QRect(QPoint(0, 0), client));
    QloImage2->setGeometry(QRect(QPoint(0, 0), client));
    Label1->setGeometry(0, client.height() / 2, client.width(), Label1->height());
    Label1->show();
    Label1->raise();
    Panel1->move(client.width() / 2 - Panel1->width() / 2, client.height() - 128);

    // The GUI thread is busy for the whole resample: paint the label and the
    // stretched preview first. Clicks and keys wait until the render is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    try {
        TBitmap bitmap = QloImage1->Picture().ToBitmap();
        // The rectangle the source view draws the picture in; the result fills
        // exactly that at 1:1.
        // In device pixels: the result view shows the result one to one on the
        // screen's pixels.
        const qreal ratio = devicePixelRatioF();
        const TRect target = QloImage1->Holder().PictureRect(qRound(client.width() * ratio),
                                                             qRound(client.height() * ratio));
        TRenderData job;
        job.Bitmap = &bitmap;
        job.Width = target.Width();
        job.Height = target.Height();
        // No selection (-1) truncates to 255, which renders with the default filter.
        const int filter = fSettings ? fSettings->FilterIndex() : TfSettings::kDefaultFilter;
        job.Filter = static_cast<std::uint8_t>(filter);
        TRenderThread thread(job);
        thread.RunJob();

        TPicture result;
        result.AssignBitmap(std::move(*job.Bitmap));
        QloImage2->SetPicture(result);
    } catch (const std::exception &e) {
        // The bitmap, job and thread object went with the scope. The preview stays
        // up, so the next filter choice or "Cancel correction" can try again.
        Label1->hide();
        FRendering = false;
        ReportError(e);
        return false;
    }

    QloImage1->hide();
    QloImage2->show();
    Label1->hide();
    FRendering = false;
    return true;
}

QSize TfRender::ClientSize() const
{
    const QScreen *where = screen();
    return where ? where->availableGeometry().size() : size();
}

bool TfRender::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Escape) {
        close();
        return true;
    }
    if (key == Qt::Key_C && modifiers.testFlag(Qt::ControlModifier)) {
        Kopiermodus1Click();
        return true;
    }
    return false;
}

void TfRender::Kopiermodus1Click()
{
    if (OnCopyMode)
        OnCopyMode(*QloImage2);
}

void TfRender::Vennick1Click(QAction *Sender)
{
    if (fSettings)
        fSettings->SetFilterIndex(TagOf(Sender));
    Sender->setChecked(true);
    FormActivate();
}

void TfRender::Belichtingpaneel1Click()
{
    // What choosing the item does: the check mark flips and the panel follows it.
    Belichtingpaneel1->trigger();
}

void TfRender::Button3Click(QObject *Sender)
{
    Panel1->Tag = TagOf(Sender);
    UpdateLightButtons();
    if (Panel1->Tag == 1)
        ApplyLightCorrection(true);
    else if (Panel1->Tag == -1)
        ApplyLightCorrection(false);
}

void TfRender::Button2Click(QObject *Sender)
{
    // A failed render leaves the corrected picture up, so the state stays with it
    // (otherwise a second step could land on top of the first).
    if (!FormActivate())
        return;
    Panel1->Tag = TagOf(Sender);
    UpdateLightButtons();
}

void TfRender::UpdateLightButtons()
{
    Button1->setEnabled(Panel1->Tag == 0);
    Button3->setEnabled(Panel1->Tag == 0);
    Button2->setEnabled(Panel1->Tag != 0);
}

void TfRender::Sluiten1Click()
{
    close();
}

void TfRender::ApplyLightCorrection(bool increase)
{
    try {
        TBitmap bitmap = QloImage2->Picture().ToBitmap();
        quillo::ApplyLightCorrection(bitmap, increase);
        TPicture corrected;
        corrected.AssignBitmap(std::move(bitmap));
        QloImage2->SetPicture(corrected);
    } catch (const std::exception &e) {
        ReportError(e);
    }
}

bool TfRender::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        FirstActivation();
    return QDialog::event(e);
}

bool TfRender::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(e);
        if (FormKeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TfRender::keyPressEvent(QKeyEvent *e)
{
    if (FormKeyDown(e->key(), e->modifiers())) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfRender::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    QloImage1->setGeometry(rect());
    QloImage2->setGeometry(rect());
}

void TfRender::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    // A window manager may never activate the window; the render must not wait
    // for it, so the first turn of the loop after showing starts it as well.
    if (FRenderPending)
        QMetaObject::invokeMethod(this, &TfRender::FirstActivation, Qt::QueuedConnection);
}

} // namespace quillo
