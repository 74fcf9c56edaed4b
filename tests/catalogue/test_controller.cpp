// SPDX-License-Identifier: GPL-3.0-or-later
// The controller: one catalogue run with its events, the preload budget,
// re-entry, release order, recovery, and copying the catalogue to a folder.
#include "CatalogueFixtures.h"
#include "catalogue/QloController.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/System.h"

#include <QDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <algorithm>

using namespace quillo;
using namespace quillo::testing;

namespace {

using Strings = std::vector<std::string>;
constexpr std::int64_t MB = 1048576;

struct TProgress {
    std::int64_t Max;
    std::int64_t Current;
    std::uint32_t Time;
    std::string FileName;
};

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = DirPath(dir);
        qlo.Mask = "*.bmp;*.jpg;*.jpeg";
        qlo.ListView = &list;
        qlo.Preload = true;
        qlo.MaxPreload = 32;
        list.FormatSettings = TFormatSettings{".", ",", ":"};
        qlo.AfterSearch = [this](TQloController *sender, std::int64_t total) {
            EXPECT_EQ(sender, &qlo);
            events.push_back("AfterSearch " + std::to_string(total));
            EXPECT_EQ(list.Count(), 0); // the list stays empty until the pass ends
            if (onAfterSearch)
                onAfterSearch();
        };
        qlo.OnProgress = [this](std::int64_t max, std::int64_t current, std::uint32_t time, const std::string &name) {
            events.push_back("Progress " + std::to_string(current) + "/" + std::to_string(max));
            progress.push_back({max, current, time, name});
            if (onProgress)
                onProgress();
        };
        qlo.AfterLoad = [this](TQloController *sender, std::int64_t total) {
            EXPECT_EQ(sender, &qlo);
            EXPECT_FALSE(qlo.IsIdle());
            events.push_back("AfterLoad " + std::to_string(total) + " rows " + std::to_string(list.Count()));
            if (onAfterLoad)
                onAfterLoad();
        };
    }
    std::string P(const std::string &name) const { return root + "/" + name; }
    void Catalogue(const std::string &path)
    {
        events.clear();
        progress.clear();
        qlo.SetPath(path);
        EXPECT_TRUE(qlo.IsIdle());
    }
    Strings Loaded() const
    {
        Strings out;
        for (const auto &e : qlo.Catalogue())
            out.push_back(ExtractFileName(e->FileName) + (e->Loaded ? "+" : "-"));
        return out;
    }
    Strings Rows() const
    {
        Strings out;
        for (int i = 0; i < list.Count(); ++i)
            out.push_back(list.Item(i).Caption);
        return out;
    }

    QTemporaryDir dir;
    std::string root;
    TFileListModel list;
    TQloController qlo;
    Strings events;
    std::vector<TProgress> progress;
    std::function<void()> onAfterSearch, onProgress, onAfterLoad;
};

TEST_F(ControllerTest, OneRunFiresItsEventsInOrderAndFillsTheList)
{
    WriteBmp(P("b.bmp"), 1000);
    WriteJpeg(P("a.jpg"), 2000);
    WriteJpeg(P("C.jpeg"), 3000);
    WriteBmp(P("skip.png"), 400);
    std::uint32_t tick = 1000;
    SetTickSource([&] { return tick += 7; });
    Catalogue(root);
    SetTickSource(nullptr);

    EXPECT_EQ(events, (Strings{"AfterSearch 6000", "Progress 1000/6000", "Progress 3000/6000",
                               "Progress 6000/6000", "AfterLoad 6000 rows 3"}));
    EXPECT_EQ(Loaded(), (Strings{"b.bmp+", "a.jpg+", "C.jpeg+"})); // catalogue: the order found
    EXPECT_EQ(Rows(), (Strings{"a.jpg", "b.bmp", "C.jpeg"}));      // list: name order
    ASSERT_EQ(progress.size(), 3u);
    for (const auto &p : progress)
        EXPECT_EQ(p.Time, 7u); // the time of that one entry, not of the pass
    EXPECT_EQ(progress[1].FileName, P("a.jpg"));
    EXPECT_EQ(qlo.TotalSize(), 6000);

    const TListItem &row = list.Item(0);
    ASSERT_NE(row.Data, nullptr);
    EXPECT_EQ(row.Data->FileName, P("a.jpg"));
    EXPECT_EQ(*row.SubItem(0), FormatListDate(row.Data->Date, ":"));
    EXPECT_EQ(*row.SubItem(1), "0,00 Mb");
}

