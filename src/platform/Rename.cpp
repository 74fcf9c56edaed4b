// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Rename.h"

#include "platform/Errors.h"
#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo {

namespace {

bool HasRefusedCharacter(const std::string &name)
{
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c == 127)
            return true;
        switch (c) {
        case '/': case '\\': case ':': case '*': case '?': case '<': case '>': case '|': case '"':
            return true;
        default:
            break;
        }
    }
    return false;
}

[[noreturn]] void Refuse(const std::string &from, const std::string &to, const std::string &why)
{
    throw FileError("Cannot rename \"" + from + "\" to", to, why);
}

[[noreturn]] void RefuseErrno(const std::string &from, const std::string &to, int err)
{
    if (err == EEXIST || err == ENOTEMPTY)
        Refuse(from, to, "A file with that name already exists");
    Refuse(from, to, std::strerror(err));
}

bool SameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool EqualIgnoringAsciiCase(const std::string &a, const std::string &b)
{
    return UpperCase(a) == UpperCase(b);
}

// Makes the new directory entry last: a rename that a crash forgets would leave
// the picture under its old name, which the user could not tell from a refusal.
void SyncFolder(const std::string &path)
{
    std::string folder = ExtractFilePath(path);
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // the rename itself has happened; a failed flush changes nothing
        ::close(fd);
    }
}

} // namespace

bool IsAllowedNewName(const std::string &ABase, const std::string &AExt)
{
    if (ABase.empty() && AExt.empty())
        return false;
    if (ABase == "." || ABase == "..")
        return false;
    return !HasRefusedCharacter(ABase) && !HasRefusedCharacter(AExt);
}

namespace detail {

void RenameByLink(const std::string &AOldPath, const std::string &ANewPath)
{
    // The link fails when the name is taken; only then does the old name go.
    if (::linkat(AT_FDCWD, AOldPath.c_str(), AT_FDCWD, ANewPath.c_str(), 0) != 0) {
        const int err = errno;
        if (err == EPERM || err == EOPNOTSUPP || err == EMLINK || err == ENOSYS) {
            RenameByPlaceholder(AOldPath, ANewPath); // no hard links here
            return;
        }
        RefuseErrno(AOldPath, ANewPath, err);
    }
    if (::unlink(AOldPath.c_str()) != 0) {
        const int err = errno;
        ::unlink(ANewPath.c_str()); // undo: the file keeps its old name only
        RefuseErrno(AOldPath, ANewPath, err);
    }
}

void RenameByPlaceholder(const std::string &AOldPath, const std::string &ANewPath)
{
    struct stat st {};
    if (::lstat(AOldPath.c_str(), &st) != 0)
        RefuseErrno(AOldPath, ANewPath, errno);
    // Creating the name exclusively reserves it: the rename then replaces only
    // this empty file of our own.
    const int fd = ::open(ANewPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        RefuseErrno(AOldPath, ANewPath, errno);
    ::close(fd);
    if (::rename(AOldPath.c_str(), ANewPath.c_str()) != 0) {
        const int err = errno;
        ::unlink(ANewPath.c_str());
        RefuseErrno(AOldPath, ANewPath, err);
    }
}

} // namespace detail

void RenameFileNoReplace(const std::string &AOldPath, const std::string &ANewPath)
{
    const std::string newName = ExtractFileName(ANewPath);
    if (!IsAllowedNewName(newName, {}))
        Refuse(AOldPath, ANewPath, "The name is not allowed");
    if (AOldPath == ANewPath)
        Refuse(AOldPath, ANewPath, "The file already has that name");
    if (::renameat2(AT_FDCWD, AOldPath.c_str(), AT_FDCWD, ANewPath.c_str(), RENAME_NOREPLACE) == 0) {
        SyncFolder(ANewPath);
        return;
    }
    const int err = errno;
    if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
        // The file system has no no-replace rename.
        detail::RenameByLink(AOldPath, ANewPath);
        SyncFolder(ANewPath);
        return;
    }
    if (err == EEXIST) {
        // A file system that ignores case finds the old file under its new
        // spelling; changing only the case of a name replaces nothing.
        struct stat a {}, b {};
        if (::lstat(AOldPath.c_str(), &a) == 0 && ::lstat(ANewPath.c_str(), &b) == 0 && SameFile(a, b) &&
            ExtractFilePath(AOldPath) == ExtractFilePath(ANewPath) &&
            EqualIgnoringAsciiCase(ExtractFileName(AOldPath), newName)) {
            if (::rename(AOldPath.c_str(), ANewPath.c_str()) != 0)
                RefuseErrno(AOldPath, ANewPath, errno);
            SyncFolder(ANewPath);
            return;
        }
    }
    RefuseErrno(AOldPath, ANewPath, err);
}

} // namespace quillo
