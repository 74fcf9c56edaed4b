// SPDX-License-Identifier: GPL-3.0-or-later
// SafeWriteFile: the one way Quillo writes a user's file. See SafeWrite.h for what
// it guarantees; the comments here say how.
#include "platform/SafeWrite.h"

#include "platform/Directory.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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
    std::string reason = {}; // instead of the errno's text, when set

    std::string Reason() const { return reason.empty() ? std::string(std::strerror(err)) : reason; }
};

[[noreturn]] void Fail(const char *what, int err) { throw StepFailure{what, err}; }
[[noreturn]] void Refuse(const std::string &reason) { throw StepFailure{"Cannot create file", 0, reason}; }

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

    // Gives the file the name `name`, whether it had one or not; false (errno set)
    // when that name exists or the file system refuses.
    bool NameAs(const std::string &name)
    {
        if (name_.empty())
            return LinkAs(name);
        if (::linkat(dirFd_, name_.c_str(), dirFd_, name.c_str(), 0) != 0)
            return false;
        ::unlinkat(dirFd_, name_.c_str(), 0);
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
    if (const int err = Injected(TSafeWriteStep::SyncFolder))
        Fail(what, err);
    if (::fsync(dirFd) != 0 && errno != EINVAL)
        Fail(what, errno);
}

