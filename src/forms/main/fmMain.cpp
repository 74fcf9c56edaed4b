// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's core: creation, the start-up sequence, folder changes and
// the controller's reports, row selection and the window's own events.
#include "forms/main/fmMain.h"

#include "catalogue/StatusTexts.h"
#include "gui/FileNameText.h"
#include "forms/main/FolderTreeModel.h"
#include "forms/Forms.h"
#include "forms/main/ShellTreeView.h"
#include "forms/fmAbout.h"
#include "forms/fmSplash.h"
#include "imageview/AlphaMatte.h"
#include "imageview/view/QloImage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Services.h"
#include "platform/System.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace quillo {

namespace {

QString Q(const std::string &utf8) { return QString::fromStdString(utf8); }

const char *kProductName = "Brackwater Quillo III";

} // namespace

TfMain::TfMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fMain"));
    resize(875, 610);
    AdoptReadAhead(MakeReadAhead());
    CreateActions();
    CreateMenus();
    CreateLayout();
    CreateStatusBar();
    // A new order puts other files next: read ahead for it.
    connect(lvFilesModel, &QAbstractItemModel::layoutChanged, this, [this] {
        FReadAheadRow = -1;
        if (FCurrentEntry)
            ReadAheadAround(FCurrentEntry);
    });

    // Transparent pictures are composed over the workspace colour every picture window shows.
    const QColor workspace = palette().color(QPalette::Dark);
    SetAlphaMatte({static_cast<std::uint8_t>(workspace.blue()), static_cast<std::uint8_t>(workspace.green()),
                   static_cast<std::uint8_t>(workspace.red()), 0});
    QloController1.Mask = kPictureFileMask;
    QloController1.ListView = lvFilesModel;
    QloController1.Preload = true;
    QloController1.MaxPreload = 0;
    QloController1.AfterSearch = [this](TQloController *s, std::int64_t t) { QloController1AfterSearch(s, t); };
    QloController1.AfterLoad = [this](TQloController *s, std::int64_t t) { QloController1AfterLoad(s, t); };
    QloController1.SetOnProgress([this](std::int64_t AMax, std::int64_t ACurrent, std::uint32_t,
                                        const std::string &AFilename) {
        QloController1Progress(AMax, ACurrent, AFilename);
    });

    tmrStartup = new QTimer(this);
    tmrStartup->setObjectName(QStringLiteral("tmrStartup"));
    tmrStartup->setSingleShot(true);
    tmrStartup->setInterval(kStartupDelayMs);
    connect(tmrStartup, &QTimer::timeout, this, [this] { tmrStartupTimer(); });
    tmrStartup->start();

    FormCreate();
}

TfMain::~TfMain()
{
    // The controller's selection hook points back here; drop it before the list goes.
    lvFilesModel->OnSelectItem = nullptr;
    delete FSplash;
    delete FAbout;
    if (fAbout == FAbout)
        fAbout = nullptr;
    if (fSplash == FSplash)
        fSplash = nullptr;
}

void TfMain::FormCreate()
{
    FAbout = new TfAbout();
    FSplash = new TfSplash();
    fAbout = FAbout;
    fSplash = FSplash;
    FSplash->OnSuspendActions = [this](bool suspended) { ActionList1.SetSuspended(suspended); };

    WriteInstallRecord(ToBytes(QCoreApplication::applicationFilePath()));

    setWindowTitle(QString::fromLatin1(kProductName));
    SetApplicationTitle("-=[ Brackwater Quillo III ]=-");
    StatusPanels[0]->setText(QString::fromLatin1(kProductName));
}

// ---------------------------------------------------------------- start-up

void TfMain::tmrStartupTimer()
{
    tmrStartup->stop();
    if (!fSettings)
        return;
    try {
        fSettings->ReadSettings(*this);
    } catch (const std::exception &e) {
        // The window is shown anyway; an unreadable settings file is only reported.
        std::fprintf(stderr, "quillo: %s\n", e.what());
    }
}

void TfMain::ShowMainAndCloseSplash()
{
    // Without a restored position (none stored, or restoring switched off) the
    // window opens centred on the screen.
    if (!FBoundsRestored && !isVisible())
        CentreOnScreen();
    // A folder named on the command line opens where the stored one would have.
    const bool named = !FStartFolder.empty();
    bool fileNamed = false;
    if (named) {
        const std::string folder = std::exchange(FStartFolder, {});
        const std::string file = std::exchange(FStartFile, {});
        SelectFolder(folder);
        fileNamed = !file.empty() && SelectFile(file);
    }
    if (!FShowWhenDecoded)
        FNamedPicture.clear(); // shown by now, or not in the list: no longer read ahead
    show();
    // Let the main window draw before the splash goes (the only deliberate wait).
    QTimer::singleShot(250, this, [this, named, fileNamed] {
        // The tree and list have their final sizes only now (a maximised window
        // may come later than the show): bring what was named into view again.
        if (named && ShellTreeView1->currentIndex().isValid())
            ShellTreeView1->scrollTo(ShellTreeView1->currentIndex());
        if (fileNamed && lvFiles->currentIndex().isValid())
            lvFiles->scrollTo(lvFiles->currentIndex());
        if (FSplash)
            FSplash->close();
    });
}

