// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: folder tree and file list on the left, the picture on the right,
// the status bar below. A folder chosen in the tree is catalogued by the controller
// and the first file is shown; every later row selection shows that row's picture,
// loading it on demand and releasing the previous on-demand picture.
//
// The window's code is split by concern: fmMain.cpp (creation, start-up, folder
// change, selection, events), fmMainLayout.cpp (actions, menus, panes, status
// bar), fmMainCommands.cpp (the commands and the column menu), fmMainRename.cpp
// (renaming the selected file) and fmMainSettings.cpp (what the settings store
// reads and sets).
#include "catalogue/QloController.h"
#include "catalogue/ReadAhead.h"
#include "forms/fmSettings.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QScrollArea;
class QSplitter;
class QTableView;
class QTimer;
class QTreeView;

namespace quillo {

class TFolderTreeModel;
class TQloImage;
class TShellTreeView;
class TfAbout;
class TfSplash;

// The action list: commands run only while it is not suspended (during start-up
// and a refresh their shortcuts do nothing).
// A read-ahead whose reports arrive on the GUI thread.
std::unique_ptr<TReadAhead> MakeReadAhead(TReadAhead::TDecoder decoder = TReadAhead::DecodeSource);

class TActionList {
public:
    bool Suspended() const { return FSuspended; }
    void SetSuspended(bool suspended) { FSuspended = suspended; }

private:
    bool FSuspended = false;
};

class TfMain : public QMainWindow, public TSettingsHost {
    Q_OBJECT
public:
    static constexpr int kStartupDelayMs = 500;

    explicit TfMain(QWidget *parent = nullptr);
    ~TfMain() override;

    // Components, named as Quillo's forms name them.
    QWidget *Panel1 = nullptr;
    QLabel *Panel2 = nullptr;
    TShellTreeView *ShellTreeView1 = nullptr;
    TFolderTreeModel *ShellTreeModel = nullptr;
    QSplitter *Splitter1 = nullptr;
    QSplitter *Splitter2 = nullptr;
    QLabel *Panel3 = nullptr;
    QTableView *lvFiles = nullptr;
    TFileListModel *lvFilesModel = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    TQloImage *QloImage1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    std::array<QLabel *, 7> StatusPanels{};
    QProgressBar *ProgressBar1 = nullptr;
    TQloController QloController1;
    TActionList ActionList1;
    QTimer *tmrStartup = nullptr;

    QAction *acStretch = nullptr;
    QAction *acRefresh = nullptr;
    QAction *Action1 = nullptr; // "Rotate 90°..."
    QAction *Action2 = nullptr; // "Rotate 180°"
    QAction *Action3 = nullptr; // "Rotate 270°"
    QAction *acFullScreen = nullptr;
    QAction *acCopyToFolder = nullptr;
    QAction *acSettings = nullptr;
    QAction *acAbout = nullptr;
    QAction *acRename = nullptr;
    QAction *acRenderFullScreen = nullptr;
    QAction *acCopy = nullptr;
    QAction *Afsluiten1 = nullptr; // "Quit"
    QMenu *PopupMenu1 = nullptr;   // picture menu
    QMenu *PopupMenu2 = nullptr;   // file menu
    QMenu *PopupMenu3 = nullptr;   // column menu
    QAction *Bestandsnaam1 = nullptr;
    QAction *Datum1 = nullptr;
    QAction *Grootte1 = nullptr;

    bool FBusy = false;
    std::uint32_t FStartTick = 0;
    TCallbackLoadData *FCurrentEntry = nullptr;
    bool FHeaderMenuShown = false;
    // Whether the file menu pops up by itself; set at each press in the list.
    bool FListAutoPopup = false;

    TfAbout *About() const { return FAbout; }
    TfSplash *Splash() const { return FSplash; }

