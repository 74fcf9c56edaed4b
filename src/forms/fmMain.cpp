// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmMain.h"

#include "catalogue/StatusTexts.h"
#include "forms/FolderTreeModel.h"
#include "forms/Forms.h"
#include "forms/fmAbout.h"
#include "forms/fmFullScreen.h"
#include "forms/fmRender.h"
#include "forms/fmSplash.h"
#include "imageview/QloImage.h"
#include "platform/Directory.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Services.h"
#include "platform/System.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace quillo {

namespace {

QString FromBytes(const std::string &s) { return QFile::decodeName(QByteArray::fromStdString(s)); }
std::string ToBytes(const QString &s) { return QFile::encodeName(s).toStdString(); }
QString Q(const std::string &utf8) { return QString::fromStdString(utf8); }

const char *kProductName = "Brackwater Quillo III";

} // namespace

// The folder tree refuses a new selection while a folder change runs.
class TShellTreeView : public QTreeView {
public:
    using QTreeView::QTreeView;
    std::function<bool()> OnChanging;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override
    {
        if (OnChanging && !OnChanging())
            return QItemSelectionModel::NoUpdate;
        return QTreeView::selectionCommand(index, event);
    }
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override
    {
        QTreeView::currentChanged(current, previous);
    }
};

TfMain::TfMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fMain"));
    resize(875, 610);
    CreateActions();
    CreateMenus();
    CreateLayout();
    CreateStatusBar();

    QloController1.Mask = "*.bmp;*.jpg;*.jpeg";
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

QAction *TfMain::MakeAction(const QString &name, const QString &caption, const QKeySequence &shortcut,
                            std::function<void()> handler)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    addAction(action); // shortcuts act whether or not a menu shows the action
    connect(action, &QAction::triggered, this, [this, action, handler = std::move(handler)] {
        if (!ActionList1.Suspended())
            handler();
        else if (action->isCheckable())
            action->setChecked(!action->isChecked()); // undo Qt's own toggle
    });
    return action;
}

void TfMain::CreateActions()
{
    // Qt toggles a checkable action before it reports the trigger; only apply here.
    acStretch = MakeAction("acStretch", "Stretch", {}, [this] { ApplyStretchMode(); });
    acStretch->setCheckable(true);
    acRefresh = MakeAction("acRefresh", "Refresh", QKeySequence(Qt::Key_F5), [this] { acRefreshExecute(); });
    Action1 = MakeAction("Action1", QString::fromUtf8("Rotate 90°..."), QKeySequence(Qt::Key_F6),
                         [this] { acRotateExecute(0); });
    Action2 = MakeAction("Action2", QString::fromUtf8("Rotate 180°"), QKeySequence(Qt::Key_F7),
                         [this] { acRotateExecute(1); });
    Action3 = MakeAction("Action3", QString::fromUtf8("Rotate 270°"), QKeySequence(Qt::Key_F8),
                         [this] { acRotateExecute(2); });
    acFullScreen = MakeAction("acFullScreen", "Fullscreen...", QKeySequence(Qt::Key_F11),
                              [this] { acFullScreenExecute(); });
    acCopyToFolder = MakeAction("acCopyToFolder", "&Copy to folder...",
                                QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), [this] { acCopyToFolderExecute(); });
    acSettings = MakeAction("acSettings", "Settings...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F11),
                            [this] { acSettingsExecute(); });
    acAbout = MakeAction("acAbout", "About Quillo...", {}, [this] { acAboutExecute(); });
    acRename = MakeAction("acRename", "&Rename...", QKeySequence(Qt::Key_F2), [this] { acRenameExecute(); });
    acRenderFullScreen = MakeAction("acRenderFullScreen", "Render fullscreen...", QKeySequence(Qt::CTRL | Qt::Key_R),
                                    [this] { acRenderFullScreenExecute(); });
    acCopy = MakeAction("acCopy", "Copy to Clipboard...", {}, [this] { acCopyExecute(); });
    acCopyToFolder->setEnabled(false);
}

