// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven for real on the offscreen platform: folder changes,
// selection with on-demand loading and release, refresh, stretch and start-up.
#include "forms/Forms.h"
#include "forms/main/fmMain.h"
#include "forms/fmSettings.h"
#include "forms/fmSplash.h"
#include "imageview/BmpCodec.h"
#include "imageview/view/QloImage.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "forms/WindowsFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QRegularExpression>
#include <QProgressBar>
#include <QScrollArea>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <QHeaderView>

using namespace quillo;
using quillo::test::WritePicture;

namespace {

class MainWindowTest : public quillo::test::WindowsTest {
protected:
    void MakeFiles() override
    {
        WritePicture(pictures + "/b.bmp", 40, 30, 10);
        WritePicture(pictures + "/a.bmp", 20, 10, 200);
        WritePicture(pictures + "/C.bmp", 8, 8, 90);
    }

    QString Panel(int i) const { return fMain->StatusPanels[static_cast<std::size_t>(i)]->text(); }
    std::string ShownName() const
    {
        return fMain->FCurrentEntry ? fMain->FCurrentEntry->FileName.substr(pictures.size() + 1) : "";
    }
};

} // namespace

TEST_F(MainWindowTest, FolderChangeListsShowsFirstRowAndReenables)
{
    EXPECT_EQ(Panel(4), "0,00 KB/s");
    EXPECT_EQ(Panel(0), "Brackwater Quillo III");
    EXPECT_EQ(fMain->windowTitle(), "Brackwater Quillo III");

    fMain->SelectFolder(pictures);
    EXPECT_EQ(fMain->QloController1.Path(), pictures);
    ASSERT_EQ(fMain->lvFilesModel->Count(), 3);
    // Name order with lower case first for names differing in case only; "a" < "b" < "C".
    EXPECT_EQ(fMain->lvFilesModel->Item(0).Caption, "a.bmp");
    EXPECT_EQ(ShownName(), "a.bmp");
    EXPECT_EQ(fMain->QloImage1->Holder().Picture.Width(), 20);
    EXPECT_TRUE(Panel(6).startsWith("Files loaded in ")) << Panel(6).toStdString();
    EXPECT_TRUE(Panel(4).contains(" Mb - [ ")) << Panel(4).toStdString();
    EXPECT_TRUE(fMain->Panel1->isEnabled());
    EXPECT_TRUE(fMain->isEnabled());
    EXPECT_FALSE(fMain->FBusy);
    EXPECT_TRUE(fMain->acCopyToFolder->isEnabled());
    EXPECT_EQ(fMain->ListPopupMenu(), fMain->PopupMenu2);
    EXPECT_EQ(fMain->ViewPopupMenu(), fMain->PopupMenu1);
}

TEST_F(MainWindowTest, EmptyOrMissingFolderStillCompletes)
{
    const std::string empty = root + "/empty";
    ASSERT_EQ(::mkdir(empty.c_str(), 0755), 0);
    fMain->SelectFolder(pictures);
    fMain->SelectFolder(empty);
    EXPECT_EQ(fMain->lvFilesModel->Count(), 0);
    EXPECT_EQ(fMain->FCurrentEntry, nullptr);
    EXPECT_TRUE(fMain->QloImage1->Holder().Picture.Empty());
    EXPECT_TRUE(Panel(4).startsWith("0.0 Mb - [ 0.00 Mb/s ]") || Panel(4).startsWith("0,0 Mb"))
        << Panel(4).toStdString();
    EXPECT_EQ(fMain->ListPopupMenu(), nullptr);
    EXPECT_EQ(fMain->ViewPopupMenu(), nullptr);
    EXPECT_FALSE(fMain->acCopyToFolder->isEnabled());
    EXPECT_TRUE(fMain->Panel1->isEnabled());
}

