// SPDX-License-Identifier: GPL-3.0-or-later
// The safe write keeps the file a person has: through links, with its owner and
// attributes, and whole when the write fails or the process is killed.
#include "platform/Directory.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "TempFolder.h"

#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace quillo;
using quillo::test::TempFolder;

namespace {

std::vector<std::uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }

// Bytes that span several write chunks, so that a write can be stopped half-way.
std::vector<std::uint8_t> Large(std::uint8_t seed, std::size_t extra = 0)
{
    std::vector<std::uint8_t> bytes(kSafeWriteChunk * 3 + 123 + extra);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 12));
    return bytes;
}

std::set<std::string> Entries(const std::string &folder)
{
    std::set<std::string> names;
    if (DIR *d = ::opendir(folder.c_str())) {
        while (const dirent *e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        ::closedir(d);
    }
    return names;
}

struct stat Stat(const std::string &path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// Fails the `failAt`-th call of `step` (counting from 1) with `err`.
struct Injection {
    TSafeWriteStep step;
    int failAt;
    int err;
    int seen = 0;
};

int Inject(TSafeWriteStep step, void *context)
{
    auto *inj = static_cast<Injection *>(context);
    if (step == inj->step && ++inj->seen == inj->failAt)
        return inj->err;
    return 0;
}

class ScopedHook {
public:
    explicit ScopedHook(Injection &inj) { SetSafeWriteHook(Inject, &inj); }
    ~ScopedHook() { SetSafeWriteHook(nullptr); }
};

std::string MessageOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(SafeWrite, FollowsSymbolicLinksToTheRealFile)
{
    TempFolder dir;
    ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "pics").c_str(), 0755), 0);
    SafeWriteFile(dir / "real/photo.jpg", Bytes("upright"));
    ASSERT_EQ(::symlink("../real/photo.jpg", (dir / "pics/link.jpg").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "pics/link.jpg").c_str(), (dir / "pics/chain.jpg").c_str()), 0);

    SafeWriteFile(dir / "pics/link.jpg", Bytes("turned"));
    EXPECT_EQ(ReadFileBytes(dir / "real/photo.jpg"), Bytes("turned"));
    SafeWriteFile(dir / "pics/chain.jpg", Bytes("turned twice"));
    EXPECT_EQ(ReadFileBytes(dir / "real/photo.jpg"), Bytes("turned twice"));

    struct stat st {};
    ASSERT_EQ(::lstat((dir / "pics/link.jpg").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::lstat((dir / "pics/chain.jpg").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Entries(dir / "real"), std::set<std::string>{"photo.jpg"});
    EXPECT_EQ(Entries(dir / "pics"), (std::set<std::string>{"chain.jpg", "link.jpg"}));

    // Each relative target is read from its own link's folder, at any depth.
    ASSERT_EQ(::mkdir((dir / "a").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "a/b").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("../../pics/link.jpg", (dir / "a/b/deep.jpg").c_str()), 0);
    SafeWriteFile(dir / "a/b/deep.jpg", Bytes("through three links"));
    EXPECT_EQ(ReadFileBytes(dir / "real/photo.jpg"), Bytes("through three links"));
    EXPECT_EQ(Entries(dir / "a/b"), std::set<std::string>{"deep.jpg"});

    // A dangling link makes the file it names; a looping one is refused.
    ASSERT_EQ(::symlink("../real/new.jpg", (dir / "pics/ahead.jpg").c_str()), 0);
    SafeWriteFile(dir / "pics/ahead.jpg", Bytes("new"));
    EXPECT_EQ(ReadFileBytes(dir / "real/new.jpg"), Bytes("new"));
    ASSERT_EQ(::symlink("loop.jpg", (dir / "pics/loop.jpg").c_str()), 0);
    EXPECT_THROW(SafeWriteFile(dir / "pics/loop.jpg", Bytes("x")), Error);

    // Read-only is judged on the real file.
    ASSERT_EQ(::chmod((dir / "real/photo.jpg").c_str(), 0444), 0);
    EXPECT_THROW(SafeWriteFile(dir / "pics/link.jpg", Bytes("lost")), Error);
    EXPECT_FALSE(SafeWriteCanWrite(dir / "pics/link.jpg"));
    EXPECT_EQ(ReadFileBytes(dir / "real/photo.jpg"), Bytes("through three links"));
    EXPECT_FALSE(SafeWriteCanWrite(dir / "pics/loop.jpg"));
}

TEST(SafeWrite, HardLinksStayOneFile)
{
    TempFolder dir;
    SafeWriteFile(dir / "a.jpg", Bytes("one picture, two names"));
    ASSERT_EQ(::link((dir / "a.jpg").c_str(), (dir / "b.jpg").c_str()), 0);
    ASSERT_EQ(::chmod((dir / "a.jpg").c_str(), 0640), 0);
    const ino_t inode = Stat(dir / "a.jpg").st_ino;

    SafeWriteFile(dir / "a.jpg", Bytes("shorter"));
    EXPECT_EQ(ReadFileBytes(dir / "b.jpg"), Bytes("shorter"));
    SafeWriteFile(dir / "b.jpg", Large(1));
    EXPECT_EQ(ReadFileBytes(dir / "a.jpg"), Large(1));

    const struct stat st = Stat(dir / "a.jpg");
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"a.jpg", "b.jpg"})); // no backup left
}