// ---------------------------------------------------------------- folder change

bool TfMain::ShellTreeView1Changing() { return !FBusy; }

void TfMain::ShellTreeView1Change()
{
    FolderChange(ShellTreeModel->PathOf(ShellTreeView1->currentIndex()));
}

void TfMain::FolderChange(const std::string &path)
{
    FFocusAfterChange = nullptr;
    QloImage1->resize(1, 1);
    if (fSettings) {
        try {
            FBusy = true;
            const TFormatSettings fs = SystemFormatSettings();
            StatusPanels[4]->setText(Q(StatusZeroRateText(fs)));
            StatusPanels[6]->setText(Q(StatusReleasingText(QloController1.TotalSize(), fs)));
            ProgressBar1->setValue(0);
            ProcessMessages();
            setEnabled(false);
            Panel1->setEnabled(false);
            FStartTick = GetTickCount();
            QloController1.Preload = fSettings->GetPreload();
            QloController1.MaxPreload = fSettings->GetMaxPreload();
            QloController1.SetPath(path);
            ProcessMessages();
            if (lvFilesModel->Count() > 0 && lvFiles->isEnabledTo(this))
                FocusWhenEnabled(lvFiles);
        } catch (const std::exception &) {
            // A failed folder change is silent; the clean-up below always runs.
        }
    }
    setEnabled(true);
    if (QWidget *focus = std::exchange(FFocusAfterChange, nullptr); focus && focus->isEnabled())
        focus->setFocus();
    ActionList1.SetSuspended(FSplash && FSplash->isVisible());
    FBusy = false;
    acCopyToFolderUpdate();
    if (OnFolderChanged)
        OnFolderChanged();
}

// A disabled widget cannot take the focus, and the whole window is disabled while
// a folder change runs: the wish is kept and granted when the window is enabled.
void TfMain::FocusWhenEnabled(QWidget *widget)
{
    if (widget->isEnabled()) {
        widget->setFocus();
        FFocusAfterChange = nullptr;
    } else {
        FFocusAfterChange = widget;
    }
}

void TfMain::QloController1AfterSearch(TQloController *, std::int64_t ATotalSize)
{
    const TFormatSettings fs = SystemFormatSettings();
    StatusPanels[6]->setText(Q(StatusSearchDoneText(TicksSince(GetTickCount(), FStartTick), ATotalSize, fs)));
    FStartTick = GetTickCount();
    ProcessMessages();
}

