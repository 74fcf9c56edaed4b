// SPDX-License-Identifier: GPL-3.0-or-later
// SafeWriteFile: the one way Quillo writes a user's file. See Files.h for what it
// guarantees; the comments here say how.
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace quillo {

namespace {

std::atomic<TSafeWriteHook> gHook{nullptr};
std::atomic<void *> gHookContext{nullptr};

// 0, or the errno a test wants this step to fail with.
int Injected(TSafeWriteStep step)
{
    const TSafeWriteHook hook = gHook.load();
    return hook ? hook(step, gHookContext.load()) : 0;
}

// A step that failed, with its errno; turned into the caller's message at the top.
struct StepFailure {
    const char *what; // "Cannot create file", "Cannot write file"
    int err;
};

[[noreturn]] void Fail(const char *what, int err) { throw StepFailure{what, err}; }

constexpr int kMaxLinkDepth = 40; // as the kernel's own limit

// The file that `path` names once symbolic links are followed; a missing last
// component is fine (the file is then made there).
std::string FollowLinks(const std::string &path)
{
    std::string current = path;
    for (int depth = 0;; ++depth) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current; // what stat finds wrong later is reported then
        if (depth == kMaxLinkDepth)
            Fail("Cannot create file", ELOOP);
        std::vector<char> target(static_cast<std::size_t>(std::max<off_t>(st.st_size, 255)) + 1);
        ssize_t n;
        while ((n = ::readlink(current.c_str(), target.data(), target.size())) >= 0 &&
               static_cast<std::size_t>(n) == target.size())
            target.resize(target.size() * 2);
        if (n < 0)
            Fail("Cannot create file", errno);
        const std::string link(target.data(), static_cast<std::size_t>(n));
        current = (!link.empty() && link.front() == '/') ? link : ExtractFilePath(current) + link;
    }
}

std::string RandomName(const char *prefix)
{
    static std::atomic<unsigned> counter{0};
    unsigned random = 0;
    if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random)
        random = static_cast<unsigned>(::getpid()) * 2654435761u;
    char name[48];
    std::snprintf(name, sizeof name, "%s%08x", prefix, random ^ (++counter * 0x9E3779B9u));
    return name;
}

// A file being made in the target's folder: unnamed (O_TMPFILE) while the file
// system allows it, so that a kill or a failure leaves nothing; named otherwise.
// Whatever name it got is removed again unless Keep() was called.
class TempFile {
public:
    TempFile(int dirFd, mode_t mode) : dirFd_(dirFd)
    {
        // A test may answer EOPNOTSUPP here to stand for a file system without O_TMPFILE.
        const int injected = Injected(TSafeWriteStep::CreateTemp);
        if (injected && injected != EOPNOTSUPP)
            Fail("Cannot create file", injected);
        if (!injected) {
            fd_.Reset(::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode));
            if (fd_.Valid())
                return;
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                Fail("Cannot create file", errno);
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = RandomName(".quillo-");
            fd_.Reset(::openat(dirFd, name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, mode));
            if (fd_.Valid()) {
                name_ = name;
                return;
            }
            if (errno != EEXIST)
                Fail("Cannot create file", errno);
        }
        Fail("Cannot create file", EEXIST);
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    ~TempFile()
    {
        if (!name_.empty() && !kept_)
            ::unlinkat(dirFd_, name_.c_str(), 0);
    }

    int Fd() const { return fd_.Get(); }
    const std::string &Name() const { return name_; }

    // Gives an unnamed file the name `name` in the folder; false (errno set) when
    // that name exists or the file system refuses.
    bool LinkAs(const std::string &name)
    {
        char proc[64];
        std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd_.Get());
        if (::linkat(AT_FDCWD, proc, dirFd_, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno != ENOENT)
                return false;
            // No /proc: linking the descriptor itself needs a capability, but try.
            if (::linkat(fd_.Get(), "", dirFd_, name.c_str(), AT_EMPTY_PATH) != 0)
                return false;
        }
        name_ = name;
        return true;
    }

    // Makes sure the file has a name of its own (not a target's).
    void Name(const char *prefix)
    {
        while (name_.empty()) {
            const std::string name = RandomName(prefix);
            if (!LinkAs(name) && errno != EEXIST)
                Fail("Cannot create file", errno);
        }
    }

    // The name now belongs to the target (renamed or linked over it) or must stay.
    void Keep() { kept_ = true; }
    void Forget() { name_.clear(); }

private:
    int dirFd_;
    UniqueFd fd_;
    std::string name_;
    bool kept_ = false;
};

