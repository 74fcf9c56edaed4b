// SPDX-License-Identifier: GPL-3.0-or-later
// Mask splitting, the folder search and the entries made from its hits.
#include "CatalogueFixtures.h"
#include "catalogue/QloThreads.h"
#include "platform/Errors.h"

#include <QDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <set>

using namespace quillo;
using namespace quillo::testing;

namespace {

using Strings = std::vector<std::string>;

TEST(SplitMask, FollowsTheDelimiterQuoteAndBlankRules)
{
    EXPECT_EQ(SplitMask("*.bmp;*.jpg;*.jpeg"), (Strings{"*.bmp", "*.jpg", "*.jpeg"}));
    EXPECT_EQ(SplitMask("*.bmp; *.jpg"), (Strings{"*.bmp", "*.jpg"}));
    EXPECT_EQ(SplitMask("*.a b"), (Strings{"*.a", "b"}));
    EXPECT_EQ(SplitMask("  \t*.bmp  ;  *.jpg  "), (Strings{"*.bmp", "*.jpg"}));
    EXPECT_EQ(SplitMask("\"my pics*.jpg\";x"), (Strings{"my pics*.jpg", "x"}));
    EXPECT_EQ(SplitMask("\"say \"\"hi\"\".jpg\""), (Strings{"say \"hi\".jpg"}));
    EXPECT_EQ(SplitMask("\"unterminated; x"), (Strings{"unterminated; x"}));
    EXPECT_EQ(SplitMask("*.bmp;"), (Strings{"*.bmp", ""}));
    EXPECT_EQ(SplitMask("*.bmp; "), (Strings{"*.bmp"})); // the ";" is not the last character
    EXPECT_EQ(SplitMask(";"), (Strings{"", ""}));
    EXPECT_EQ(SplitMask(";;a"), (Strings{"", "", "a"}));
    EXPECT_EQ(SplitMask(""), Strings{});
    EXPECT_EQ(SplitMask("   "), Strings{});
    EXPECT_EQ(SplitMask(std::string("a\0b", 3)), Strings{"a"});
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = DirPath(dir);
    }
    std::string P(const std::string &name) const { return root + "/" + name; }

    // Runs a search job and returns the full paths it reported, in order.
    Strings Search(const std::string &path, const std::string &mask, bool *ended = nullptr)
    {
        Strings found;
        TSearchData data;
        data.Path = path;
        data.Masks = std::make_shared<const Strings>(SplitMask(mask));
        data.OnFound = [&](std::unique_ptr<TCallbackSearchData> hit) { found.push_back(hit->FileName); };
        TSearchThread job(true, data);
        job.OnTerminate = [&](TJobThread *sender) {
            EXPECT_EQ(sender, &job);
            EXPECT_FALSE(job.Terminated());
            if (ended)
                *ended = true;
        };
        job.RunJob();
        EXPECT_TRUE(job.Terminated());
        return found;
    }

    QTemporaryDir dir;
    std::string root;
};

TEST_F(SearchTest, GroupsHitsByPatternAndReportsMatchingSubFolders)
{
    WriteBmp(P("a.JPG"));
    WriteBmp(P("b.bmp"));
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(P("c.jpg"))));
    WriteBmp(P("notes.txt"));

    const Strings hits = Search(root, "*.bmp;*.jpg;*.jpeg");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0], P("b.bmp"));
    // The second pattern's hits come in file-system order, whatever it is.
    EXPECT_EQ((std::set<std::string>{hits[1], hits[2]}), (std::set<std::string>{P("a.JPG"), P("c.jpg")}));

    // With and without a trailing delimiter the full paths are the same.
    EXPECT_EQ(Search(root + "/", "*.bmp;*.jpg;*.jpeg"), hits);
}

TEST_F(SearchTest, ReportsAFileOncePerMatchingPattern)
{
    WriteBmp(P("x.jpg"));
    EXPECT_EQ(Search(root, "*.jpg;x.*;*.JPG"), (Strings{P("x.jpg"), P("x.jpg"), P("x.jpg")}));
}