TEST(SafeWrite, FailedWriteOfAHardLinkedFilePutsTheOldBytesBack)
{
    TempFolder dir;
    SafeWriteFile(dir / "a.jpg", Large(2));
    ASSERT_EQ(::link((dir / "a.jpg").c_str(), (dir / "b.jpg").c_str()), 0);
    for (const TSafeWriteStep step : {TSafeWriteStep::CreateTemp, TSafeWriteStep::Backup, TSafeWriteStep::WriteChunk,
                                      TSafeWriteStep::Sync}) {
        // The second flush is the file's own, after the rewrite; the first is the backup's.
        Injection inj{step, step == TSafeWriteStep::WriteChunk ? 3 : step == TSafeWriteStep::Sync ? 2 : 1, ENOSPC};
        ScopedHook hook(inj);
        // Longer than the old bytes, so that the way back must shorten the file again.
        const std::string message = MessageOf([&] { SafeWriteFile(dir / "a.jpg", Large(3, 4567)); });
        EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
        EXPECT_EQ(ReadFileBytes(dir / "b.jpg"), Large(2)) << static_cast<int>(step);
        EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"a.jpg", "b.jpg"}));
    }
    EXPECT_EQ(Stat(dir / "a.jpg").st_nlink, 2u);

    // When even the way back fails, the old bytes stay in the named backup.
    Injection restore{TSafeWriteStep::Restore, 1, EIO};
    Injection write{TSafeWriteStep::WriteChunk, 2, ENOSPC};
    struct Both {
        Injection *a, *b;
    } both{&write, &restore};
    SetSafeWriteHook(
        [](TSafeWriteStep step, void *context) {
            auto *p = static_cast<Both *>(context);
            const int err = Inject(step, p->a);
            return err ? err : Inject(step, p->b);
        },
        &both);
    const std::string message = MessageOf([&] { SafeWriteFile(dir / "a.jpg", Large(4)); });
    SetSafeWriteHook(nullptr);
    const std::set<std::string> left = Entries(dir.path());
    ASSERT_EQ(left.size(), 3u);
    std::string backup;
    for (const auto &n : left)
        if (n != "a.jpg" && n != "b.jpg")
            backup = n;
    EXPECT_NE(message.find(backup), std::string::npos) << message;
    EXPECT_EQ(ReadFileBytes(dir / backup), Large(2));
}

TEST(SafeWrite, KeepsModeOwnerAndAttributes)
{
    TempFolder dir;
    const std::string path = dir / "photo.jpg";
    SafeWriteFile(path, Bytes("first"));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 12345, 23456), 0);
    }
    const bool xattrs = ::setxattr(path.c_str(), "user.quillo.note", "kept", 4, 0) == 0;

    SafeWriteFile(path, Bytes("second"));
    EXPECT_EQ(ReadFileBytes(path), Bytes("second"));
    const struct stat st = Stat(path);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 12345u);
        EXPECT_EQ(st.st_gid, 23456u);
    }
    if (xattrs) {
        char value[16] = {};
        EXPECT_EQ(::getxattr(path.c_str(), "user.quillo.note", value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
    }
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"photo.jpg"});
}

