// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's keyboard focus after a folder change, and its layout kept over
// runs: folder tree height, window bounds and centring, the status bar's height.
#include "forms/Forms.h"
#include "forms/main/fmMain.h"
#include "forms/fmSettings.h"
#include "forms/main/ShellTreeView.h"
#include "forms/fmSplash.h"
#include "imageview/BmpCodec.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace quillo;

namespace {

class MainLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString();
        ini = root + "/quillo.ini";
        pictures = root + "/pictures";
        empty = root + "/empty";
        ASSERT_EQ(::mkdir(pictures.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(empty.c_str(), 0755), 0);
        for (const char *name : {"a.bmp", "b.bmp"}) {
            TBitmap b(16, 12, 24);
            WriteBmpFile(b, pictures + "/" + name);
        }
        Create();
    }
    void TearDown() override { DestroyApplicationWindows(); }

    void Create()
    {
        CreateApplicationWindows(ini.c_str());
        fMain->tmrStartup->stop();
    }
    void WriteIni(const std::string &text) { std::ofstream(ini) << text; }
    // One run of the program: start-up from the settings file, then close.
    void Start()
    {
        fSplash->show();
        fMain->tmrStartup->start(1);
        ASSERT_TRUE(QTest::qWaitFor([] { return fMain->isVisible() && !fSplash->isVisible(); }, 5000));
        QApplication::processEvents();
    }
    void Run()
    {
        Start();
        fMain->close();
        DestroyApplicationWindows();
        Create();
    }
    int Stored(const char *key) const { return TIniFile(ini).ReadInteger("Layout", key, -12345); }

    QTemporaryDir dir;
    std::string root, ini, pictures, empty;
};

QRect Available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

// How far the window's frame lies from the screen's centre, less what the frame
// adds around the client (unknown until the window is first shown).
int OffCentre(const QWidget *w)
{
    const QRect frame = w->frameGeometry();
    const int margins = (frame.width() - w->width() + frame.height() - w->height()) / 2;
    return (frame.center() - Available().center()).manhattanLength() - margins;
}

} // namespace

TEST_F(MainLayoutTest, FolderChangeLeavesTheFocusInTheFileList)
{
    fMain->show();
    fMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fMain));
    // The user clicked a folder in the tree: the tree has the focus when the change runs.
    fMain->ShellTreeView1->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(fMain->ShellTreeView1));
    fMain->SelectFolder(pictures);
    ASSERT_EQ(fMain->lvFilesModel->Count(), 2);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(fMain->lvFiles));

    // A folder without pictures leaves the focus in the tree instead.
    fMain->SelectFolder(empty);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(fMain->ShellTreeView1));
    fMain->SelectFolder(pictures);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(fMain->lvFiles));

    // A refresh keeps it there too.
    fMain->ShellTreeView1->setFocus();
    fMain->acRefreshExecute();
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(fMain->lvFiles));
}

TEST_F(MainLayoutTest, StoredFolderAtStartUpGivesTheFileListTheFocus)
{
    WriteIni("[Layout]\nMaximized=0\n[Last run]\nPath=" + pictures + "\n");
    Start();
    fMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fMain));
    ASSERT_EQ(fMain->lvFilesModel->Count(), 2);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(fMain->lvFiles));
}

TEST_F(MainLayoutTest, FileListTakesTheExtraHeightOfALargerWindow)
{
    fMain->resize(600, 400);
    fMain->SetTreeHeight(150);
    fMain->show();
    QApplication::processEvents();
    ASSERT_EQ(fMain->TreeHeight(), 150);
    const int list = fMain->lvFiles->height();
    fMain->resize(700, 560);
    QApplication::processEvents();
    EXPECT_EQ(fMain->TreeHeight(), 150);
    EXPECT_EQ(fMain->lvFiles->height(), list + 160);
}