void TfMain::CreateMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("Bestand1"));
    Afsluiten1 = file->addAction(QStringLiteral("Quit"));
    Afsluiten1->setObjectName(QStringLiteral("Afsluiten1"));
    Afsluiten1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(Afsluiten1, &QAction::triggered, this, [this] { close(); });
    QMenu *extra = bar->addMenu(QStringLiteral("Extra"));
    extra->setObjectName(QStringLiteral("Extra1"));
    extra->addAction(acSettings);
    QMenu *help = bar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    help->addAction(acAbout);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(acStretch);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Action1);
    PopupMenu1->addAction(Action2);
    PopupMenu1->addAction(Action3);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(acFullScreen);
    PopupMenu1->addAction(acRenderFullScreen);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(acCopy);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    PopupMenu2->addAction(acRefresh);
    PopupMenu2->addAction(acRename);
    PopupMenu2->addSeparator();
    PopupMenu2->addAction(acCopyToFolder);

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    Bestandsnaam1 = PopupMenu3->addAction(QStringLiteral("Filename"));
    Bestandsnaam1->setObjectName(QStringLiteral("Bestandsnaam1"));
    Datum1 = PopupMenu3->addAction(QStringLiteral("Date"));
    Datum1->setObjectName(QStringLiteral("Datum1"));
    Grootte1 = PopupMenu3->addAction(QStringLiteral("Size"));
    Grootte1->setObjectName(QStringLiteral("Grootte1"));
    for (QAction *a : {Bestandsnaam1, Datum1, Grootte1}) {
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::triggered, this, [this] { Bestandsnaam1Click(); });
    }
}

