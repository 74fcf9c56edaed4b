// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Files.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo {

namespace {

std::string Reason(int err) { return std::strerror(err); }

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

} // namespace

std::vector<std::uint8_t> ReadFileBytes(const std::string &path)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw Error("Cannot open file \"" + path + "\". " + Reason(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw Error("Cannot read file \"" + path + "\". " + Reason(errno));
    if (S_ISDIR(st.st_mode))
        throw Error("Cannot open file \"" + path + "\". It is a folder");
    if (!S_ISREG(st.st_mode))
        throw Error("Cannot open file \"" + path + "\". It is not a regular file");
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes)
        throw Error("File \"" + path + "\" is too large to read");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw Error("Cannot read file \"" + path + "\". " + Reason(errno));
        }
        if (n == 0)
            break; // the file shrank while we read it
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

void SafeWriteFile(const std::string &path, std::span<const std::uint8_t> bytes)
{
    if (path.empty())
        throw Error("Cannot create file \"\". No file name given");
    mode_t mode = 0;
    bool keepMode = false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw Error("Cannot create file \"" + path + "\". It is a folder");
        // As Windows refuses to overwrite a read-only file, so do we: a file nobody
        // may write is read-only even for root, who passes every access() check.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            throw Error("Cannot create file \"" + path + "\". The file is read-only");
        if (::access(path.c_str(), W_OK) != 0)
            throw Error("Cannot create file \"" + path + "\". " + Reason(errno));
        mode = st.st_mode & 07777;
        keepMode = true;
    }
    std::string tmpl = ExtractFilePath(path);
    if (tmpl.empty())
        tmpl = "./";
    tmpl += ".quillo-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    Fd fd(::mkstemp(name.data()));
    if (fd.get() < 0)
        throw Error("Cannot create file \"" + path + "\". " + Reason(errno));
    const std::string tmp(name.data());
    auto fail = [&](const std::string &what, int err) {
        ::unlink(tmp.c_str());
        throw Error(what + " \"" + path + "\". " + Reason(err));
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("Cannot write file", errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (keepMode) {
        if (::fchmod(fd.get(), mode) != 0)
            fail("Cannot write file", errno);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd.get(), 0666 & ~mask) != 0)
            fail("Cannot write file", errno);
    }
    if (::fsync(fd.get()) != 0)
        fail("Cannot write file", errno);
    if (::close(fd.release()) != 0)
        fail("Cannot write file", errno);
    if (::rename(tmp.c_str(), path.c_str()) != 0)
        fail("Cannot create file", errno);
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

bool SafeWriteCanWrite(const std::string &path)
{
    if (path.empty())
        return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // The same refusals as SafeWriteFile's, mode bits first because root passes
        // every access() check.
        if (S_ISDIR(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(path.c_str(), W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }
    std::string folder = ExtractFilePath(path);
    if (folder.empty())
        folder = ".";
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace quillo
