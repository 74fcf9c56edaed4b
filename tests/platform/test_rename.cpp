// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Rename.h"

#include <cstddef>
#include <functional>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace quillo;
using quillo::test::TempFolder;

namespace {

std::vector<std::uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }
bool Exists(const std::string &p)
{
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

using RenameFn = void (*)(const std::string &, const std::string &);

constexpr int kNoSandbox = 100;

// Runs `body` in a child process whose renameat2 fails with `renameErr` and whose
// hard links fail with `linkErr` (0 leaves them be), as on file systems that lack
// them. The child's exit status is body's result, or kNoSandbox.
int WithoutSyscalls(int renameErr, int linkErr, const std::function<int()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<sock_filter> f{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
        const auto fail = [&](int nr, int err) {
            if (err == 0)
                return;
            f.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(nr), 0, 1));
            f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | static_cast<unsigned>(err)));
        };
        fail(__NR_renameat2, renameErr);
        fail(__NR_linkat, linkErr);
#ifdef __NR_link
        fail(__NR_link, linkErr);
#endif
        f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
        const sock_fprog prog{static_cast<unsigned short>(f.size()), f.data()};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) != 0)
            ::_exit(kNoSandbox);
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST(NewName, RefusesWhatWindowsRefusesAndStaysInItsFolder)
{
    EXPECT_TRUE(IsAllowedNewName("holiday", ".jpg"));
    EXPECT_TRUE(IsAllowedNewName("holiday.png", ".jpg"));
    EXPECT_TRUE(IsAllowedNewName("", ".jpg")) << "an empty name leaves a file named by its extension";
    EXPECT_TRUE(IsAllowedNewName("...x", ".jpg"));
    EXPECT_TRUE(IsAllowedNewName("vakantie \xc3\xa9t\xc3\xa9", ".jpeg")) << "non-ASCII bytes are names too";
    EXPECT_FALSE(IsAllowedNewName("", ""));
    EXPECT_FALSE(IsAllowedNewName(".", ".jpg"));
    EXPECT_FALSE(IsAllowedNewName("..", ".jpg"));
    EXPECT_FALSE(IsAllowedNewName("..", ""));
    for (const char c : std::string("/\\:*?<>|\"\t\n\r\x01\x1f\x7f")) {
        EXPECT_FALSE(IsAllowedNewName(std::string("a") + c + "b", ".jpg")) << int(c);
        EXPECT_FALSE(IsAllowedNewName("ab", std::string(".j") + c)) << int(c);
    }
    EXPECT_FALSE(IsAllowedNewName(std::string("a\0b", 3), ".jpg"));
}

class RenameWays : public ::testing::TestWithParam<RenameFn> {};

TEST_P(RenameWays, MovesTheFileAndNeverReplacesAnother)
{
    TempFolder dir;
    const RenameFn rename = GetParam();
    SafeWriteFile(dir / "photo.jpg", Bytes("photo"));
    SafeWriteFile(dir / "taken.jpg", Bytes("other"));

    rename(dir / "photo.jpg", dir / "holiday.jpg");
    EXPECT_FALSE(Exists(dir / "photo.jpg"));
    EXPECT_EQ(ReadFileBytes(dir / "holiday.jpg"), Bytes("photo"));

    EXPECT_THROW(rename(dir / "holiday.jpg", dir / "taken.jpg"), Error);
    EXPECT_EQ(ReadFileBytes(dir / "holiday.jpg"), Bytes("photo"));
    EXPECT_EQ(ReadFileBytes(dir / "taken.jpg"), Bytes("other"));

    EXPECT_THROW(rename(dir / "gone.jpg", dir / "new.jpg"), Error);
    EXPECT_FALSE(Exists(dir / "new.jpg")) << "a failed rename leaves nothing behind";
}