TEST_F(ControllerTest, EmptyOrMissingFolderGivesTheTwoEventsWithZero)
{
    Catalogue(root);
    EXPECT_EQ(events, (Strings{"AfterSearch 0", "AfterLoad 0 rows 0"}));
    EXPECT_EQ(qlo.TotalSize(), 0);

    WriteJpeg(P("a.jpg"));
    Catalogue(root);
    ASSERT_EQ(list.Count(), 1);
    Catalogue(root + "/no such folder");
    EXPECT_EQ(events, (Strings{"AfterSearch 0", "AfterLoad 0 rows 0"}));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(qlo.Catalogue().empty());
    EXPECT_EQ(qlo.Path(), root + "/no such folder");
}

TEST_F(ControllerTest, ProgressCarriesRunningAndTotalBytes)
{
    qlo.Preload = false;
    qlo.Mask = "one.jpg;two.jpg;three.jpg";
    WriteSparse(P("one.jpg"), 1 * MB);
    WriteSparse(P("two.jpg"), 2 * MB);
    WriteSparse(P("three.jpg"), 3 * MB);
    Catalogue(root);
    ASSERT_EQ(progress.size(), 3u);
    for (const auto &p : progress)
        EXPECT_EQ(p.Max, 6291456);
    EXPECT_EQ(progress[0].Current, 1048576);
    EXPECT_EQ(progress[1].Current, 3145728);
    EXPECT_EQ(progress[2].Current, 6291456);
    EXPECT_EQ(Rows(), (Strings{"one.jpg", "three.jpg", "two.jpg"}));
    EXPECT_EQ(*list.Item(1).SubItem(1), "3,00 Mb");
}

TEST_F(ControllerTest, PreloadBudgetBoundaryAtThirtyTwoMegabytes)
{
    qlo.Mask = "*.bmp";
    WriteBmp(P("small.bmp"), 70);
    WriteBmp(P("big.bmp"), static_cast<std::uint32_t>(32 * MB - 1 - 70));
    Catalogue(root);
    EXPECT_EQ(qlo.TotalSize(), 33554431);
    EXPECT_EQ(qlo.Catalogue().size(), 2u);
    for (const auto &e : qlo.Catalogue())
        EXPECT_TRUE(e->Loaded && e->Image->Picture.Width() == 2) << e->FileName;

    WriteBmp(P("big.bmp"), static_cast<std::uint32_t>(32 * MB - 70));
    Catalogue(root);
    EXPECT_EQ(qlo.TotalSize(), 33554432);
    EXPECT_EQ(qlo.Catalogue().size(), 2u);
    for (const auto &e : qlo.Catalogue())
        EXPECT_TRUE(!e->Loaded && e->Image->Picture.Empty()) << e->FileName;
}

TEST_F(ControllerTest, PreloadOffOrZeroBudgetLoadsNothing)
{
    WriteBmp(P("a.bmp"));
    qlo.Preload = false;
    Catalogue(root);
    EXPECT_EQ(Loaded(), Strings{"a.bmp-"});
    qlo.Preload = true;
    qlo.MaxPreload = 0;
    Catalogue(root);
    EXPECT_EQ(Loaded(), Strings{"a.bmp-"});
    // The decision is taken after AfterSearch, which may still change it.
    onAfterSearch = [this] { qlo.MaxPreload = 1; };
    Catalogue(root);
    EXPECT_EQ(Loaded(), Strings{"a.bmp+"});
}

TEST_F(ControllerTest, FoldersBeyondFourGigabytesAreCountedWhole)
{
    qlo.MaxPreload = 1024;
    WriteSparse(P("huge1.jpg"), std::int64_t(3) << 30);
    WriteSparse(P("huge2.jpg"), std::int64_t(3) << 30);
    Catalogue(root);
    EXPECT_EQ(events.front(), "AfterSearch 6442450944");
    EXPECT_EQ(progress.back().Current, std::int64_t(6) << 30);
    EXPECT_EQ(qlo.TotalSize(), std::int64_t(6) << 30);
    Strings loaded = Loaded();
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, (Strings{"huge1.jpg-", "huge2.jpg-"}));
}