void TfMain::CreateLayout()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    setCentralWidget(Splitter1);

    Panel1 = new QWidget(Splitter1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *paneLayout = new QVBoxLayout(Panel1);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->setSpacing(0);
    Splitter2 = new QSplitter(Qt::Vertical, Panel1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(6);
    Splitter2->setChildrenCollapsible(false);
    paneLayout->addWidget(Splitter2);

    auto titleBar = [](const QString &name, const QString &caption, QWidget *parent) {
        auto *label = new QLabel(caption, parent);
        label->setObjectName(name);
        label->setFixedHeight(19);
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
        label->setFrameShape(QFrame::StyledPanel);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    };

    auto *treeBox = new QWidget(Splitter2);
    auto *treeLayout = new QVBoxLayout(treeBox);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    Panel2 = titleBar(QStringLiteral("Panel2"), QStringLiteral("Explorer"), treeBox);
    treeLayout->addWidget(Panel2);
    ShellTreeView1 = new TShellTreeView(treeBox);
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeModel = new TFolderTreeModel(ShellTreeView1);
    ShellTreeView1->setModel(ShellTreeModel);
    ShellTreeView1->setHeaderHidden(true);
    ShellTreeView1->setIndentation(19);
    ShellTreeView1->setFrameShape(QFrame::NoFrame);
    ShellTreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers); // folders are never renamed here
    ShellTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ShellTreeView1->OnChanging = [this] { return ShellTreeView1Changing(); };
    ShellTreeView1->setAccessibleName(QStringLiteral("Folders"));
    treeLayout->addWidget(ShellTreeView1);
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &) {
                if (current.isValid())
                    ShellTreeView1Change();
            });

    auto *listBox = new QWidget(Splitter2);
    auto *listLayout = new QVBoxLayout(listBox);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    Panel3 = titleBar(QStringLiteral("Panel3"), QStringLiteral("Filelist"), listBox);
    listLayout->addWidget(Panel3);
    lvFiles = new QTableView(listBox);
    lvFiles->setObjectName(QStringLiteral("lvFiles"));
    lvFilesModel = new TFileListModel(lvFiles);
    lvFilesModel->OnAutoSort = [this](int column) { return lvFilesAutoSort(column); };
    lvFilesModel->OnSelectItem = [this](TListItem *item, bool selected) { lvFilesSelectItem(item, selected); };
    lvFiles->setModel(lvFilesModel);
    lvFiles->setShowGrid(true);
    lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles->setWordWrap(false);
    lvFiles->verticalHeader()->hide();
    lvFiles->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvFiles->verticalHeader()->setDefaultSectionSize(lvFiles->fontMetrics().height() + 4);
    lvFiles->setAccessibleName(QStringLiteral("Filelist"));
    QHeaderView *header = lvFiles->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    header->setSectionResizeMode(2, QHeaderView::Interactive);
    header->resizeSection(1, 110);
    header->resizeSection(2, 100);
    header->setStretchLastSection(false);
    connect(header, &QHeaderView::sectionClicked, this, [this](int c) { lvFilesModel->ColumnClick(c); });
    connect(header, &QHeaderView::customContextMenuRequested, this,
            [this, header](const QPoint &p) { lvFilesColumnRightClick(header->mapToGlobal(p)); });
    connect(lvFiles->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (previous.isValid() && previous.row() < lvFilesModel->Count())
                    lvFilesSelectItem(&lvFilesModel->Item(previous.row()), false);
                if (current.isValid() && current.row() < lvFilesModel->Count())
                    lvFilesSelectItem(&lvFilesModel->Item(current.row()), true);
            });
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        // The file menu pops up only when no header menu was just shown.
        if (FListPopup && !FHeaderMenuShown)
            FListPopup->popup(lvFiles->viewport()->mapToGlobal(p));
        FHeaderMenuShown = false;
    });
    listLayout->addWidget(lvFiles);
    Splitter2->setSizes({226, 330});

    ScrollBox1 = new QScrollArea(Splitter1);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QloImage1 = new TQloImage();
    QloImage1->setObjectName(QStringLiteral("QloImage1"));
    QloImage1->resize(417, 305);
    ScrollBox1->setWidget(QloImage1);
    ScrollBox1->installEventFilter(this);
    ScrollBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    QloImage1->setContextMenuPolicy(Qt::CustomContextMenu);
    auto popView = [this](QWidget *w, const QPoint &p) {
        if (FViewPopup)
            FViewPopup->popup(w->mapToGlobal(p));
    };
    connect(ScrollBox1, &QWidget::customContextMenuRequested, this, [this, popView](const QPoint &p) { popView(ScrollBox1, p); });
    connect(QloImage1, &QWidget::customContextMenuRequested, this, [this, popView](const QPoint &p) { popView(QloImage1, p); });
    connect(QloImage1, &TQloImage::doubleClicked, this, [this] {
        if (!ActionList1.Suspended())
            acStretchExecute();
    });

    Splitter1->addWidget(Panel1);
    Splitter1->addWidget(ScrollBox1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({349, 518});
    ApplyStretchMode();
}