TEST_F(MainWindowTest, SelectionReleasesOnDemandPicturesOnly)
{
    // Preloading off: every picture is read when its row is selected.
    fSettings->CheckBox1->setChecked(false);
    fMain->SelectFolder(pictures);
    ASSERT_EQ(fMain->lvFilesModel->Count(), 3);
    TCallbackLoadData *first = fMain->lvFilesModel->Item(0).Data;
    ASSERT_FALSE(first->Loaded);
    EXPECT_FALSE(first->Image->Picture.Empty());

    fMain->lvFiles->selectRow(1);
    TCallbackLoadData *second = fMain->lvFilesModel->Item(1).Data;
    EXPECT_EQ(fMain->FCurrentEntry, second);
    EXPECT_TRUE(first->Image->Picture.Empty()) << "the previous on-demand picture is released";
    EXPECT_FALSE(second->Image->Picture.Empty());
    EXPECT_EQ(fMain->QloImage1->Holder().Picture.Width(), 40);

    // With preloading on, pictures stay in their entries while the selection moves.
    fSettings->CheckBox1->setChecked(true);
    fMain->SelectFolder(pictures);
    TCallbackLoadData *pre = fMain->lvFilesModel->Item(0).Data;
    ASSERT_TRUE(pre->Loaded);
    fMain->lvFiles->selectRow(2);
    EXPECT_FALSE(pre->Image->Picture.Empty());
}

TEST_F(MainWindowTest, UnreadablePictureLeavesViewEmptyWithoutMessage)
{
    std::ofstream(pictures + "/bad.bmp") << "not a picture";
    fSettings->CheckBox1->setChecked(false);
    fMain->SelectFolder(pictures);
    const int bad = [&] {
        for (int i = 0; i < fMain->lvFilesModel->Count(); ++i)
            if (fMain->lvFilesModel->Item(i).Caption == "bad.bmp")
                return i;
        return -1;
    }();
    ASSERT_GE(bad, 0);
    fMain->lvFiles->selectRow(bad);
    EXPECT_TRUE(fMain->QloImage1->Holder().Picture.Empty());
    EXPECT_TRUE(messages.texts.empty());
    fMain->lvFiles->selectRow(bad == 0 ? 1 : 0);
    EXPECT_FALSE(fMain->QloImage1->Holder().Picture.Empty());
}

TEST_F(MainWindowTest, RefreshKeepsRowAndIsIgnoredWhileBusy)
{
    fMain->SelectFolder(pictures);
    fMain->lvFiles->selectRow(2);
    WritePicture(pictures + "/d.bmp", 4, 4, 1);
    fMain->acRefreshExecute();
    EXPECT_EQ(fMain->lvFilesModel->Count(), 4);
    EXPECT_EQ(fMain->lvFiles->currentIndex().row(), 2);
    EXPECT_FALSE(fMain->FBusy);

    fMain->FBusy = true;
    WritePicture(pictures + "/e.bmp", 4, 4, 1);
    fMain->acRefreshExecute();
    EXPECT_EQ(fMain->lvFilesModel->Count(), 4) << "a refresh during a folder change is ignored";
    fMain->FBusy = false;
}

TEST_F(MainWindowTest, StatusTextsFollowTheTicks)
{
    std::uint32_t now = 0xFFFFFF00u; // wraps during the change
    SetTickSource([&] { return now += 100; });
    fMain->SelectFolder(pictures);
    // A few fake ticks of 100 ms each, across the wrap: a small time, never ~49 days.
    EXPECT_TRUE(QRegularExpression("^Files loaded in [0-9]\\.[0-9]{2} seconds\\.$").match(Panel(6)).hasMatch())
        << Panel(6).toStdString();
    // Size and a finite rate: an infinite one reads "INF", no rate at all "NAN".
    const QRegularExpression rate("^[0-9]+[.,][0-9] Mb - \\[ [0-9.,]+ Mb/s \\]$");
    EXPECT_TRUE(rate.match(Panel(4)).hasMatch()) << Panel(4).toStdString();

    // A clock that stands still: the load still takes at least one tick, here
    // across the wrap (the start is put back from 0 to 0xFFFFFFFF).
    SetTickSource([] { return 0u; });
    fMain->SelectFolder(pictures);
    EXPECT_TRUE(rate.match(Panel(4)).hasMatch()) << Panel(4).toStdString();
}