TEST_F(ControllerTest, UnreadablePictureIsListedWithoutItsPictureAndThePassGoesOn)
{
    qlo.Mask = "a.bmp;b.bmp;c.bmp";
    WriteBmp(P("a.bmp"), 100);
    WriteBytes(P("b.bmp"), std::vector<std::uint8_t>(200, 'x'));
    WriteBmp(P("c.bmp"), 300);
    const auto before = ReadBytes(P("b.bmp"));
    Catalogue(root);
    EXPECT_EQ(events, (Strings{"AfterSearch 600", "Progress 100/600", "Progress 300/600", "Progress 600/600",
                               "AfterLoad 600 rows 3"}));
    EXPECT_EQ(Loaded(), (Strings{"a.bmp+", "b.bmp-", "c.bmp+"}));
    EXPECT_EQ(Rows(), (Strings{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(ReadBytes(P("b.bmp")), before);
    EXPECT_TRUE(qlo.Catalogue()[1]->Image->Picture.Empty());
}

TEST_F(ControllerTest, MatchingSubFolderOrVanishedFilesWhilePreloading)
{
    qlo.Mask = "a.bmp;b.bmp;c.bmp";
    WriteBmp(P("a.bmp"));
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(P("b.bmp"))));
    WriteBmp(P("c.bmp"));
    Catalogue(root);
    EXPECT_EQ(Loaded(), (Strings{"a.bmp+", "b.bmp-", "c.bmp+"}));

    // Without preloading the sub-folder is listed like a file all the same.
    qlo.Preload = false;
    Catalogue(root);
    EXPECT_EQ(Loaded(), (Strings{"a.bmp-", "b.bmp-", "c.bmp-"}));

    // A file removed between listing and loading is listed as found, unloaded, as
    // it would be without preloading.
    qlo.Preload = true;
    onAfterSearch = [this] { ::unlink(P("a.bmp").c_str()); };
    Catalogue(root);
    EXPECT_EQ(Loaded(), (Strings{"a.bmp-", "b.bmp-", "c.bmp+"}));
    EXPECT_EQ(events.back(), "AfterLoad 140 rows 3");

    // The whole folder gone between listing and loading.
    WriteBmp(P("a.bmp"));
    onAfterSearch = [this] { ASSERT_TRUE(QDir(QString::fromStdString(root)).removeRecursively()); };
    Catalogue(root);
    EXPECT_EQ(Loaded(), (Strings{"a.bmp-", "b.bmp-", "c.bmp-"}));
    qlo.Preload = false;
    onAfterSearch = nullptr;
    Catalogue(root);
    EXPECT_EQ(events, (Strings{"AfterSearch 0", "AfterLoad 0 rows 0"}));
    QDir().mkdir(QString::fromStdString(root));
}

TEST_F(ControllerTest, FifoNamedLikeAPictureIsListedAndNeverHangsThePass)
{
    qlo.Mask = "*.jpg";
    WriteJpeg(P("a.jpg"));
    ASSERT_EQ(::mkfifo(P("b.jpg").c_str(), 0644), 0);
    WriteJpeg(P("c.jpg"));
    Catalogue(root);
    Strings loaded = Loaded();
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, (Strings{"a.jpg+", "b.jpg-", "c.jpg+"}));
    EXPECT_EQ(Rows(), (Strings{"a.jpg", "b.jpg", "c.jpg"}));
}

TEST_F(ControllerTest, OversizedPanoramaIsPreloadedByItsHeaderLikeAnyFile)
{
    // The pixel limit applies when the picture is decoded, not to its header.
    qlo.Mask = "*.jpg";
    std::vector<std::uint8_t> jpeg = EncodeJpeg(TBitmap(16, 16), 90);
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = 20000 >> 8, jpeg[i + 6] = 20000 & 0xFF; // height
            jpeg[i + 7] = 30000 >> 8, jpeg[i + 8] = 30000 & 0xFF; // width
            break;
        }
    WriteBytes(P("pano.jpg"), jpeg);
    WriteJpeg(P("z.jpg"));
    Catalogue(root);
    Strings loaded = Loaded();
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, (Strings{"pano.jpg+", "z.jpg+"}));
    for (const auto &e : qlo.Catalogue()) {
        if (ExtractFileName(e->FileName) == "pano.jpg") {
            EXPECT_EQ(e->Image->Picture.Width(), 30000);
        }
    }
}