TEST_F(SearchTest, NothingToFindStillEndsNormally)
{
    WriteBmp(P("x.jpg"));
    bool ended = false;
    EXPECT_TRUE(Search(root, "*.bmp", &ended).empty());
    EXPECT_TRUE(ended);
    ended = false;
    EXPECT_TRUE(Search(root + "/missing", "*.jpg", &ended).empty());
    EXPECT_TRUE(ended);
    EXPECT_TRUE(Search(root, "", &ended).empty());
    EXPECT_TRUE(Search(root, ";", &ended).empty());
    EXPECT_EQ(Search(root, "*.jpg;"), Strings{P("x.jpg")}); // the empty pattern adds nothing
}

TEST_F(SearchTest, WithoutHandlerNothingIsListed)
{
    WriteBmp(P("x.jpg"));
    TSearchData data;
    data.Path = root;
    data.Masks = std::make_shared<const Strings>(Strings{"*.jpg"});
    TSearchThread job(true, data);
    bool ended = false;
    job.OnTerminate = [&](TJobThread *) { ended = true; };
    job.RunJob();
    EXPECT_TRUE(ended);
}

TEST_F(SearchTest, HitCarriesTheListingSizeAndDate)
{
    WriteBmp(P("small.jpg"), 1000);
    std::vector<std::unique_ptr<TCallbackSearchData>> hits;
    TSearchData data;
    data.Path = root;
    data.Masks = std::make_shared<const Strings>(Strings{"small.jpg"});
    data.OnFound = [&](std::unique_ptr<TCallbackSearchData> hit) { hits.push_back(std::move(hit)); };
    TSearchThread(true, data).RunJob();
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0]->Size, 1000);
    struct stat st {};
    ASSERT_EQ(::stat(P("small.jpg").c_str(), &st), 0);
    EXPECT_DOUBLE_EQ(hits[0]->Date, FileTimeToDateTime(st.st_mtime));
}

TEST_F(SearchTest, FailureInTheHandlerLeavesTheScan)
{
    WriteBmp(P("a.jpg"));
    WriteBmp(P("b.jpg"));
    int calls = 0;
    TSearchData data;
    data.Path = root;
    data.Masks = std::make_shared<const Strings>(Strings{"*.jpg"});
    data.OnFound = [&](std::unique_ptr<TCallbackSearchData>) {
        ++calls;
        throw Error("refused");
    };
    TSearchThread job(true, data);
    EXPECT_THROW(job.RunJob(), Error);
    EXPECT_EQ(calls, 1);
}

TEST(CatalogueEntry, WithoutPreloadTouchesNoFileAndCopiesTheHit)
{
    const TCallbackSearchData hit("/no/such/folder/x.jpg", 12345, 45000.5);
    const TCallbackLoadData entry(hit.FileName, hit, false);
    EXPECT_FALSE(entry.Loaded);
    EXPECT_EQ(entry.FileName, hit.FileName);
    EXPECT_EQ(entry.Size, 12345);
    EXPECT_EQ(entry.Date, 45000.5);
    ASSERT_TRUE(entry.Image);
    EXPECT_TRUE(entry.Image->Picture.Empty());
    EXPECT_TRUE(entry.Image->AutoSave);
}

TEST(CatalogueEntry, PreloadReadsThePictureOrFailsWhole)
{
    QTemporaryDir dir;
    const std::string good = DirPath(dir) + "/good.bmp";
    const std::string bad = DirPath(dir) + "/bad.bmp";
    WriteBmp(good);
    WriteBytes(bad, {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});

    const TCallbackLoadData entry(good, TCallbackSearchData(good, 70, 1.0), true);
    EXPECT_TRUE(entry.Loaded);
    EXPECT_TRUE(entry.Image->AutoSave);
    EXPECT_EQ(entry.Image->Picture.Width(), 2);

    EXPECT_THROW(TCallbackLoadData(bad, TCallbackSearchData(bad, 9, 1.0), true), Error);
    EXPECT_THROW(TCallbackLoadData(DirPath(dir), TCallbackSearchData(DirPath(dir), 0, 1.0), true), Error);
    const std::string gone = DirPath(dir) + "/gone.bmp";
    EXPECT_THROW(TCallbackLoadData(gone, TCallbackSearchData(gone, 70, 1.0), true), Error);
}

} // namespace
