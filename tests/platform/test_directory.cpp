// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Directory.h"
#include "platform/Files.h"
#include "TempFolder.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillo;
using quillo::test::TempFolder;

namespace {

std::vector<std::uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }

std::map<std::string, TSearchRec> List(const std::string &folder, const std::string &pattern)
{
    std::map<std::string, TSearchRec> found;
    EXPECT_TRUE(EnumerateDirectory(folder, pattern, [&](const TSearchRec &r) {
        EXPECT_TRUE(found.emplace(r.Name, r).second) << "listed twice: " << r.Name;
    }));
    return found;
}

// Runs a test body with TZ set, restoring the process's zone afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *tz)
    {
        if (const char *old = std::getenv("TZ")) {
            had_ = true;
            old_ = old;
        }
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (had_)
            ::setenv("TZ", old_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

std::int64_t UnixTimeUtc(int y, int mo, int d, int h, int mi, int s)
{
    std::tm tm {};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return ::timegm(&tm);
}

} // namespace

TEST(MatchesMask, WildcardsAndCase)
{
    EXPECT_TRUE(MatchesMask("photo.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesMask("PHOTO.jpeg", "*.JPEG"));
    EXPECT_FALSE(MatchesMask("photo.jpeg", "*.jpg"));
    EXPECT_FALSE(MatchesMask("photo.jpg.txt", "*.jpg"));
    EXPECT_TRUE(MatchesMask(".jpg", "*.jpg"));
    EXPECT_TRUE(MatchesMask("a.b.c.jpg", "*.*.jpg"));
    EXPECT_TRUE(MatchesMask("img_0042.bmp", "img_00??.bmp"));
    EXPECT_FALSE(MatchesMask("img_042.bmp", "img_00??.bmp"));
    EXPECT_TRUE(MatchesMask("abc", "a*b*c"));
    EXPECT_TRUE(MatchesMask("aXbYbc", "a*b*c"));
    EXPECT_FALSE(MatchesMask("aXbYbd", "a*b*c"));
    EXPECT_TRUE(MatchesMask("anything", "*"));
    EXPECT_TRUE(MatchesMask("x", "**"));
    EXPECT_FALSE(MatchesMask("x", ""));
    EXPECT_FALSE(MatchesMask("", "?"));
    // Only ASCII letters fold; other bytes compare exactly.
    EXPECT_FALSE(MatchesMask("\xC3\xA9.jpg", "\xC3\x89.jpg"));
    // "?" stands for one character, also a multi-byte one, and for a stray byte.
    EXPECT_TRUE(MatchesMask("\xC3\xA9.jpg", "?.jpg"));
    EXPECT_TRUE(MatchesMask("\xFF.jpg", "?.jpg"));
    EXPECT_FALSE(MatchesMask("\xC3\xA9.jpg", "??.jpg"));
}

TEST(MatchesMask, PathologicalPatternsStayFast)
{
    // A backtracking matcher takes exponentially many steps here; ours stays within
    // name length x pattern length, counted rather than timed. The name ends as the
    // patterns do, so the quick test of the end lets them through to the scan.
    const std::string name = std::string(5000, 'a') + "b";
    const auto bound = [&](const std::string &n, const std::string &p) { return (n.size() + 1) * (p.size() + 1); };
    std::size_t steps = 0;
    for (const std::string pattern : {"*a*a*a*a*a*a*a*a*a*a*a*c*b", "*?*?*?*?*?*?*?*?*?*?*?*c*b"}) {
        EXPECT_FALSE(MatchesMask(name, pattern, &steps)) << pattern;
        EXPECT_GT(steps, name.size()) << pattern; // the counter does count
        EXPECT_LE(steps, bound(name, pattern)) << pattern;
    }
    EXPECT_TRUE(MatchesMask(name, "*a*a*a*a*a*a*a*a*a*a*a*a*b", &steps));
    EXPECT_LE(steps, bound(name, "*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    // A name without the pattern's literal end is refused without a scan.
    EXPECT_FALSE(MatchesMask(std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*a*a*a*a*b", &steps));
    EXPECT_EQ(steps, 1u);
    EXPECT_TRUE(MatchesMask("Shot.PnG", "*.png"));
    EXPECT_FALSE(MatchesMask("png", "*.png"));
}

TEST(EnumerateDirectory, ListsOddNamesAndFoldersWithTrueData)
{
    TempFolder dir;
    const std::string root = dir.path();
    const std::vector<std::string> names = {"with space.jpg", "quote\"d'.JPG", "caf\xC3\xA9.jpg",
                                            "bad\xFF\xFEutf8.jpg", "other.bmp"};
    for (const auto &n : names)
        SafeWriteFile(root + "/" + n, Bytes("data:" + n));
    ASSERT_EQ(::mkdir((root + "/sub.jpg").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("nowhere.jpg", (root + "/dangling.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("other.bmp", (root + "/link.jpg").c_str()), 0);

    const auto found = List(root, "*.JPG");
    ASSERT_EQ(found.size(), 6u); // four files, the folder and the live link
    for (const auto &n : {names[0], names[1], names[2], names[3]}) {
        ASSERT_TRUE(found.count(n)) << n;
        EXPECT_FALSE(found.at(n).IsDirectory);
        EXPECT_EQ(found.at(n).Size, static_cast<std::int64_t>(5 + n.size()));
        EXPECT_EQ(ReadFileBytes(root + "/" + n), Bytes("data:" + n)); // openable by its listed name
    }
    EXPECT_TRUE(found.at("sub.jpg").IsDirectory);
    EXPECT_FALSE(found.count("dangling.jpg"));
    EXPECT_EQ(found.at("link.jpg").Size, 14); // the target's size

    struct stat st {};
    ASSERT_EQ(::stat((root + "/other.bmp").c_str(), &st), 0);
    const auto bmp = List(root + "/", "*.bmp");
    ASSERT_EQ(bmp.size(), 1u);
    EXPECT_EQ(bmp.begin()->second.MTime, st.st_mtim.tv_sec);
    EXPECT_TRUE(List(root, "*.png").empty());
    EXPECT_TRUE(List(root, "").empty());
}

TEST(EnumerateDirectory, FolderThatCannotBeListed)
{
    TempFolder dir;
    const std::string root = dir.path();
    int calls = 0;
    auto count = [&](const TSearchRec &) { ++calls; };
    EXPECT_FALSE(EnumerateDirectory(root + "/missing", "*", count));
    SafeWriteFile(root + "/file", Bytes("x"));
    EXPECT_FALSE(EnumerateDirectory(root + "/file", "*", count));
    EXPECT_FALSE(EnumerateDirectory("", "*", count));
    if (::geteuid() != 0) {
        ASSERT_EQ(::mkdir((root + "/locked").c_str(), 0), 0);
        EXPECT_FALSE(EnumerateDirectory(root + "/locked", "*", count));
        ::chmod((root + "/locked").c_str(), 0755);
    }
    EXPECT_EQ(calls, 0);
}

TEST(EnumerateDirectory, ExceptionFromCallbackClosesTheListing)
{
    TempFolder dir;
    const std::string root = dir.path();
    SafeWriteFile(root + "/a.jpg", Bytes("x"));
    auto fdCount = [] {
        int n = 0;
        if (DIR *d = ::opendir("/proc/self/fd")) {
            while (::readdir(d))
                ++n;
            ::closedir(d);
        }
        return n;
    };
    const int before = fdCount();
    for (int i = 0; i < 20; ++i)
        EXPECT_THROW(EnumerateDirectory(root, "*", [](const TSearchRec &) { throw std::runtime_error("x"); }),
                     std::runtime_error);
    EXPECT_EQ(fdCount(), before);
}

TEST(EnumerateDirectory, ReportsSizesBeyondTwoGigabytes)
{
    TempFolder dir;
    const std::string path = dir.path() + "/huge.jpg";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const off_t size = (off_t(5) << 30) + 3; // sparse: no disk space used
    const bool made = ::ftruncate(fd, size) == 0;
    ::close(fd);
    if (!made)
        GTEST_SKIP() << "file system refuses large sparse files";
    const auto found = List(dir.path(), "*.jpg");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.at("huge.jpg").Size, static_cast<std::int64_t>(size));
}

TEST(FileSystem, ExistenceAndForceDirectories)
{
    TempFolder dir;
    const std::string root = dir.path();
    SafeWriteFile(root + "/f", Bytes("x"));
    EXPECT_TRUE(FileExists(root + "/f"));
    EXPECT_FALSE(DirectoryExists(root + "/f"));
    EXPECT_TRUE(DirectoryExists(root));
    EXPECT_FALSE(FileExists(root));
    EXPECT_FALSE(FileExists(root + "/none"));
    EXPECT_FALSE(FileExists(""));

    EXPECT_TRUE(ForceDirectories(root + "/a/b c/d/"));
    EXPECT_TRUE(DirectoryExists(root + "/a/b c/d"));
    EXPECT_TRUE(ForceDirectories(root + "/a/b c")); // already there
    EXPECT_FALSE(ForceDirectories(root + "/f/g")); // a file is in the way
    EXPECT_FALSE(ForceDirectories(""));
}

TEST(FileSystem, RenameNeverReplaces)
{
    TempFolder dir;
    const std::string root = dir.path();
    SafeWriteFile(root + "/a.jpg", Bytes("A"));
    SafeWriteFile(root + "/b.jpg", Bytes("B"));
    EXPECT_FALSE(RenameFile(root + "/a.jpg", root + "/b.jpg"));
    EXPECT_EQ(ReadFileBytes(root + "/a.jpg"), Bytes("A"));
    EXPECT_EQ(ReadFileBytes(root + "/b.jpg"), Bytes("B"));

    EXPECT_TRUE(RenameFile(root + "/a.jpg", root + "/c\xFF.jpg"));
    EXPECT_FALSE(FileExists(root + "/a.jpg"));
    EXPECT_EQ(ReadFileBytes(root + "/c\xFF.jpg"), Bytes("A"));
    EXPECT_FALSE(RenameFile(root + "/missing.jpg", root + "/d.jpg"));
    EXPECT_FALSE(RenameFile(root + "/b.jpg", root + "/no/such/folder.jpg"));
    EXPECT_TRUE(FileExists(root + "/b.jpg"));
}

TEST(FileSystem, CopyReplacesButNeverOntoItself)
{
    TempFolder dir;
    const std::string root = dir.path();
    SafeWriteFile(root + "/a.jpg", Bytes("picture"));
    SafeWriteFile(root + "/b.jpg", Bytes("old"));
    EXPECT_TRUE(CopyFileReplacing(root + "/a.jpg", root + "/b.jpg"));
    EXPECT_EQ(ReadFileBytes(root + "/b.jpg"), Bytes("picture"));

    EXPECT_FALSE(CopyFileReplacing(root + "/a.jpg", root + "/a.jpg"));
    EXPECT_FALSE(CopyFileReplacing(root + "/a.jpg", root + "/./a.jpg"));
    ASSERT_EQ(::link((root + "/a.jpg").c_str(), (root + "/hard.jpg").c_str()), 0);
    EXPECT_FALSE(CopyFileReplacing(root + "/hard.jpg", root + "/a.jpg"));
    ASSERT_EQ(::symlink("a.jpg", (root + "/soft.jpg").c_str()), 0);
    EXPECT_FALSE(CopyFileReplacing(root + "/a.jpg", root + "/soft.jpg"));
    EXPECT_EQ(ReadFileBytes(root + "/a.jpg"), Bytes("picture"));

    EXPECT_FALSE(CopyFileReplacing(root + "/missing.jpg", root + "/c.jpg"));
    EXPECT_FALSE(FileExists(root + "/c.jpg"));
    EXPECT_FALSE(CopyFileReplacing(root + "/a.jpg", root + "/no/such/c.jpg"));
}

TEST(FileTimeToDateTime, LocalTimeInTwoSecondSteps)
{
    ScopedTimeZone utc("UTC0");
    // 30 Dec 1899 is day 0; 1 Jan 2000 is day 36526.
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(UnixTimeUtc(2000, 1, 1, 0, 0, 0)), 36526.0);
    const double noonish = 36526.0 + (13 * 3600 + 45 * 60 + 30) / 86400.0;
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(UnixTimeUtc(2000, 1, 1, 13, 45, 31)), noonish);
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(UnixTimeUtc(2000, 1, 1, 13, 45, 30)), noonish);
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(UnixTimeUtc(2024, 2, 29, 0, 0, 1)), 45351.0);

    // Outside the packed form's years: clamped to its first and last moments.
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(0), FileTimeToDateTime(UnixTimeUtc(1980, 1, 1, 0, 0, 0)));
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(-1000000000), 29221.0);
    const double last = FileTimeToDateTime(UnixTimeUtc(2107, 12, 31, 23, 59, 59));
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(UnixTimeUtc(2200, 6, 1, 0, 0, 0)), last);
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(INT64_MAX), last);
}

TEST(FileTimeToDateTime, FollowsTheLocalZone)
{
    const std::int64_t t = UnixTimeUtc(2021, 7, 1, 22, 30, 0);
    ScopedTimeZone zone("XYZ-3"); // three hours east of UTC: already 2 July, 01:30
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(t), 44379.0 + 1.5 / 24.0);
}

// Several patterns from one reading: all matches of the first pattern before any
// of the second, each with its true data, and a name that matches two patterns
// once for each.
TEST(EnumerateDirectory, SeveralPatternsComePatternByPattern)
{
    TempFolder dir;
    const std::string root = dir.path();
    for (const char *name : {"a.jpg", "b.bmp", "c.JPG", "d.txt", "e.bmp"})
        SafeWriteFile(root + "/" + name, Bytes(name));
    std::vector<std::string> order;
    EXPECT_TRUE(EnumerateDirectory(root, std::vector<std::string>{"*.bmp", "*.jpg", "?.jpg"},
                                   [&](const TSearchRec &r) {
                                       EXPECT_EQ(r.Size, static_cast<std::int64_t>(r.Name.size()));
                                       order.push_back(r.Name);
                                   }));
    ASSERT_EQ(order.size(), 6u);
    std::sort(order.begin(), order.begin() + 2);
    std::sort(order.begin() + 2, order.begin() + 4);
    std::sort(order.begin() + 4, order.end());
    EXPECT_EQ(order, (std::vector<std::string>{"b.bmp", "e.bmp", "a.jpg", "c.JPG", "a.jpg", "c.JPG"}));
    EXPECT_FALSE(EnumerateDirectory(root + "/missing", std::vector<std::string>{"*"}, [](const TSearchRec &) {}));
}