TEST_F(ControllerTest, FoldersOfTwoGigabytesAreNeverPreloadedWhateverTheBudget)
{
    qlo.Mask = "a.bmp;big.jpg";
    WriteBmp(P("a.bmp"), 100);
    // A budget above 2047 MB from an unchecked settings file still preloads a small folder...
    qlo.MaxPreload = 4096;
    Catalogue(root);
    EXPECT_EQ(Loaded(), Strings{"a.bmp+"});
    // ...but never one of 2 GiB or more (the big file would not be read either way).
    WriteSparse(P("big.jpg"), (std::int64_t(2) << 30) - 100);
    for (const int budget : {2048, 4096, 1 << 30, INT32_MAX}) {
        qlo.MaxPreload = budget;
        Catalogue(root);
        EXPECT_EQ(Loaded(), (Strings{"a.bmp-", "big.jpg-"})) << budget;
        EXPECT_EQ(events.front(), "AfterSearch 2147483648");
    }
}

TEST_F(ControllerTest, UnreadableFolderListsNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    WriteBmp(P("a.bmp"));
    ASSERT_EQ(::chmod(root.c_str(), 0), 0);
    Catalogue(root);
    ::chmod(root.c_str(), 0700);
    EXPECT_EQ(events, (Strings{"AfterSearch 0", "AfterLoad 0 rows 0"}));
}

TEST_F(ControllerTest, OddNamesAreCataloguedAndPreloaded)
{
    const Strings names = {"with space.bmp", "quote\"d.bmp", "it's.bmp", "caf\xc3\xa9.bmp", "bad\xff\xfe.bmp",
                           "semi;colon.bmp"};
    for (const auto &n : names)
        WriteBmp(P(n));
    Catalogue(root);
    Strings loaded = Loaded();
    std::sort(loaded.begin(), loaded.end());
    Strings expected;
    for (const auto &n : names)
        expected.push_back(n + "+");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(loaded, expected);
    EXPECT_EQ(list.Count(), 6);
    for (const auto &n : names) // QDir cannot remove a name that is not UTF-8
        ::unlink(P(n).c_str());
}