void TfMain::CreateStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    const int widths[7] = {135, 4, 100, 4, 200, 4, 0};
    for (int i = 0; i < 7; ++i) {
        auto *panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (widths[i] > 0)
            panel->setFixedWidth(widths[i]);
        panel->setAlignment((i == 0 || i == 4 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        if (i != 0 && i != 4)
            panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusBar1->addWidget(panel, i == 6 ? 1 : 0);
        StatusPanels[static_cast<std::size_t>(i)] = panel;
    }
    StatusBar1->setFixedHeight(19 + 4);
    // The progress bar lies over panel 2.
    ProgressBar1 = new QProgressBar(StatusPanels[2]);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(2, 2, 96, 15);
    StatusPanels[4]->setText(QString::fromLatin1(kInitialRateText));
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
    show();
    // Let the main window draw before the splash goes (the only deliberate wait).
    QTimer::singleShot(250, this, [this] {
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
            if (lvFilesModel->Count() > 0 && lvFiles->isEnabled())
                lvFiles->setFocus();
        } catch (const std::exception &) {
            // A failed folder change is silent; the clean-up below always runs.
        }
    }
    setEnabled(true);
    ActionList1.SetSuspended(FSplash && FSplash->isVisible());
    FBusy = false;
    acCopyToFolderUpdate();
    WriteStatusFile();
    if (OnFolderChanged)
        OnFolderChanged();
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
    FListPopup = lvFilesModel->Count() > 0 ? PopupMenu2 : nullptr;
    NudgeListWidth(1, -1);
    ProcessMessages();
    try {
        if (lvFilesModel->Count() > 0) {
            // Making row 0 current reports it as selected, which shows its picture.
            lvFiles->selectionModel()->setCurrentIndex(
                lvFilesModel->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            if (lvFiles->isEnabled())
                lvFiles->setFocus();
        } else if (ShellTreeView1->isEnabled()) {
            ShellTreeView1->setFocus();
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
    try {
        if (Selected) {
            TCallbackLoadData *entry = Item ? Item->Data : nullptr;
            if (!entry)
                return;
            if (FCurrentEntry && !FCurrentEntry->Loaded)
                FCurrentEntry->Image->Picture.Clear();
            if (!entry->Loaded)
                entry->Image->LoadFromFile(entry->FileName);
            SetViewPicture(&entry->Image->Picture);
            FCurrentEntry = entry;
        } else {
            SetViewPicture(nullptr);
            if (FCurrentEntry && !FCurrentEntry->Loaded)
                FCurrentEntry->Image->Picture.Clear();
            FCurrentEntry = nullptr;
        }
    } catch (const std::exception &) {
        // An unreadable picture leaves the view empty; browsing goes on.
    }
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

// ---------------------------------------------------------------- commands

void TfMain::acStretchExecute()
{
    acStretch->setChecked(!acStretch->isChecked());
    ApplyStretchMode();
}

void TfMain::ApplyStretchMode()
{
    const bool fit = acStretch->isChecked();
    ScrollBox1->setWidgetResizable(fit);
    QloImage1->SetAutoSize(!fit);
    QloImage1->SetStretch(fit);
    QloImage1->SetProportional(true);
}

void TfMain::acRefreshExecute()
{
    if (FBusy)
        return;
    FBusy = true;
    ActionList1.SetSuspended(true);
    const int remembered = lvFiles->selectionModel()->currentIndex().row();
    ShellTreeView1Change();
    try {
        if (remembered >= 0 && remembered < lvFilesModel->Count()) {
            lvFiles->selectionModel()->setCurrentIndex(lvFilesModel->index(remembered, 0),
                                                       QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
            lvFiles->scrollTo(lvFilesModel->index(remembered, 0));
        } else {
            lvFiles->selectionModel()->clearCurrentIndex();
            lvFiles->clearSelection();
        }
        lvFiles->setFocus();
    } catch (const std::exception &) {
    }
}

void TfMain::acSettingsExecute()
{
    if (!fSettings)
        return;
    try {
        fSettings->ShowSettings(*this);
    } catch (const std::exception &e) {
        MessageService().Show(e.what(), ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::Error);
    }
}

void TfMain::acAboutExecute()
{
    if (FAbout)
        FAbout->exec();
}

bool TfMain::CheckHardDisk()
{
    TListItem *item = SelectedItem();
    const bool fixed = item && item->Data && DriveTypeOf(item->Data->FileName) == TDriveType::Fixed;
    if (!fixed)
        ShowMessage("Renaming of a file located on anything but a harddrive \r(e.a a digital camera) is not "
                    "possible due to the possible loss\rof the file. Please copy the files to your harddrive "
                    "before you execute\rthis specific task.");
    return fixed;
}

void TfMain::acRotateExecute(std::uint8_t AKind)
{
    TListItem *item = SelectedItem();
    if (!item || !item->Data)
        return;
    if (!CheckHardDisk())
        return;
    item->Data->Image->Rotate(AKind);
    lvFilesSelectItem(item, true);
}

void TfMain::acCopyExecute()
{
    const TPicture &picture = QloImage1->Holder().Picture;
    QloImage1->Holder().Clip(TRect{0, 0, picture.Width(), picture.Height()});
}

void TfMain::acCopyToFolderUpdate() { acCopyToFolder->setEnabled(lvFilesModel->Count() > 0); }

void TfMain::acCopyToFolderExecute()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), FromBytes(QloController1.Path()));
    if (folder.isEmpty())
        return;
    const std::string target = ToBytes(folder);
    QloController1.CopyToFolder(target);
    SelectFolder(target);
}

void TfMain::acRenderFullScreenExecute()
{
    // The render window is made for each use and destroyed afterwards.
    TfRender render(nullptr);
    render.RenderPicture(QloImage1->Holder().Picture);
}

void TfMain::acFullScreenExecute()
{
    // The fullscreen viewer arrives later; the action exists for its shortcut.
}

void TfMain::acRenameExecute()
{
    // The rename dialog arrives with the file commands.
}

void TfMain::lvFilesColumnRightClick(const QPoint &globalPos)
{
    FHeaderMenuShown = true;
    PopupMenu3->popup(globalPos);
}

void TfMain::Bestandsnaam1Click()
{
    QHeaderView *header = lvFiles->horizontalHeader();
    const std::array<QAction *, 3> items{Bestandsnaam1, Datum1, Grootte1};
    const std::array<int, 3> tags{231, 110, 100};
    for (int c = 0; c < 3; ++c)
        header->setSectionResizeMode(c, QHeaderView::Interactive);
    for (int c = 0; c < 3; ++c) {
        const bool shown = items[static_cast<std::size_t>(c)]->isChecked();
        header->setSectionHidden(c, !shown);
        if (shown)
            header->resizeSection(c, tags[static_cast<std::size_t>(c)]);
    }
    for (int c = 0; c < 3; ++c) {
        if (items[static_cast<std::size_t>(c)]->isChecked()) {
            header->setSectionResizeMode(c, QHeaderView::Stretch);
            break;
        }
    }
    NudgeListWidth(1, -1);
}

void TfMain::NudgeListWidth(int first, int second)
{
    // Re-lays out the automatically sized column.
    lvFiles->resize(lvFiles->width() + first, lvFiles->height());
    lvFiles->resize(lvFiles->width() + second, lvFiles->height());
}

void TfMain::SelectFolder(const std::string &path)
{
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

// ---------------------------------------------------------------- settings host

QRect TfMain::MainBounds() { return isMaximized() ? geometry() : QRect(pos(), size()); }

void TfMain::SetMainBounds(const QRect &bounds, bool positionStored)
{
    resize(bounds.size());
    if (positionStored) {
        move(bounds.topLeft());
    } else if (QScreen *s = screen()) {
        const QRect avail = s->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
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
        fFullScreen->Timer1->setInterval(ms);
}

void TfMain::ProcessMessages() { QCoreApplication::processEvents(); }

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

void TfMain::WriteStatusFile()
{
    // A plain-text account of the last folder change for end-to-end checks.
    const QByteArray target = qgetenv("QUILLO_STATUS_FILE");
    if (target.isEmpty())
        return;
    std::string text = "title=" + windowTitle().toStdString() + "\nfolder=" + QloController1.Path() +
                       "\nrows=" + std::to_string(lvFilesModel->Count()) + "\nstatus=" +
                       StatusPanels[6]->text().toStdString() + "\n";
    try {
        SafeWriteFile(target.toStdString(), {reinterpret_cast<const std::uint8_t *>(text.data()), text.size()});
    } catch (const Error &e) {
        std::fprintf(stderr, "quillo: %s\n", e.what());
    }
}

} // namespace quillo
