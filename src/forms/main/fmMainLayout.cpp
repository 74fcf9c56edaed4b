// SPDX-License-Identifier: GPL-3.0-or-later
// Building the main window: its actions, menus, panes and status bar.
#include "forms/main/fmMain.h"

#include "catalogue/StatusTexts.h"
#include "forms/main/FolderTreeModel.h"
#include "forms/main/ShellTreeView.h"
#include "imageview/view/QloImage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace quillo {

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
                // A row left for another keeps its picture on screen until the next
                // one is shown: emptying the view first would flash it at every step.
                const bool next = current.isValid() && current.row() < lvFilesModel->Count() &&
                                  lvFilesModel->Item(current.row()).Data;
                if (!next && previous.isValid() && previous.row() < lvFilesModel->Count())
                    lvFilesSelectItem(&lvFilesModel->Item(previous.row()), false);
                if (next)
                    lvFilesSelectItem(&lvFilesModel->Item(current.row()), true);
            });
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        // The file menu pops up by itself only as the last press in the list allowed.
        if (FListPopup && FListAutoPopup)
            FListPopup->popup(lvFiles->viewport()->mapToGlobal(p));
    });
    lvFiles->viewport()->installEventFilter(this);
    listLayout->addWidget(lvFiles);
    Splitter2->setSizes({226, 330});
    // A taller window (maximised, say) gives its extra height to the file list;
    // the tree keeps the height the user gave it.
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);

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
    // The bar's own layout keeps 3 pixels above and 2 below its widgets, which
    // leaves too little of a 19-pixel bar for a line of text in a bevelled panel;
    // the panels get a row of their own that fills the bar.
    FStatusRow = new QWidget(StatusBar1);
    FStatusRow->setObjectName(QStringLiteral("StatusRow"));
    auto *row = new QHBoxLayout(FStatusRow);
    row->setContentsMargins(0, 2, 0, 0);
    row->setSpacing(2);
    const int widths[7] = {135, 4, 100, 4, 200, 4, 0};
    for (int i = 0; i < 7; ++i) {
        auto *panel = new QLabel(FStatusRow);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (widths[i] > 0)
            panel->setFixedWidth(widths[i]);
        panel->setAlignment((i == 0 || i == 4 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        if (i != 0 && i != 4)
            panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i == 6) // a long message is cut off; it never widens the window
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(panel, i == 6 ? 1 : 0);
        StatusPanels[static_cast<std::size_t>(i)] = panel;
    }
    StatusBar1->setFixedHeight(19);
    StatusBar1->installEventFilter(this);
    // The progress bar lies over panel 2, 3 pixels below the bar's top.
    ProgressBar1 = new QProgressBar(StatusPanels[2]);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(2, 1, 96, 15);
    StatusPanels[4]->setText(QString::fromLatin1(kInitialRateText));
}

} // namespace quillo