// Copies `size` bytes from one descriptor to another, both from offset 0. The
// kernel copies where it can (no buffer of ours, shared extents on some file
// systems); otherwise one buffer per thread serves, as fresh memory is slow to touch.
void CopyBytes(int from, int to, off_t size, TSafeWriteStep step, const char *what)
{
    thread_local std::vector<std::uint8_t> buffer;
    bool kernel = true;
    off_t offset = 0;
    while (offset < size) {
        if (const int err = Injected(step))
            Fail(what, err);
        const std::size_t want = static_cast<std::size_t>(std::min<off_t>(size - offset, kSafeWriteChunk));
        if (kernel) {
            off_t in = offset, out = offset;
            const ssize_t n = ::copy_file_range(from, &in, to, &out, want, 0);
            if (n > 0) {
                offset += n;
                continue;
            }
            if (n == 0)
                Fail(what, EIO); // the file shrank under us
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF)
                Fail(what, errno);
            kernel = false;
        }
        if (buffer.size() < want)
            buffer.resize(kSafeWriteChunk);
        ssize_t n = ::pread(from, buffer.data(), want, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail(what, errno);
        if (n == 0)
            Fail(what, EIO);
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

// The new contents: bytes in memory, or a file as it is on disk.
struct TSource {
    std::span<const std::uint8_t> Bytes;
    int Fd = -1;
    off_t FdSize = 0;

    off_t Size() const { return Fd >= 0 ? FdSize : static_cast<off_t>(Bytes.size()); }
    void WriteTo(int to, const char *what) const
    {
        if (Fd >= 0)
            CopyBytes(Fd, to, FdSize, TSafeWriteStep::WriteChunk, what);
        else
            WriteAllAt(to, Bytes, 0, TSafeWriteStep::WriteChunk, what);
    }
};

// The file a write goes to, once links are followed.
struct TTarget {
    std::string Path;
    bool Exists = false;
    struct stat St {};
};

// The one place the refusal rules live, so that SafeWriteCanWrite never answers
// yes for a file that SafeWriteFile then refuses.
TTarget ExamineTarget(const std::string &path)
{
    if (path.empty())
        Refuse("No file name given");
    TTarget target;
    target.Path = FollowLinks(path);
    target.Exists = ::stat(target.Path.c_str(), &target.St) == 0;
    if (!target.Exists) {
        if (errno != ENOENT)
            Fail("Cannot create file", errno);
        return target;
    }
    const struct stat &st = target.St;
    if (S_ISDIR(st.st_mode))
        Refuse("It is a folder");
    if (!S_ISREG(st.st_mode))
        Refuse("It is " + FileKind(st.st_mode) + ", not a regular file");
    // As Windows refuses to overwrite a read-only file, so do we: a file nobody may
    // write is read-only even for root, who passes every access() check.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        Refuse("The file is read-only");
    if (::access(target.Path.c_str(), W_OK) != 0)
        Fail("Cannot create file", errno);
    return target;
}

std::string FolderOf(const std::string &target)
{
    const std::string folder = ExtractFilePath(target);
    return folder.empty() ? std::string(".") : folder;
}

// The new bytes in a file of their own, renamed over the target at the end: a
// failure or a kill at any point before the rename leaves the old file untouched.
void WriteReplacing(int dirFd, const std::string &target, const struct stat *old, const TSource &source)
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
    source.WriteTo(temp.Fd(), "Cannot write file");
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

constexpr const char *kBackupPrefix = ".quillo-backup-";
constexpr char kBackupEnd = '~'; // so that no picture mask lists a backup
constexpr std::size_t kMaxName = 255;

// ".quillo-backup-<inode>-<name>~", the name cut to fit a file name's limit: it
// says which file the backup belongs to, by inode and name both, so a later
// file that reuses the inode number under another name is never taken for it.
std::string BackupName(ino_t inode, const std::string &name)
{
    std::string backup = kBackupPrefix + std::to_string(static_cast<unsigned long long>(inode)) + "-" + name;
    if (backup.size() > kMaxName - 1)
        backup.resize(kMaxName - 1);
    return backup + kBackupEnd;
}

// Copies the backup's bytes over the file in place, gives it the backup's length
// and flushes it. The backup itself is left for the caller to remove.
void PutBack(int backupFd, off_t size, int fileFd, TSafeWriteStep step, const char *what)
{
    if (size > 0 && ::fallocate(fileFd, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS)
        Fail(what, errno);
    CopyBytes(backupFd, fileFd, size, step, what);
    if (::ftruncate(fileFd, size) != 0)
        Fail(what, errno);
    if (::fsync(fileFd) != 0)
        Fail(what, errno);
}

// A file with several names is rewritten in place, so every name keeps seeing it.
// Its old bytes go first to a flushed backup beside it, named for the file, and
// locked while this write runs so that no listing takes it for a killed one.
void WriteInPlace(int dirFd, const std::string &target, const struct stat &old, const TSource &source)
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
    if (::flock(backup.Fd(), LOCK_EX | LOCK_NB) != 0)
        Fail("Cannot write file", errno);
    (void)::fchown(backup.Fd(), now.st_uid, now.st_gid); // readable by whom the file is
    CopyBytes(file.Get(), backup.Fd(), now.st_size, TSafeWriteStep::Backup, "Cannot write file");
    Sync(backup.Fd(), "Cannot write file");
    if (!backup.NameAs(BackupName(now.st_ino, ExtractFileName(target)))) {
        if (errno == EEXIST)
            throw StepFailure{"Cannot write file", EEXIST, "Another write of this file has not finished"};
        Fail("Cannot write file", errno);
    }
    SyncFolder(dirFd, "Cannot write file");

    // Reserve the room first, so that a full disk is found before the file changes.
    const off_t newSize = source.Size();
    if (newSize > now.st_size && ::fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, newSize) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        Fail("Cannot write file", errno);
    try {
        source.WriteTo(file.Get(), "Cannot write file");
        if (::ftruncate(file.Get(), newSize) != 0)
            Fail("Cannot write file", errno);
        Sync(file.Get(), "Cannot write file");
    } catch (const StepFailure &failure) {
        try {
            PutBack(backup.Fd(), now.st_size, file.Get(), TSafeWriteStep::Restore, "Cannot restore file");
        } catch (const StepFailure &) {
            backup.Keep();
            throw FileError("Cannot write file", target,
                            failure.Reason() + ". Its old contents could not be put back and are kept in \"" +
                                ExtractFilePath(target) + backup.Name() + "\"");
        }
        throw;
    }
    // The backup's name goes with the TempFile; the caller flushes the folder.
}

void Write(const std::string &path, const TSource &source, const struct stat *from)
{
    try {
        const TTarget target = ExamineTarget(path);
        if (from && target.Exists && target.St.st_dev == from->st_dev && target.St.st_ino == from->st_ino)
            Refuse("It is the file being copied");
        const UniqueFd dir(::open(FolderOf(target.Path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!dir.Valid())
            Fail("Cannot create file", errno);
        if (target.Exists && target.St.st_nlink > 1)
            WriteInPlace(dir.Get(), target.Path, target.St, source);
        else
            WriteReplacing(dir.Get(), target.Path, target.Exists ? &target.St : nullptr, source);
        // The new name (or the removed backup) lasts only once the folder is flushed.
        SyncFolder(dir.Get(), "Cannot write file");
    } catch (const StepFailure &failure) {
        throw FileError(failure.what, path, failure.Reason());
    }
}

// Puts one killed write's backup back over its file and returns the file's name;
// empty when it is not one (no such file, or its write still runs).
std::string RollBack(int dirFd, const std::string &folder, const std::string &backupName,
                     const std::vector<std::string> &names)
{
    if (backupName.back() != kBackupEnd)
        return {};
    const std::string rest = backupName.substr(std::strlen(kBackupPrefix), backupName.size() - std::strlen(kBackupPrefix) - 1);
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash > 20 || rest.find_first_not_of("0123456789") != dash)
        return {};
    const unsigned long long inode = std::stoull(rest.substr(0, dash));
    const std::string name = rest.substr(dash + 1);
    const bool cut = backupName.size() == kMaxName;

    UniqueFd backup(::openat(dirFd, backupName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    struct stat bst {};
    if (!backup.Valid() || ::fstat(backup.Get(), &bst) != 0 || !S_ISREG(bst.st_mode))
        return {};
    if (::flock(backup.Get(), LOCK_EX | LOCK_NB) != 0)
        return {}; // its write is still running

    // The file: the named one, or for a cut name the one that starts so.
    std::string fileName;
    const auto matches = [&](const std::string &candidate) {
        struct stat st {};
        return ::fstatat(dirFd, candidate.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
               st.st_ino == inode;
    };
    if (!cut) {
        if (matches(name))
            fileName = name;
    } else {
        for (const std::string &candidate : names)
            if (candidate.rfind(name, 0) == 0 && matches(candidate)) {
                fileName = candidate;
                break;
            }
    }
    if (fileName.empty())
        return {};
    try {
        UniqueFd file(::openat(dirFd, fileName.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
        if (!file.Valid())
            Fail("Cannot restore file", errno);
        PutBack(backup.Get(), bst.st_size, file.Get(), TSafeWriteStep::Restore, "Cannot restore file");
        if (::unlinkat(dirFd, backupName.c_str(), 0) != 0)
            Fail("Cannot restore file", errno);
        SyncFolder(dirFd, "Cannot restore file");
    } catch (const StepFailure &failure) {
        throw FileError(failure.what, folder + fileName, failure.Reason());
    }
    return fileName;
}

} // namespace

void SetSafeWriteHook(TSafeWriteHook hook, void *context)
{
    gHookContext.store(context);
    gHook.store(hook);
}

bool SafeWriteCanWrite(const std::string &path)
{
    try {
        const TTarget target = ExamineTarget(path);
        return ::access(FolderOf(target.Path).c_str(), W_OK | X_OK) == 0;
    } catch (const StepFailure &) {
        return false;
    }
}

void SafeWriteFile(const std::string &path, std::span<const std::uint8_t> bytes)
{
    TSource source;
    source.Bytes = bytes;
    Write(path, source, nullptr);
}

void SafeCopyFile(const std::string &from, const std::string &to)
{
    // A FIFO or device is refused before it is opened, as when reading a picture.
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0)
        throw FileError("Cannot open file", from, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        throw FileError("Cannot open file", from, "It is " + FileKind(st.st_mode) + ", not a regular file");
    const UniqueFd fd(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0)
        throw FileError("Cannot open file", from, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        throw FileError("Cannot open file", from, "It is " + FileKind(st.st_mode) + ", not a regular file");
    TSource source;
    source.Fd = fd.Get();
    source.FdSize = st.st_size;
    Write(to, source, &st);
}

TRollBack RollBackInterruptedWrites(int dirFd, const std::string &folder, std::vector<std::string> &names)
{
    TRollBack result;
    const std::string prefix = IncludeTrailingPathDelimiter(folder);
    std::vector<std::string> backups;
    for (const std::string &name : names)
        if (name.starts_with(kBackupPrefix))
            backups.push_back(name);
    for (const std::string &backup : backups) {
        try {
            if (std::string name = RollBack(dirFd, prefix, backup, names); !name.empty()) {
                result.Restored.push_back(std::move(name));
                std::erase(names, backup);
            }
        } catch (const Error &e) {
            result.Failed.emplace_back(e.what());
        }
    }
    return result;
}

TRollBack RollBackInterruptedWrites(const std::string &folder)
{
    TRollBack result;
    EnumerateDirectory(folder, {}, [](const TSearchRec &) {},
                       [&](int dirFd, std::vector<std::string> &names) {
                           result = RollBackInterruptedWrites(dirFd, folder, names);
                       });
    return result;
}

} // namespace quillo