TEST_F(MainWindowTest, StretchTogglesAndResizeKeepsMode)
{
    EXPECT_FALSE(fMain->acStretch->isChecked());
    fMain->acStretchExecute();
    EXPECT_TRUE(fMain->acStretch->isChecked());
    EXPECT_TRUE(fMain->QloImage1->Holder().Stretch);
    EXPECT_TRUE(fMain->QloImage1->Holder().Proportional);
    fMain->ScrollBox1->resize(300, 200);
    QApplication::processEvents();
    EXPECT_TRUE(fMain->QloImage1->Holder().Stretch);
    fMain->acStretchExecute();
    EXPECT_FALSE(fMain->QloImage1->Holder().Stretch);
    EXPECT_TRUE(fMain->QloImage1->Holder().AutoSize);
}

TEST_F(MainWindowTest, SuspendedActionsDoNothing)
{
    fMain->ActionList1.SetSuspended(true);
    fMain->acStretch->trigger();
    EXPECT_FALSE(fMain->acStretch->isChecked());
    fMain->ActionList1.SetSuspended(false);
    fMain->acStretch->trigger();
    EXPECT_TRUE(fMain->acStretch->isChecked());
}

TEST_F(MainWindowTest, StartupReadsSettingsShowsMainAndClosesSplash)
{
    {
        std::ofstream ini(root + "/quillo.ini");
        ini << "[Settings]\nPreloadMax=64\n[Layout]\nMaximized=0\nWidth=700\nHeight=500\n[Last run]\nPath="
            << pictures << "\n";
    }
    fSplash->show();
    EXPECT_TRUE(fMain->ActionList1.Suspended());
    fMain->tmrStartup->start(10);
    ASSERT_TRUE(QTest::qWaitFor([] { return fMain->isVisible(); }, 5000));
    EXPECT_EQ(fSettings->GetMaxPreload(), 64);
    EXPECT_EQ(fMain->QloController1.Path(), pictures);
    EXPECT_EQ(fMain->lvFilesModel->Count(), 3);
    ASSERT_TRUE(QTest::qWaitFor([] { return !fSplash->isVisible(); }, 5000));
    EXPECT_FALSE(fMain->ActionList1.Suspended());
    EXPECT_FALSE(fMain->tmrStartup->isActive());
}

TEST_F(MainWindowTest, CloseWritesTheSettingsFile)
{
    fMain->SelectFolder(pictures);
    fMain->show();
    fMain->close();
    std::ifstream ini(root + "/quillo.ini");
    const std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Path=" + pictures), std::string::npos) << text;
    EXPECT_NE(text.find("BWidth="), std::string::npos) << text;
}

TEST_F(MainWindowTest, ColumnMenuHidesAndRestoresDefaultWidths)
{
    QHeaderView *header = fMain->lvFiles->horizontalHeader();
    for (QAction *a : {fMain->Bestandsnaam1, fMain->Datum1, fMain->Grootte1})
        a->trigger(); // all hidden
    for (int c = 0; c < 3; ++c)
        EXPECT_TRUE(header->isSectionHidden(c));
    fMain->Datum1->trigger();
    EXPECT_FALSE(header->isSectionHidden(1));
    EXPECT_EQ(header->sectionResizeMode(1), QHeaderView::Stretch);
    fMain->Grootte1->trigger();
    EXPECT_EQ(header->sectionSize(2), 100);
}

TEST_F(MainWindowTest, LeftPaneOpensAtItsDesignWidth)
{
    fMain->resize(900, 640);
    fMain->show();
    QTest::qWait(50);
    EXPECT_EQ(fMain->PaneWidth(), 349);
    fMain->SetPaneWidth(300);
    QApplication::processEvents();
    EXPECT_EQ(fMain->PaneWidth(), 300);
}

TEST_F(MainWindowTest, ProgressAdvancesDuringTheLoadAndEndsAtZero)
{
    std::vector<int> seen;
    fMain->QloController1.SetOnProgress(nullptr);
    // Wrap the window's own handler to watch the bar.
    fMain->QloController1.SetOnProgress(
        [&](std::int64_t m, std::int64_t c, std::uint32_t, const std::string &f) {
            fMain->QloController1Progress(m, c, f);
            seen.push_back(fMain->ProgressBar1->value());
        });
    fMain->SelectFolder(pictures);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_LT(seen.front(), 100);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_EQ(fMain->ProgressBar1->value(), 0) << "the bar is reset when the load has finished";
}
