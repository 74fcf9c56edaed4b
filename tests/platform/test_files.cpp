// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillo;

namespace {
std::vector<std::uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }
} // namespace

TEST(SafeWrite, MissingFolderFailsWithoutLeftovers)
{
    QTemporaryDir dir;
    EXPECT_THROW(SafeWriteFile(dir.path().toStdString() + "/no/such/x.bin", Bytes("x")), Error);
    // Nothing was made on the way: no folder, no temporary file.
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty());
    // A folder that exists but refuses the write (a file stands where the folder
    // should be) leaves nothing either.
    SafeWriteFile(dir.path().toStdString() + "/blocker", Bytes("x"));
    EXPECT_THROW(SafeWriteFile(dir.path().toStdString() + "/blocker/x.bin", Bytes("x")), Error);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{"blocker"});
    EXPECT_THROW(ReadFileBytes(dir.path().toStdString() + "/none"), Error);
    EXPECT_THROW(ReadFileBytes(dir.path().toStdString()), Error);
}

TEST(PathHelpers, SplitNamesAndExtensions)
{
    EXPECT_EQ(ExtractFileName("/a/b/c.jpg"), "c.jpg");
    EXPECT_EQ(ExtractFilePath("/a/b/c.jpg"), "/a/b/");
    EXPECT_EQ(ExtractFileExt("/a.d/b"), "");
    EXPECT_EQ(ExtractFileExt("/a/b.tar.JPEG"), ".JPEG");
    EXPECT_EQ(ChangeFileExt("/a.d/shot", ".bmp"), "/a.d/shot.bmp");
    EXPECT_EQ(ChangeFileExt("/a/shot.jpeg", ".jpg"), "/a/shot.jpg");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/x"), "/x/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/x/"), "/x/");
}