TEST(SafeWrite, NewFileTakesTheUmaskWithoutChangingIt)
{
    TempFolder dir;
    const mode_t before = ::umask(027);
    SafeWriteFile(dir / "new.jpg", Bytes("x"));
    EXPECT_EQ(::umask(before), 027u);
    EXPECT_EQ(Stat(dir / "new.jpg").st_mode & 0777, 0640u);
}

TEST(SafeWrite, FailureAtAnyStepKeepsTheOldFileAndLeavesNothing)
{
    TempFolder dir;
    const std::string path = dir / "photo.jpg";
    SafeWriteFile(path, Large(5));
    for (const TSafeWriteStep step :
         {TSafeWriteStep::CreateTemp, TSafeWriteStep::WriteChunk, TSafeWriteStep::Sync, TSafeWriteStep::Replace}) {
        Injection inj{step, step == TSafeWriteStep::WriteChunk ? 2 : 1, step == TSafeWriteStep::Sync ? EIO : ENOSPC};
        ScopedHook hook(inj);
        const std::string message = MessageOf([&] { SafeWriteFile(path, Large(6)); });
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(std::strerror(inj.err)), std::string::npos) << message;
        EXPECT_EQ(ReadFileBytes(path), Large(5)) << static_cast<int>(step);
        EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"photo.jpg"});
    }
    // And a new file that fails is not made at all.
    Injection inj{TSafeWriteStep::WriteChunk, 2, ENOSPC};
    ScopedHook hook(inj);
    EXPECT_THROW(SafeWriteFile(dir / "new.jpg", Large(7)), Error);
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"photo.jpg"});
}

TEST(SafeWrite, WithoutUnnamedTemporaryFilesTheNamedOneIsCleanedUp)
{
    // A file system without O_TMPFILE: the temporary file has a name, which every
    // way out removes again.
    TempFolder dir;
    const std::string path = dir / "photo.jpg";
    SafeWriteFile(path, Large(12));
    SetSafeWriteHook([](TSafeWriteStep step, void *) { return step == TSafeWriteStep::CreateTemp ? EOPNOTSUPP : 0; });
    SafeWriteFile(path, Large(13));
    SafeWriteFile(dir / "new.jpg", Bytes("new"));
    SetSafeWriteHook(nullptr);
    EXPECT_EQ(ReadFileBytes(path), Large(13));
    EXPECT_EQ(ReadFileBytes(dir / "new.jpg"), Bytes("new"));
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"new.jpg", "photo.jpg"}));

    struct Steps {
        int chunks = 0;
    } steps;
    SetSafeWriteHook(
        [](TSafeWriteStep step, void *context) {
            if (step == TSafeWriteStep::CreateTemp)
                return EOPNOTSUPP;
            if (step == TSafeWriteStep::WriteChunk && ++static_cast<Steps *>(context)->chunks == 2)
                return ENOSPC;
            return 0;
        },
        &steps);
    EXPECT_THROW(SafeWriteFile(path, Large(14)), Error);
    SetSafeWriteHook(nullptr);
    EXPECT_EQ(ReadFileBytes(path), Large(13));
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"new.jpg", "photo.jpg"}));
}

TEST(SafeWrite, FullFileSystemKeepsTheOldFile)
{
    TempFolder dir;
    const std::string mnt = dir / "small";
    ASSERT_EQ(::mkdir(mnt.c_str(), 0755), 0);
    if (::mount("quillo-test", mnt.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); SafeWrite.FailureAtAnyStep... injects the full disk instead";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); } // also when an assertion ends the test
    } unmount{mnt};
    const std::string path = mnt + "/photo.jpg";
    const std::vector<std::uint8_t> old(150 * 1024, 0x5A);
    SafeWriteFile(path, old);
    const std::vector<std::uint8_t> bigger(200 * 1024, 0xA5);
    EXPECT_THROW(SafeWriteFile(path, bigger), Error);
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(Entries(mnt), std::set<std::string>{"photo.jpg"});
    // In place (hard links) the backup itself does not fit.
    ASSERT_EQ(::link(path.c_str(), (mnt + "/same.jpg").c_str()), 0);
    EXPECT_THROW(SafeWriteFile(path, bigger), Error);
    EXPECT_EQ(ReadFileBytes(mnt + "/same.jpg"), old);
    EXPECT_EQ(Entries(mnt), (std::set<std::string>{"photo.jpg", "same.jpg"}));
}