    // Handlers: start-up, folder change, controller reports, selection.
    void tmrStartupTimer();
    void ShellTreeView1Change();
    bool ShellTreeView1Changing();
    void QloController1AfterSearch(TQloController *Sender, std::int64_t ATotalSize);
    void QloController1AfterLoad(TQloController *Sender, std::int64_t ATotalSize);
    // Advances ProgressBar1 and lets the window repaint at most every 50 ms.
    void QloController1Progress(std::int64_t AMax, std::int64_t ACurrent, const std::string &AFilename);
    TJvSortMethod lvFilesAutoSort(int Column) const;
    void lvFilesSelectItem(TListItem *Item, bool Selected);
    // Commands (fmMainCommands.cpp).
    void acStretchExecute();
    void acRefreshExecute();
    void acSettingsExecute();
    void acAboutExecute();
    void acRotateExecute(std::uint8_t AKind);
    void acCopyExecute();
    void acCopyToFolderExecute();
    void acCopyToFolderUpdate();
    void acRenderFullScreenExecute();
    void acFullScreenExecute();
    void acRenameExecute();
    // Renames the item's file to S (fmMainRename.cpp); S comes back as the caption
    // the row is to show: the old one when anything refused the rename.
    void lvFilesEdited(TListItem *Item, std::string &S);
    void lvFilesMouseDown();
    void lvFilesColumnRightClick(const QPoint &globalPos);
    void Bestandsnaam1Click();
    bool CheckHardDisk();
    // Selects an existing folder in the tree; a folder change follows. Until the
    // start-up has opened a folder given by OpenAtStart, the stored folder is ignored.
    void SelectFolder(const std::string &path) override;
    // Opens `folder` at start-up instead of the stored last folder and, when
    // `fileName` is not empty, selects that file's row. Call before tmrStartup fires.
    void OpenAtStart(const std::string &folder, const std::string &fileName);
    // Takes over the read-ahead that main() started for a picture named on the command
    // line before the windows were made; the start-up then waits for that picture only.
    void AdoptReadAhead(std::unique_ptr<TReadAhead> readAhead);
    TReadAhead &ReadAhead() { return *FReadAhead; }
    // Selects the row of the listed file `fileName` (a name, no folder), which shows
    // its picture, and scrolls it into view; false when no row has that name.
    bool SelectFile(const std::string &fileName);

    // The picture view's and scroll box's context menu (attached while a file is selected).
    QMenu *ViewPopupMenu() const { return FViewPopup; }
    // The file list's context menu (attached after a load that listed files).
    QMenu *ListPopupMenu() const { return FListPopup; }

    // Settings host.
    QRect MainBounds() override;
    void SetMainBounds(const QRect &bounds, bool positionStored) override;
    bool MainMaximized() override;
    void SetMainMaximized() override;
    int TreeHeight() override;
    void SetTreeHeight(int height) override;
    int PaneWidth() override;
    void SetPaneWidth(int width) override;
    std::string SelectedFolder() override;
    int SlideshowInterval() override;
    void SetSlideshowInterval(int ms) override;
    void ProcessMessages() override;
    void ShowMainAndCloseSplash() override;

    // Called after each completed folder change (tests and the smoke run watch it).
    std::function<void()> OnFolderChanged;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormActivate();
    void CreateActions();
    void CreateMenus();
    void CreateLayout();
    void CreateStatusBar();
    QAction *MakeAction(const QString &name, const QString &caption, const QKeySequence &shortcut,
                        std::function<void()> handler);
    void FolderChange(const std::string &path);
    void FocusWhenEnabled(QWidget *widget);
    void CentreOnScreen();
    void SetViewPicture(const TPicture *picture);
    void NudgeListWidth(int first, int second);
    void ApplyStretchMode();
    TListItem *SelectedItem();
    // Read-ahead (fmMainReadAhead.cpp).
    void ShowEntry(TCallbackLoadData *entry);
    void ReadAheadAround(const TCallbackLoadData *entry);
    void ReadAheadAfterPaint();
    void ReadAheadDone(const std::string &fileName);
    int FirstRowToShow() const;

    TfAbout *FAbout = nullptr;
    TfSplash *FSplash = nullptr;
    QMenu *FViewPopup = nullptr;
    QMenu *FListPopup = nullptr;
    QWidget *FStatusRow = nullptr; // holds the status panels, fills StatusBar1
    static constexpr std::uint32_t kProgressPaintMs = 50;
    std::uint32_t FLastProgressPaint = 0;
    int FPaneWidth = 349;
    int FTreeHeight = 226;
    bool FPaneSized = false;
    // The folder and file named on the command line, until the start-up opens them.
    std::string FStartFolder;
    std::string FStartFile;
    QWidget *FFocusAfterChange = nullptr; // focus wanted once the window is enabled again
    bool FBoundsRestored = false;         // the settings sized (and maybe placed) the window
    std::unique_ptr<TReadAhead> FReadAhead;
    int FReadAheadRow = -1;      // the row read ahead from, for the direction of travel
    bool FReadAheadQueued = false;
    std::string FNamedPicture;   // the picture named on the command line, until shown
    bool FShowWhenDecoded = false; // the selected row shows the named picture once decoded
    QTimer *FReadAheadTrim = nullptr; // gives spare memory back once reading ahead rests
};

} // namespace quillo