void WriteAllAt(int fd, std::span<const std::uint8_t> bytes, off_t offset, TSafeWriteStep step,
                const char *what)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (const int err = Injected(step))
            Fail(what, err);
        const std::size_t chunk = std::min(kSafeWriteChunk, bytes.size() - done);
        std::size_t written = 0;
        while (written < chunk) {
            const ssize_t n =
                ::pwrite(fd, bytes.data() + done + written, chunk - written, offset + static_cast<off_t>(done + written));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                Fail(what, errno);
            }
            if (n == 0)
                Fail(what, ENOSPC);
            written += static_cast<std::size_t>(n);
        }
        done += chunk;
    }
}

void Sync(int fd, const char *what)
{
    if (const int err = Injected(TSafeWriteStep::Sync))
        Fail(what, err);
    if (::fsync(fd) != 0)
        Fail(what, errno);
}

// Some file systems cannot flush a folder (EINVAL); their names last as they may.
void SyncFolder(int dirFd, const char *what)
{
    if (::fsync(dirFd) != 0 && errno != EINVAL)
        Fail(what, errno);
}

// Copies `size` bytes from one descriptor to another, both from offset 0.
void CopyBytes(int from, int to, off_t size, TSafeWriteStep step, const char *what)
{
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<off_t>(size, kSafeWriteChunk)));
    off_t offset = 0;
    while (offset < size) {
        if (const int err = Injected(step))
            Fail(what, err);
        const std::size_t want = static_cast<std::size_t>(std::min<off_t>(size - offset, kSafeWriteChunk));
        ssize_t n = ::pread(from, buffer.data(), want, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail(what, errno);
        if (n == 0)
            Fail(what, EIO); // the file shrank under us
        std::size_t written = 0;
        while (written < static_cast<std::size_t>(n)) {
            const ssize_t w = ::pwrite(to, buffer.data() + written, static_cast<std::size_t>(n) - written,
                                       offset + static_cast<off_t>(written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                Fail(what, w < 0 ? errno : ENOSPC);
            written += static_cast<std::size_t>(w);
        }
        offset += n;
    }
}

// Extended attributes, POSIX ACLs among them, as far as we may set them: a user
// cannot set another's security labels, and some file systems keep none.
void CopyExtendedAttributes(const std::string &from, int to)
{
    ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
    if (size <= 0)
        return;
    std::vector<char> names(static_cast<std::size_t>(size));
    size = ::listxattr(from.c_str(), names.data(), names.size());
    if (size <= 0)
        return;
    std::vector<char> value;
    for (const char *name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
        const ssize_t length = ::getxattr(from.c_str(), name, nullptr, 0);
        if (length < 0)
            continue;
        value.resize(static_cast<std::size_t>(length));
        if (::getxattr(from.c_str(), name, value.data(), value.size()) != length)
            continue;
        ::fsetxattr(to, name, value.data(), value.size(), 0);
    }
}

// The new bytes in a file of their own, renamed over the target at the end: a
// failure or a kill at any point before the rename leaves the old file untouched.
void WriteReplacing(int dirFd, const std::string &target, const struct stat *old,
                    std::span<const std::uint8_t> bytes)
{
    // A new file gets 0666 less the umask from open() itself; a replacement starts
    // private and takes the old file's mode once its owner is set.
    TempFile temp(dirFd, old ? 0600 : 0666);
    if (old) {
        // Owner and group where permitted (root; a user's own group), then ACLs and
        // attributes, then the mode, which a change of owner may have cleared bits of.
        if (::fchown(temp.Fd(), old->st_uid, old->st_gid) != 0)
            (void)::fchown(temp.Fd(), static_cast<uid_t>(-1), old->st_gid);
        CopyExtendedAttributes(target, temp.Fd());
        if (::fchmod(temp.Fd(), old->st_mode & 07777) != 0)
            Fail("Cannot write file", errno);
    }
    WriteAllAt(temp.Fd(), bytes, 0, TSafeWriteStep::WriteChunk, "Cannot write file");
    Sync(temp.Fd(), "Cannot write file");

    const std::string name = ExtractFileName(target);
    if (const int err = Injected(TSafeWriteStep::Replace))
        Fail("Cannot create file", err);
    // A new file takes its name directly, which also never replaces a file that
    // appeared meanwhile; otherwise the finished file is named and renamed over.
    if (!old && temp.Name().empty()) {
        if (temp.LinkAs(name)) {
            temp.Forget();
            return;
        }
        if (errno != EEXIST)
            Fail("Cannot create file", errno);
    }
    temp.Name(".quillo-");
    if (::renameat(dirFd, temp.Name().c_str(), dirFd, name.c_str()) != 0)
        Fail("Cannot create file", errno);
    temp.Keep();
}

// A file with several names is rewritten in place, so every name keeps seeing it.
// Its old bytes go first to a flushed, named backup beside it; when the rewrite
// fails they are copied back and the backup removed. Only a kill during the
// rewrite leaves the backup behind, holding the old bytes.
void WriteInPlace(int dirFd, const std::string &target, const struct stat &old,
                  std::span<const std::uint8_t> bytes)
{
    UniqueFd file(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!file.Valid())
        Fail("Cannot create file", errno);
    struct stat now {};
    if (::fstat(file.Get(), &now) != 0)
        Fail("Cannot write file", errno);
    if (now.st_dev != old.st_dev || now.st_ino != old.st_ino || !S_ISREG(now.st_mode))
        Fail("Cannot write file", EAGAIN); // replaced while we looked: try again later

    TempFile backup(dirFd, 0600);
    (void)::fchown(backup.Fd(), now.st_uid, now.st_gid); // readable by whom the file is
    CopyBytes(file.Get(), backup.Fd(), now.st_size, TSafeWriteStep::Backup, "Cannot write file");
    Sync(backup.Fd(), "Cannot write file");
    backup.Name(".quillo-backup-");
    SyncFolder(dirFd, "Cannot write file");

    // Reserve the room first, so that a full disk is found before the file changes.
    const off_t newSize = static_cast<off_t>(bytes.size());
    if (newSize > now.st_size && ::fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, newSize) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        Fail("Cannot write file", errno);
    try {
        WriteAllAt(file.Get(), bytes, 0, TSafeWriteStep::WriteChunk, "Cannot write file");
        if (::ftruncate(file.Get(), newSize) != 0)
            Fail("Cannot write file", errno);
        Sync(file.Get(), "Cannot write file");
    } catch (const StepFailure &failure) {
        try {
            CopyBytes(backup.Fd(), file.Get(), now.st_size, TSafeWriteStep::Restore, "Cannot restore file");
            if (::ftruncate(file.Get(), now.st_size) != 0 || ::fsync(file.Get()) != 0)
                Fail("Cannot restore file", errno);
        } catch (const StepFailure &) {
            backup.Keep();
            throw Error("Cannot write file \"" + target + "\". " + std::strerror(failure.err) +
                        ". Its old contents could not be put back and are kept in \"" + ExtractFilePath(target) +
                        backup.Name() + "\"");
        }
        throw;
    }
}

} // namespace

void SetSafeWriteHook(TSafeWriteHook hook, void *context)
{
    gHookContext.store(context);
    gHook.store(hook);
}

bool SafeWriteCanWrite(const std::string &path)
{
    if (path.empty())
        return false;
    std::string target;
    try {
        target = FollowLinks(path);
    } catch (const StepFailure &) {
        return false;
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        // The same refusals as SafeWriteFile's, mode bits first because root passes
        // every access() check.
        if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(target.c_str(), W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }
    std::string folder = ExtractFilePath(target);
    if (folder.empty())
        folder = ".";
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

void SafeWriteFile(const std::string &path, std::span<const std::uint8_t> bytes)
{
    if (path.empty())
        throw Error("Cannot create file \"\". No file name given");
    try {
        const std::string target = FollowLinks(path);
        struct stat st {};
        const bool exists = ::stat(target.c_str(), &st) == 0;
        if (!exists && errno != ENOENT)
            Fail("Cannot create file", errno);
        if (exists) {
            if (S_ISDIR(st.st_mode))
                throw Error("Cannot create file \"" + path + "\". It is a folder");
            if (!S_ISREG(st.st_mode))
                throw Error("Cannot create file \"" + path + "\". It is " + FileKind(st.st_mode) +
                            ", not a regular file");
            // As Windows refuses to overwrite a read-only file, so do we: a file nobody
            // may write is read-only even for root, who passes every access() check.
            if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
                throw Error("Cannot create file \"" + path + "\". The file is read-only");
            if (::access(target.c_str(), W_OK) != 0)
                Fail("Cannot create file", errno);
        }
        std::string folder = ExtractFilePath(target);
        if (folder.empty())
            folder = ".";
        const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!dir.Valid())
            Fail("Cannot create file", errno);
        if (exists && st.st_nlink > 1)
            WriteInPlace(dir.Get(), target, st, bytes);
        else
            WriteReplacing(dir.Get(), target, exists ? &st : nullptr, bytes);
        // The new name (or the removed backup) lasts only once the folder is flushed.
        SyncFolder(dir.Get(), "Cannot write file");
    } catch (const StepFailure &failure) {
        throw Error(std::string(failure.what) + " \"" + path + "\". " + std::strerror(failure.err));
    }
}

} // namespace quillo