TEST_F(ControllerTest, NestedPathAssignmentOnlyStoresThePath)
{
    WriteBmp(P("a.bmp"));
    const std::string other = root + "/other";
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(other)));
    for (auto *hook : {&onAfterSearch, &onProgress, &onAfterLoad}) {
        qlo.SetPath("/");
        onAfterSearch = onProgress = onAfterLoad = nullptr;
        *hook = [&] {
            qlo.SetPath(other);
            EXPECT_EQ(qlo.Path(), other);
        };
        Catalogue(root);
        *hook = nullptr;
        EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const std::string &e) { return e.rfind("AfterLoad", 0) == 0; }), 1);
        EXPECT_EQ(qlo.Path(), other);
        EXPECT_EQ(Rows(), Strings{"a.bmp"}); // the list shows the run's folder
        EXPECT_TRUE(qlo.IsIdle());
    }
    // Nothing starts the stored path later; assigning it again does.
    Catalogue(other);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ControllerTest, SelectionIsReleasedWhileTheEntriesStillExist)
{
    WriteBmp(P("a.bmp"));
    WriteBmp(P("b.bmp"));
    int calls = 0;
    list.OnSelectItem = [&](TListItem *item, bool selected) {
        ++calls;
        EXPECT_EQ(item, nullptr);
        EXPECT_FALSE(selected);
        ASSERT_EQ(qlo.Catalogue().size(), 2u);
        ASSERT_EQ(list.Count(), 2);
        for (int i = 0; i < list.Count(); ++i) {
            TCallbackLoadData *entry = list.Item(i).Data;
            EXPECT_EQ(ExtractFileName(entry->FileName), list.Item(i).Caption); // still alive
            entry->Image->Picture.Clear();
        }
    };
    Catalogue(root);
    EXPECT_EQ(calls, 0); // the first run has nothing to release
    Catalogue(root);
    EXPECT_EQ(calls, 1);
    Catalogue(root); // the same path again catalogues anew
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(ControllerTest, FailureInAfterSearchLeavesTheControllerIdle)
{
    WriteBmp(P("a.bmp"));
    Catalogue(root);
    onAfterSearch = [] { throw Error("handler failed"); };
    events.clear();
    EXPECT_THROW(qlo.SetPath(root), Error);
    EXPECT_TRUE(qlo.IsIdle());
    EXPECT_EQ(events, Strings{"AfterSearch 70"});
    onAfterSearch = nullptr;
    Catalogue(root);
    EXPECT_EQ(Rows(), Strings{"a.bmp"});
}

TEST_F(ControllerTest, FailuresInProgressOrAfterLoadAreSwallowed)
{
    WriteBmp(P("a.bmp"));
    WriteBmp(P("b.bmp"));
    onProgress = [] { throw Error("progress failed"); };
    Catalogue(root);
    EXPECT_EQ(qlo.Catalogue().size(), 1u);
    EXPECT_EQ(list.Count(), 1);
    onProgress = nullptr;
    onAfterLoad = [] { throw std::runtime_error("after load failed"); };
    Catalogue(root);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(qlo.IsIdle());
}

TEST_F(ControllerTest, ListingPutsBackARewriteThatAKillInterrupted)
{
    WriteBytes(P("a.bmp"), {'t', 'o', 'r', 'n'});
    struct stat st {};
    ASSERT_EQ(::stat(P("a.bmp").c_str(), &st), 0);
    WriteBytes(P(".quillo-backup-" + std::to_string(st.st_ino) + "-a.bmp~"), {'o', 'l', 'd'});
    qlo.Mask = "*";
    Catalogue(root);
    EXPECT_EQ(ReadBytes(P("a.bmp")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(qlo.RolledBack().Restored, Strings{"a.bmp"});
    // Put back before the listing looked at it: the file as restored, the backup gone.
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(qlo.TotalSize(), 3);
    EXPECT_EQ(QDir(QString::fromStdString(root)).entryList(QDir::Files | QDir::Hidden), QStringList{"a.bmp"});
}

TEST_F(ControllerTest, DestroyingTheControllerEmptiesTheList)
{
    WriteBmp(P("a.bmp"));
    {
        TQloController other;
        other.Mask = "*.bmp";
        other.ListView = &list;
        other.SetPath(root);
        EXPECT_EQ(list.Count(), 1);
    }
    EXPECT_EQ(list.Count(), 0);
    // A list destroyed before its controller is not touched.
    auto gone = std::make_unique<TFileListModel>();
    qlo.ListView = gone.get();
    Catalogue(root);
    gone.reset();
    EXPECT_TRUE(qlo.ListView.isNull());
    Catalogue(root);
}

// ---- copy to folder ----------------------------------------------------------

class CopyToFolderTest : public ControllerTest {
protected:
    void SetUp() override
    {
        ControllerTest::SetUp();
        WriteBmp(P("a.bmp"), 100, 0x11);
        WriteBmp(P("b.bmp"), 100, 0x22);
        WriteBmp(P("c.jpg"), 100, 0x33); // a bitmap under a JPEG name: plain copies do not care
        original = {ReadBytes(P("a.bmp")), ReadBytes(P("b.bmp")), ReadBytes(P("c.jpg"))};
        qlo.Preload = false;
    }
    std::string Target(const std::string &name) const { return root + "/target/" + name; }
    std::vector<std::vector<std::uint8_t>> original;
};

TEST_F(CopyToFolderTest, EmptyTargetCopiesEverythingWithoutAQuestion)
{
    Catalogue(root);
    TScriptedMessages box(TMsgResult::Yes);
    qlo.CopyToFolder(root + "/target/deeper");
    EXPECT_TRUE(box.Asked.empty());
    EXPECT_EQ(ReadBytes(root + "/target/deeper/a.bmp"), original[0]);
    EXPECT_EQ(ReadBytes(root + "/target/deeper/b.bmp"), original[1]);
    EXPECT_EQ(ReadBytes(root + "/target/deeper/c.jpg"), original[2]);
}

TEST_F(CopyToFolderTest, ClashingNamesAnsweredNoStayUntouched)
{
    Catalogue(root);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "/target")));
    WriteBytes(Target("a.bmp"), {'o', 'l', 'd', 'a'});
    WriteBytes(Target("c.jpg"), {'o', 'l', 'd', 'c'});
    TScriptedMessages box(TMsgResult::No);
    qlo.CopyToFolder(root + "/target/");
    ASSERT_EQ(box.Asked.size(), 2u);
    EXPECT_EQ(box.Asked[0].Text, "Het bestand " + Target("a.bmp") +
                                     " bestaat reeds.\rWilt u het bestand overschrijven?\r\r"
                                     "English: This file already exists. Overwrite?");
    EXPECT_EQ(box.Asked[0].Caption, "Bevestig overschrijven...");
    EXPECT_EQ(box.Asked[0].Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(box.Asked[0].Icon, TMsgIcon::Exclamation);
    EXPECT_EQ(ReadBytes(Target("a.bmp")), (std::vector<std::uint8_t>{'o', 'l', 'd', 'a'}));
    EXPECT_EQ(ReadBytes(Target("c.jpg")), (std::vector<std::uint8_t>{'o', 'l', 'd', 'c'}));
    EXPECT_EQ(ReadBytes(Target("b.bmp")), original[1]);

    box.Answer = TMsgResult::Yes;
    qlo.CopyToFolder(root + "/target");
    EXPECT_EQ(box.Asked.size(), 5u);
    EXPECT_EQ(ReadBytes(Target("a.bmp")), original[0]);
    EXPECT_EQ(ReadBytes(Target("c.jpg")), original[2]);
}

TEST_F(CopyToFolderTest, IntoTheCataloguedFolderItselfAsksAndKeepsEveryFile)
{
    for (const bool preload : {false, true}) {
        qlo.Preload = preload;
        qlo.Mask = "*.bmp"; // the preloaded pictures must be real bitmaps
        Catalogue(root);
        ASSERT_EQ(qlo.Catalogue().size(), 2u);
        ASSERT_EQ(qlo.Catalogue()[0]->Loaded, preload);
        TScriptedMessages box(TMsgResult::Yes);
        qlo.CopyToFolder(root);
        EXPECT_EQ(box.Asked.size(), 2u);
        EXPECT_EQ(ReadBytes(P("a.bmp")), original[0]);
        EXPECT_EQ(ReadBytes(P("b.bmp")), original[1]);
        EXPECT_EQ(QDir(QString::fromStdString(root)).entryList(QDir::Files).size(), 3);
    }
}

TEST_F(CopyToFolderTest, PreloadedPicturesAreCopiedAsTheirFilesAreNow)
{
    qlo.Mask = "*.bmp";
    qlo.Preload = true;
    Catalogue(root);
    ASSERT_TRUE(qlo.Catalogue()[0]->Loaded);
    WriteBytes(P("a.bmp"), {'e', 'd', 'i', 't'}); // another program's edit since the listing
    ::unlink(P("b.bmp").c_str());                  // gone from the folder, still in memory
    TScriptedMessages box(TMsgResult::Yes);
    qlo.CopyToFolder(root + "/target");
    EXPECT_EQ(ReadBytes(Target("a.bmp")), (std::vector<std::uint8_t>{'e', 'd', 'i', 't'}));
    EXPECT_FALSE(FileExists(Target("b.bmp")));
    ASSERT_EQ(box.Asked.size(), 1u);
    EXPECT_EQ(box.Asked[0].Text, "Not every file could be copied to " + root + "/target/:\r\r" + P("b.bmp") +
                                     "\rNo such file or directory");
}

TEST_F(CopyToFolderTest, FifosNamedLikePicturesNeverHangTheCopy)
{
    ASSERT_EQ(::mkfifo(P("d.bmp").c_str(), 0644), 0); // listed, copied from: refused at once
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "/target")));
    ASSERT_EQ(::mkfifo(Target("a.bmp").c_str(), 0644), 0); // copied onto: refused at once
    Catalogue(root);
    EXPECT_EQ(Rows(), (Strings{"a.bmp", "b.bmp", "c.jpg", "d.bmp"}));
    TScriptedMessages box(TMsgResult::Yes);
    qlo.CopyToFolder(root + "/target");
    struct stat st {};
    ASSERT_EQ(::lstat(Target("a.bmp").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(FileExists(Target("d.bmp")));
    EXPECT_EQ(ReadBytes(Target("b.bmp")), original[1]);
    EXPECT_EQ(ReadBytes(Target("c.jpg")), original[2]);
}

TEST_F(CopyToFolderTest, AVanishedFileIsNamedAndTheOthersAreCopied)
{
    Catalogue(root);
    ::unlink(P("a.bmp").c_str());
    TScriptedMessages box(TMsgResult::Yes);
    qlo.CopyToFolder(root + "/target");
    EXPECT_FALSE(FileExists(Target("a.bmp")));
    ASSERT_EQ(box.Asked.size(), 1u);
    EXPECT_NE(box.Asked[0].Text.find(P("a.bmp") + "\rNo such file or directory"), std::string::npos);
    EXPECT_EQ(ReadBytes(Target("b.bmp")), original[1]);
    EXPECT_EQ(ReadBytes(Target("c.jpg")), original[2]);
}

} // namespace
