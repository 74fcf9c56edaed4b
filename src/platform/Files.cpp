// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Files.h"

#include "platform/Errors.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo {

namespace {

// strerror may share one buffer between threads, and pictures are read on the
// read-ahead thread too.
std::string Reason(int err) { return std::error_code(err, std::generic_category()).message(); }

} // namespace

std::string FileKind(unsigned mode)
{
    switch (mode & S_IFMT) {
    case S_IFREG:
        return "a file";
    case S_IFDIR:
        return "a folder";
    case S_IFIFO:
        return "a named pipe";
    case S_IFSOCK:
        return "a socket";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    case S_IFLNK:
        return "a symbolic link";
    default:
        return "an unknown kind of entry";
    }
}

namespace {

// Opens a regular file for reading whole; its size through `size`.
UniqueFd OpenWholeFile(const std::string &path, std::size_t &size)
{
    // A FIFO, socket or device named like a picture is refused before it is opened:
    // opening some devices acts on them, and a FIFO would wait for a writer forever.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        throw Error("Cannot open file \"" + path + "\". It is " + FileKind(st.st_mode) + ", not a regular file");
    // O_NONBLOCK in case the entry was swapped for a FIFO since: the type is checked
    // again on what was opened, before anything is read.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid())
        throw Error("Cannot open file \"" + path + "\". " + Reason(errno));
    if (::fstat(fd.Get(), &st) != 0)
        throw Error("Cannot read file \"" + path + "\". " + Reason(errno));
    if (S_ISDIR(st.st_mode))
        throw Error("Cannot open file \"" + path + "\". It is a folder");
    if (!S_ISREG(st.st_mode))
        throw Error("Cannot open file \"" + path + "\". It is " + FileKind(st.st_mode) + ", not a regular file");
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes)
        throw Error("File \"" + path + "\" is too large to read");
    size = static_cast<std::size_t>(st.st_size);
    return fd;
}

// Reads up to `size` bytes; fewer when the file shrank while it was read.
std::size_t ReadInto(const UniqueFd &fd, const std::string &path, std::uint8_t *data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd.Get(), data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw Error("Cannot read file \"" + path + "\". " + Reason(errno));
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

std::vector<std::uint8_t> ReadFileBytes(const std::string &path)
{
    std::size_t size = 0;
    const UniqueFd fd = OpenWholeFile(path, size);
    std::vector<std::uint8_t> bytes(size);
    bytes.resize(ReadInto(fd, path, bytes.data(), size));
    return bytes;
}

TPageBlock ReadFileBlock(const std::string &path)
{
    std::size_t size = 0;
    const UniqueFd fd = OpenWholeFile(path, size);
    TPageBlock block = TPageBlock::Allocate(size, false);
    block.Shrink(ReadInto(fd, path, block.Data(), size));
    return block;
}

TFileIdentity FileIdentityOf(const std::string &path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return {};
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::string ExtractFileName(const std::string &path)
{
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFilePath(const std::string &path)
{
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileExt(const std::string &path)
{
    const std::string name = ExtractFileName(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string &path, const std::string &ext)
{
    const std::string folder = ExtractFilePath(path);
    std::string name = ExtractFileName(path);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return folder + name + ext;
}

std::string IncludeTrailingPathDelimiter(const std::string &path)
{
    if (!path.empty() && path.back() == '/')
        return path;
    return path + '/';
}

std::string UpperCase(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string LowerCase(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace quillo
