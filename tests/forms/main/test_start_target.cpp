// SPDX-License-Identifier: GPL-3.0-or-later
// A folder or file named on the command line, opened by the start-up sequence in
// place of the stored last folder.
#include "forms/Forms.h"
#include "forms/main/ShellTreeView.h"
#include "forms/main/fmMain.h"
#include "forms/fmSettings.h"
#include "forms/fmSplash.h"
#include "imageview/BmpCodec.h"
#include "imageview/view/QloImage.h"
#include "platform/IniFile.h"
#include "platform/Services.h"
#include "platform/TempFolder.h"
#include "forms/WindowsFixture.h"

#include <QTableView>
#include <QTreeView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/stat.h>

using namespace quillo;
using quillo::test::WritePicture;

namespace {

class StartTarget : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = dir.path();
        SetInstallRecordFile(root + "/install-record.ini");
        stored = root + "/stored";
        named = root + "/named \xe9";
        ASSERT_EQ(::mkdir(stored.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(named.c_str(), 0755), 0);
        WritePicture(stored + "/only.bmp", 5, 5);
        // Enough rows that the last one is out of view until the list scrolls.
        for (int i = 0; i < 80; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/p%02d.bmp", i);
            WritePicture(named + name, 10 + i, 7);
        }
    }
    void TearDown() override
    {
        DestroyApplicationWindows();
        SetInstallRecordFile("");
    }

    // Writes the settings file, creates the windows and runs the start-up sequence
    // with `folder`/`file` named on the command line.
    void Start(const std::string &settings, const std::string &folder, const std::string &file,
               TReadAhead::TDecoder decoder = TReadAhead::DecodeSource)
    {
        std::ofstream(root + "/quillo.ini") << settings << "[Last run]\nPath=" << stored << "\n";
        CreateApplicationWindows((root + "/quillo.ini").c_str());
        fMain->AdoptReadAhead(MakeReadAhead(std::move(decoder)));
        fMain->tmrStartup->stop();
        fMain->OpenAtStart(folder, file);
        fMain->OnFolderChanged = [this] { ++folderChanges; };
        fSplash->show();
        fMain->tmrStartup->start(1);
        ASSERT_TRUE(QTest::qWaitFor([] { return fMain->isVisible() && !fSplash->isVisible(); }, 5000));
    }
    std::string Shown() const
    {
        return fMain->FCurrentEntry ? fMain->FCurrentEntry->FileName.substr(named.size() + 1) : "";
    }

    test::TempFolder dir; // removes names that are not valid UTF-8 too
    std::string root, stored, named;
    int folderChanges = 0;
};

} // namespace

TEST_F(StartTarget, FolderWinsOverTheStoredOneAndIsWrittenOnClose)
{
    Start("[Layout]\nMaximized=0\nWidth=700\nHeight=500\n", named, "");
    EXPECT_EQ(fMain->QloController1.Path(), named);
    EXPECT_EQ(fMain->SelectedFolder(), named);
    EXPECT_EQ(fMain->lvFilesModel->Count(), 80);
    EXPECT_EQ(Shown(), "p00.bmp");
    EXPECT_EQ(folderChanges, 1) << "the stored folder was catalogued on the way";
    fMain->close();
    std::ifstream ini(root + "/quillo.ini");
    const std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Path=" + named + "\n"), std::string::npos) << text;
}

TEST_F(StartTarget, FileIsSelectedShownAndScrolledIntoView)
{
    Start("[Layout]\nMaximized=0\nWidth=700\nHeight=500\n", named, "p79.bmp");
    EXPECT_EQ(fMain->QloController1.Path(), named);
    EXPECT_EQ(Shown(), "p79.bmp");
    EXPECT_EQ(fMain->QloImage1->Holder().Picture.Width(), 89);
    const QModelIndex current = fMain->lvFiles->currentIndex();
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(fMain->lvFilesModel->Item(current.row()).Caption, "p79.bmp");
    EXPECT_TRUE(fMain->lvFiles->selectionModel()->isRowSelected(current.row(), {}));
    const QRect row = fMain->lvFiles->visualRect(current);
    EXPECT_TRUE(fMain->lvFiles->viewport()->rect().contains(row)) << row.y();
    // The folder's node is in view in the tree too, however deep it lies.
    QTreeView *tree = fMain->ShellTreeView1;
    const QRect node = tree->visualRect(tree->currentIndex());
    EXPECT_TRUE(tree->viewport()->rect().intersects(node)) << node.y();
    EXPECT_FALSE(fMain->ActionList1.Suspended());
}

TEST_F(StartTarget, ANamedPictureShownOnceDecodedIsFollowedByReadingAhead)
{
    // Still decoding when its row is selected (the window comes up first), and as
    // large as a camera photo: nothing else fits beside it until it is taken.
    Start("[Settings]\nPreloading=0\n", named, "p40.bmp",
          [](const TReadAheadSource &source, const std::function<bool(std::size_t)> &admit) {
              const bool photo = source.FileName.ends_with("p40.bmp");
              if (photo)
                  QThread::msleep(300);
              return TReadAhead::DecodeSource(source, [&](std::size_t bytes) {
                  return admit(photo ? TReadAhead::kDefaultCeiling - 64 : bytes);
              });
          });
    ASSERT_TRUE(QTest::qWaitFor([] { return !fMain->QloImage1->Holder().Picture.Empty(); }, 5000));
    EXPECT_EQ(Shown(), "p40.bmp");
    EXPECT_TRUE(QTest::qWaitFor([] { return fMain->ReadAhead().HeldBytes() > 0; }, 5000));
}

TEST_F(StartTarget, OpensEvenWhenRestoringIsSwitchedOff)
{
    // "SaveSettings" 0 skips the stored folder; a named folder still opens.
    Start("[Settings]\nSaveSettings=0\n", named, "p03.bmp");
    EXPECT_EQ(fMain->QloController1.Path(), named);
    EXPECT_EQ(Shown(), "p03.bmp");
}

TEST_F(StartTarget, FileGoneMeanwhileLeavesTheFirstRowShown)
{
    Start("", named, "vanished.bmp");
    EXPECT_EQ(fMain->QloController1.Path(), named);
    EXPECT_EQ(Shown(), "p00.bmp");
    EXPECT_FALSE(fMain->SelectFile("vanished.bmp"));
    EXPECT_TRUE(fMain->SelectFile("p10.bmp"));
    EXPECT_EQ(Shown(), "p10.bmp");
}

TEST_F(StartTarget, WithoutATargetTheStoredFolderOpens)
{
    Start("", "", "");
    EXPECT_EQ(fMain->QloController1.Path(), stored);
    EXPECT_EQ(folderChanges, 1);
}