namespace {

// Where a child's write stops: at the `at`-th step (of kind `step`, when given).
struct Stop {
    int fd;
    std::optional<TSafeWriteStep> step;
    int at;
    int seen = 0;
};

int StopThere(TSafeWriteStep step, void *context)
{
    auto *stop = static_cast<Stop *>(context);
    if ((!stop->step || *stop->step == step) && ++stop->seen == stop->at) {
        (void)!::write(stop->fd, "!", 1); // tell the parent, and wait there to be killed
        for (;;)
            ::pause();
    }
    return 0;
}

// Runs SafeWriteFile(path, bytes) in a child, stops it at the given step, runs
// `whileStopped` and kills it. False when the write ended before that step.
bool WriteAndKill(const std::string &path, const std::vector<std::uint8_t> &bytes,
                  std::optional<TSafeWriteStep> step, int at, const std::function<void()> &whileStopped = {})
{
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    EXPECT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        Stop stop{pipeFds[1], step, at};
        SetSafeWriteHook(StopThere, &stop);
        try {
            SafeWriteFile(path, bytes);
        } catch (...) {
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    char c = 0;
    const bool stopped = ::read(pipeFds[0], &c, 1) == 1;
    ::close(pipeFds[0]);
    if (stopped && whileStopped)
        whileStopped();
    ::kill(child, SIGKILL);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return stopped;
}

} // namespace

TEST(SafeWrite, KilledMidWriteLeavesTheOldFileAndNothingElse)
{
    TempFolder dir;
    const std::string path = dir / "photo.jpg";
    SafeWriteFile(path, Large(8));
    ASSERT_TRUE(WriteAndKill(path, Large(9), TSafeWriteStep::WriteChunk, 2));
    EXPECT_EQ(ReadFileBytes(path), Large(8));
    // Nothing left needs a file system with unnamed temporary files.
    const int probe = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "no O_TMPFILE where the test writes: a kill leaves the temporary file";
    ::close(probe);
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"photo.jpg"});

    ASSERT_TRUE(WriteAndKill(dir / "new.jpg", Large(9), TSafeWriteStep::WriteChunk, 2));
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"photo.jpg"});
}

TEST(SafeWrite, AKillAtAnyStepOfAHardLinkedRewriteIsPutBackAtTheNextListing)
{
    TempFolder dir;
    const std::vector<std::uint8_t> old = Large(10), fresh = Large(11, 999);
    SafeWriteFile(dir / "a.jpg", old);
    ASSERT_EQ(::link((dir / "a.jpg").c_str(), (dir / "b.jpg").c_str()), 0);
    int at = 1;
    for (bool stopped = true; stopped; ++at) {
        stopped = WriteAndKill(dir / "a.jpg", fresh, std::nullopt, at, [&] {
            // The write is still running (only stopped): a listing leaves it alone.
            EXPECT_TRUE(RollBackInterruptedWrites(dir.path()).Restored.empty()) << at;
        });
        const TRollBack rolledBack = RollBackInterruptedWrites(dir.path());
        EXPECT_TRUE(rolledBack.Failed.empty()) << at;
        const std::vector<std::uint8_t> now = ReadFileBytes(dir / "b.jpg");
        EXPECT_TRUE(now == old || now == fresh) << "killed at step " << at;
        EXPECT_EQ(ReadFileBytes(dir / "a.jpg"), now);
        EXPECT_EQ(Stat(dir / "a.jpg").st_nlink, 2u);
        EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"a.jpg", "b.jpg"})) << at;
        if (now != old)
            SafeWriteFile(dir / "b.jpg", old);
    }
    EXPECT_GT(at, 10) << "too few steps to stop at";
}