TEST_F(MainLayoutTest, MaximisedRunsWriteTheTreeHeightBackAsRead)
{
    WriteIni("[Layout]\nMaximized=1\nWidth=600\nHeight=400\nBHeight=150\nBWidth=250\n");
    for (int run = 0; run < 2; ++run) {
        Run();
        EXPECT_EQ(Stored("BHeight"), 150) << "run " << run;
        EXPECT_EQ(Stored("BWidth"), 250) << "run " << run;
        EXPECT_EQ(Stored("Maximized"), 1);
    }
}

TEST_F(MainLayoutTest, BoundsStayTheSameOverRuns)
{
    const QRect avail = Available();
    const int left = avail.left() + 30, top = avail.top() + 20;
    WriteIni("[Layout]\nMaximized=0\nLeft=" + std::to_string(left) + "\nTop=" + std::to_string(top) +
             "\nWidth=500\nHeight=350\n");
    for (int run = 0; run < 3; ++run) {
        Run();
        EXPECT_EQ(Stored("Left"), left) << "run " << run;
        EXPECT_EQ(Stored("Top"), top) << "run " << run;
        EXPECT_EQ(Stored("Width"), 500) << "run " << run;
        EXPECT_EQ(Stored("Height"), 350) << "run " << run;
    }
    // Maximised: the maximised bounds, the same every run.
    TIniFile(ini).WriteBool("Layout", "Maximized", true);
    Run();
    const int maxLeft = Stored("Left"), maxTop = Stored("Top"), maxWidth = Stored("Width"),
              maxHeight = Stored("Height");
    EXPECT_GT(maxWidth, 500);
    for (int run = 0; run < 2; ++run) {
        Run();
        EXPECT_EQ(Stored("Left"), maxLeft);
        EXPECT_EQ(Stored("Top"), maxTop);
        EXPECT_EQ(Stored("Width"), maxWidth);
        EXPECT_EQ(Stored("Height"), maxHeight);
    }
}

TEST_F(MainLayoutTest, NoStoredPositionOpensCentred)
{
    // No position in the file.
    WriteIni("[Layout]\nMaximized=0\nWidth=500\nHeight=300\n");
    fMain->move(3, 5);
    Start();
    EXPECT_EQ(fMain->size(), QSize(500, 300));
    EXPECT_LE(OffCentre(fMain), 1) << fMain->frameGeometry().x() << "," << fMain->frameGeometry().y();
    DestroyApplicationWindows();
    Create();

    // Restoring switched off: the design size, centred, not maximised.
    WriteIni("[Settings]\nSaveSettings=0\n[Layout]\nMaximized=1\nLeft=3\nTop=5\nWidth=500\nHeight=300\n");
    fMain->move(3, 5);
    Start();
    EXPECT_FALSE(fMain->isMaximized());
    EXPECT_EQ(fMain->size(), QSize(875, 610));
    EXPECT_LE(OffCentre(fMain), 1) << fMain->frameGeometry().x() << "," << fMain->frameGeometry().y();
}

TEST_F(MainLayoutTest, StatusBarIsNineteenPixelsHigh)
{
    fMain->resize(875, 610);
    fMain->show();
    QApplication::processEvents();
    QStatusBar *bar = fMain->StatusBar1;
    EXPECT_EQ(bar->height(), 19);
    // Every panel lies within the bar and is tall enough for a line of text.
    for (QLabel *panel : fMain->StatusPanels) {
        const QRect r(panel->mapTo(bar, QPoint(0, 0)), panel->size());
        EXPECT_TRUE(bar->rect().contains(r)) << panel->objectName().toStdString();
        EXPECT_GE(panel->contentsRect().height(), panel->fontMetrics().height())
            << panel->objectName().toStdString();
    }
    // The progress bar, 96 x 15, lies over panel 2, 3 pixels below the bar's top.
    QProgressBar *progress = fMain->ProgressBar1;
    EXPECT_EQ(progress->size(), QSize(96, 15));
    EXPECT_EQ(progress->mapTo(bar, QPoint(0, 0)).y(), 3);
    const QRect panel2(fMain->StatusPanels[2]->mapTo(bar, QPoint(0, 0)), fMain->StatusPanels[2]->size());
    EXPECT_TRUE(panel2.contains(QRect(progress->mapTo(bar, QPoint(0, 0)), progress->size())));
}