void TfMain::QloController1AfterLoad(TQloController *, std::int64_t ATotalSize)
{
    Panel1->setEnabled(true);
    ProgressBar1->setValue(0);
    const TFormatSettings fs = SystemFormatSettings();
    StatusPanels[6]->setText(Q(StatusLoadedText(TicksSince(GetTickCount(), FStartTick), fs)));
    if (GetTickCount() == FStartTick)
        --FStartTick;
    StatusPanels[4]->setText(
        Q(StatusRateText(QloController1.TotalSize(), ATotalSize, TicksSince(GetTickCount(), FStartTick), fs)));
    if (const std::string restored = StatusRolledBackText(QloController1.RolledBack()); !restored.empty())
        StatusPanels[6]->setText(FromBytes(restored));
    FListPopup = lvFilesModel->Count() > 0 ? PopupMenu2 : nullptr;
    NudgeListWidth(1, -1);
    ProcessMessages();
    try {
        if (lvFilesModel->Count() > 0) {
            // Making the first row (or the file named at start-up) current reports it as
            // selected, which shows its picture.
            lvFiles->selectionModel()->setCurrentIndex(lvFilesModel->index(FirstRowToShow(), 0),
                                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            if (lvFiles->isEnabledTo(this))
                FocusWhenEnabled(lvFiles);
        } else if (ShellTreeView1->isEnabledTo(this)) {
            FocusWhenEnabled(ShellTreeView1);
        }
    } catch (const std::exception &) {
    }
}

void TfMain::QloController1Progress(std::int64_t AMax, std::int64_t ACurrent, const std::string &AFilename)
{
    ProgressBar1->setValue(AMax > 0 ? static_cast<int>(ACurrent * 100 / AMax) : 0);
    // Repaint now and then during a long load; FBusy and the disabled window and
    // pane keep every other command out meanwhile.
    const std::uint32_t now = GetTickCount();
    if (TicksSince(now, FLastProgressPaint) >= kProgressPaintMs) {
        FLastProgressPaint = now;
        StatusPanels[6]->setText(QStringLiteral("Loading %1...").arg(FromBytes(ExtractFileName(AFilename))));
        ProcessMessages();
    }
}

TJvSortMethod TfMain::lvFilesAutoSort(int Column) const
{
    return Column == 1 ? TJvSortMethod::smDateTime : TJvSortMethod::smAlphabetic;
}

// ---------------------------------------------------------------- selection

void TfMain::SetViewPicture(const TPicture *picture)
{
    if (picture)
        QloImage1->SetPicture(*picture);
    else
        QloImage1->SetPicture(TPicture());
}

void TfMain::lvFilesSelectItem(TListItem *Item, bool Selected)
{
    TCallbackLoadData *entry = Item ? Item->Data : nullptr;
    if (Selected && !entry)
        return;
    try {
        if (Selected) {
            if (FCurrentEntry && !FCurrentEntry->Loaded)
                FCurrentEntry->Image->Picture.Clear();
            ShowEntry(entry);
            FCurrentEntry = entry;
        } else {
            SetViewPicture(nullptr);
            if (FCurrentEntry && !FCurrentEntry->Loaded)
                FCurrentEntry->Image->Picture.Clear();
            FCurrentEntry = nullptr;
        }
    } catch (const std::exception &) {
        // An unreadable picture leaves the view empty; browsing goes on.
        if (Selected) {
            SetViewPicture(nullptr);
            FCurrentEntry = nullptr;
        }
    }
    // A row left for another is followed by that row's selection; no row at all
    // means the catalogue goes, and what was read ahead with it.
    if (Selected)
        ReadAheadAfterPaint();
    else if (!Item)
        ReadAheadAround(nullptr);
    FViewPopup = Selected ? PopupMenu1 : nullptr;
}

TListItem *TfMain::SelectedItem()
{
    const QModelIndex current = lvFiles->selectionModel()->currentIndex();
    if (!current.isValid() || !lvFiles->selectionModel()->isRowSelected(current.row(), {}) ||
        current.row() >= lvFilesModel->Count())
        return nullptr;
    return &lvFilesModel->Item(current.row());
}

void TfMain::SelectFolder(const std::string &path)
{
    if (!FStartFolder.empty())
        return;
    const QModelIndex index = ShellTreeModel->IndexOfPath(path);
    if (!index.isValid())
        return;
    ShellTreeView1->expand(index.parent());
    ShellTreeView1->scrollTo(index);
    if (ShellTreeView1->currentIndex() == index)
        ShellTreeView1Change(); // selecting the selected folder again re-catalogues it
    else
        ShellTreeView1->setCurrentIndex(index);
}

bool TfMain::SelectFile(const std::string &fileName)
{
    for (int row = 0; row < lvFilesModel->Count(); ++row) {
        const TCallbackLoadData *entry = lvFilesModel->Item(row).Data;
        if (!entry || ExtractFileName(entry->FileName) != fileName)
            continue;
        const QModelIndex index = lvFilesModel->index(row, 0);
        try {
            // As after a load: a picture that cannot be read leaves the view empty.
            lvFiles->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                  QItemSelectionModel::Rows);
        } catch (const std::exception &) {
        }
        lvFiles->scrollTo(index);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- window events

void TfMain::FormActivate()
{
    NudgeListWidth(-1, 1);
    ApplyStretchMode();
    ProcessMessages();
}

bool TfMain::event(QEvent *event)
{
    if (event->type() == QEvent::Show && !FPaneSized) {
        // A splitter shares out its width only once it has one: size the pane then.
        FPaneSized = true;
        QTimer::singleShot(0, this, [this] {
            SetPaneWidth(FPaneWidth);
            SetTreeHeight(FTreeHeight);
        });
    }
    const bool result = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    return result;
}

bool TfMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBox1 && event->type() == QEvent::Resize)
        ApplyStretchMode(); // a resize re-applies the current mode
    if (watched == lvFiles->viewport() && event->type() == QEvent::MouseButtonPress)
        lvFilesMouseDown();
    if (watched == StatusBar1 && event->type() == QEvent::Resize)
        FStatusRow->setGeometry(StatusBar1->rect());
    return QMainWindow::eventFilter(watched, event);
}

void TfMain::closeEvent(QCloseEvent *event)
{
    if (fSettings) {
        try {
            fSettings->WriteSettings(*this);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "quillo: %s\n", e.what());
        }
    }
    QMainWindow::closeEvent(event);
}

} // namespace quillo