TEST(SafeWrite, FlushesTheFolderLastAndReportsWhenThatFails)
{
    TempFolder dir;
    TSafeWriteStep last = TSafeWriteStep::CreateTemp;
    SetSafeWriteHook([](TSafeWriteStep step, void *context) { return *static_cast<TSafeWriteStep *>(context) = step, 0; },
                     &last);
    SafeWriteFile(dir / "a.jpg", Bytes("new"));
    SetSafeWriteHook(nullptr);
    EXPECT_EQ(last, TSafeWriteStep::SyncFolder);

    Injection inj{TSafeWriteStep::SyncFolder, 1, EIO};
    ScopedHook hook(inj);
    const std::string message = MessageOf([&] { SafeWriteFile(dir / "a.jpg", Bytes("again")); });
    EXPECT_NE(message.find(dir / "a.jpg"), std::string::npos) << message;
    EXPECT_NE(message.find(std::strerror(EIO)), std::string::npos) << message;
}

TEST(SafeWrite, CanWriteAnswersAsTheWriteDoes)
{
    TempFolder dir;
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "locked").c_str(), 0555), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0666), 0);
    SafeWriteFile(dir / "ro.jpg", Bytes("x"));
    ASSERT_EQ(::chmod((dir / "ro.jpg").c_str(), 0444), 0);
    ASSERT_EQ(::symlink("ro.jpg", (dir / "to-ro.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("gone/x.jpg", (dir / "dangling.jpg").c_str()), 0);
    SafeWriteFile(dir / "rw.jpg", Bytes("x"));
    for (const std::string name : {"new.jpg", "rw.jpg", "ro.jpg", "to-ro.jpg", "sub", "pipe.jpg", "dangling.jpg",
                                   "locked/new.jpg", "gone/new.jpg"}) {
        const bool can = SafeWriteCanWrite(dir / name);
        EXPECT_EQ(can, MessageOf([&] { SafeWriteFile(dir / name, Bytes("y")); }) == "(no error)") << name;
    }
    EXPECT_EQ(ReadFileBytes(dir / "ro.jpg"), Bytes("x")); // refused, and left as it was
    EXPECT_FALSE(SafeWriteCanWrite(""));
}

TEST(SafeWrite, RefusesFifosSocketsAndDevicesAtOnce)
{
    TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0666), 0);
    const std::string message = MessageOf([&] { SafeWriteFile(dir / "pipe.jpg", Bytes("x")); });
    EXPECT_NE(message.find("named pipe"), std::string::npos) << message;
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "pipe.jpg").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(SafeWriteCanWrite(dir / "pipe.jpg"));

    // A device node of the test's own (only root may make one): a refusal that
    // slipped replaces this node, never the system's.
    if (::mknod((dir / "null.jpg").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_THROW(SafeWriteFile(dir / "null.jpg", Bytes("x")), Error);
        EXPECT_TRUE(S_ISCHR(Stat(dir / "null.jpg").st_mode));
        ::unlink((dir / "null.jpg").c_str());
    }

    // Reading one is refused at once too, never waiting for a writer.
    const std::string read = MessageOf([&] { ReadFileBytes(dir / "pipe.jpg"); });
    EXPECT_NE(read.find("named pipe"), std::string::npos) << read;
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = dir / "sock.bmp";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, sockPath.c_str(), sockPath.size() + 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    const std::string sockRead = MessageOf([&] { ReadFileBytes(sockPath); });
    EXPECT_NE(sockRead.find("socket"), std::string::npos) << sockRead;
    ::close(sock);

    // A copy from or onto one fails without waiting either.
    SafeWriteFile(dir / "a.jpg", Bytes("picture"));
    EXPECT_FALSE(CopyFileReplacing(dir / "pipe.jpg", dir / "b.jpg"));
    EXPECT_FALSE(CopyFileReplacing(dir / "a.jpg", dir / "pipe.jpg"));
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"a.jpg", "pipe.jpg", "sock.bmp"}));
}