TEST_P(RenameWays, KeepsModeAndRenamesALinkItself)
{
    TempFolder dir;
    const RenameFn rename = GetParam();
    SafeWriteFile(dir / "a.bmp", Bytes("pixels"));
    ASSERT_EQ(::chmod((dir / "a.bmp").c_str(), 0444), 0);
    rename(dir / "a.bmp", dir / "b.bmp");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "b.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(st.st_nlink, 1u) << "no second name stays behind";

    ASSERT_EQ(::symlink("b.bmp", (dir / "link.bmp").c_str()), 0);
    rename(dir / "link.bmp", dir / "moved.bmp");
    ASSERT_EQ(::lstat((dir / "moved.bmp").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFileBytes(dir / "b.bmp"), Bytes("pixels"));
}

INSTANTIATE_TEST_SUITE_P(Rename, RenameWays,
                         ::testing::Values(&RenameFileNoReplace, &detail::RenameByLink,
                                           &detail::RenameByPlaceholder));

// ext4 and tmpfs have both calls, so the fallbacks are reached only where the
// calls are made to fail: without a no-replace rename (EINVAL), and without hard
// links as well (EPERM).
TEST(Rename, FallsBackWhereTheFileSystemLacksNoReplaceRenameOrHardLinks)
{
    for (const int linkErr : {0, EPERM}) {
        TempFolder dir;
        SafeWriteFile(dir / "photo.jpg", Bytes("photo"));
        SafeWriteFile(dir / "taken.jpg", Bytes("other"));
        const int result = WithoutSyscalls(EINVAL, linkErr, [&] {
            try {
                RenameFileNoReplace(dir / "photo.jpg", dir / "holiday.jpg");
            } catch (const Error &) {
                return 1;
            }
            try {
                RenameFileNoReplace(dir / "holiday.jpg", dir / "taken.jpg");
                return 2;
            } catch (const Error &) {
                return 0;
            }
        });
        if (result == kNoSandbox)
            GTEST_SKIP() << "no seccomp filter to be had";
        EXPECT_EQ(result, 0) << "1: the rename failed, 2: it replaced a file; links fail with " << linkErr;
        EXPECT_FALSE(Exists(dir / "photo.jpg"));
        EXPECT_EQ(ReadFileBytes(dir / "holiday.jpg"), Bytes("photo"));
        EXPECT_EQ(ReadFileBytes(dir / "taken.jpg"), Bytes("other"));
        struct stat st {};
        ASSERT_EQ(::stat((dir / "holiday.jpg").c_str(), &st), 0);
        EXPECT_EQ(st.st_nlink, 1u);
    }
}

TEST(Rename, RefusesNamesAndTheSameName)
{
    TempFolder dir;
    SafeWriteFile(dir / "a.jpg", Bytes("a"));
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    for (const char *bad : {"wh?t.jpg", "a:b.jpg", "x\ny.jpg"}) {
        EXPECT_THROW(RenameFileNoReplace(dir / "a.jpg", dir / bad), Error) << bad;
        EXPECT_FALSE(Exists(dir / bad)) << bad;
    }
    EXPECT_THROW(RenameFileNoReplace(dir / "a.jpg", dir / ".."), Error);
    EXPECT_THROW(RenameFileNoReplace(dir / "a.jpg", dir / "a.jpg"), Error);
    EXPECT_THROW(RenameFileNoReplace(dir / "a.jpg", dir / "sub"), Error) << "a folder is an existing name";
    EXPECT_EQ(ReadFileBytes(dir / "a.jpg"), Bytes("a"));
}

TEST(Rename, RefusalMessageNamesBothFilesAndTheReason)
{
    TempFolder dir;
    SafeWriteFile(dir / "a.jpg", Bytes("a"));
    SafeWriteFile(dir / "b.jpg", Bytes("b"));
    try {
        RenameFileNoReplace(dir / "a.jpg", dir / "b.jpg");
        FAIL() << "no refusal";
    } catch (const Error &e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(dir / "a.jpg"), std::string::npos) << text;
        EXPECT_NE(text.find("already exists"), std::string::npos) << text;
    }
}
