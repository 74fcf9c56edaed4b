// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Directory.h"

#include "platform/Errors.h"
#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillo {

namespace {

unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Length of the character starting at `i`: a well-formed UTF-8 sequence counts as
// one character (so "?" stands for "é" as it does on Windows); any other byte,
// including a stray byte of a name that is not UTF-8, counts on its own.
std::size_t CharLength(const std::string &s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = 1;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        len = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        len = 4;
    if (len == 1 || i + len > s.size())
        return 1;
    for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    return len;
}

struct DirCloser {
    void operator()(DIR *d) const { ::closedir(d); }
};

} // namespace

namespace {

bool Match(const std::string &name, const std::string &pattern, std::size_t &count)
{
    // Greedy scan that remembers only the last "*": on a mismatch the star takes
    // one more character and the rest of the pattern is tried again. Earlier stars
    // never need revisiting, so the cost is at most name length x pattern length,
    // whatever the number of stars.
    std::size_t n = 0, p = 0;
    std::size_t starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        ++count;
        if (p < pattern.size() && pattern[p] == '*') {
            while (p < pattern.size() && pattern[p] == '*')
                ++p;
            if (p == pattern.size())
                return true;
            starP = p;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            n += CharLength(name, n);
            ++p;
        } else if (p < pattern.size() &&
                   FoldAscii(static_cast<unsigned char>(pattern[p])) ==
                       FoldAscii(static_cast<unsigned char>(name[n]))) {
            ++n;
            ++p;
        } else if (starP != std::string::npos) {
            starN += CharLength(name, starN);
            n = starN;
            p = starP;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// A name that a pattern's literal end after its last "*" (as in "*.png") does not
// end with cannot match; most names of a folder fail most patterns of a mask this way.
bool TailRulesOut(const std::string &name, const std::string &pattern, std::size_t &count)
{
    const std::size_t star = pattern.rfind('*');
    if (star == std::string::npos || pattern.find('?', star) != std::string::npos)
        return false;
    const std::size_t tail = pattern.size() - star - 1;
    if (name.size() < tail)
        return true;
    for (std::size_t i = 1; i <= tail; ++i) {
        ++count;
        if (FoldAscii(static_cast<unsigned char>(pattern[pattern.size() - i])) !=
            FoldAscii(static_cast<unsigned char>(name[name.size() - i])))
            return true;
    }
    return false;
}

} // namespace

bool MatchesMask(const std::string &name, const std::string &pattern, std::size_t *steps)
{
    std::size_t count = 0;
    const bool matched = !TailRulesOut(name, pattern, count) && Match(name, pattern, count);
    if (steps)
        *steps = count;
    return matched;
}

bool EnumerateDirectory(const std::string &folder, const std::string &pattern,
                        const std::function<void(const TSearchRec &)> &onMatch)
{
    return EnumerateDirectory(folder, std::vector<std::string>{pattern}, onMatch);
}

bool EnumerateDirectory(const std::string &folder, const std::vector<std::string> &patterns,
                        const std::function<void(const TSearchRec &)> &onMatch, const TOnListed &onListed)
{
    if (folder.empty())
        return false;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return false;
    }
    const int dirFd = ::dirfd(dir.get());
    // The folder is read once, whatever the number of patterns.
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (!entry)
            break; // end of the listing, or a read error: what was listed stands
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        names.emplace_back(name);
    }
    if (onListed)
        onListed(dirFd, names);
    for (const std::string &pattern : patterns) {
        for (const std::string &name : names) {
            if (!MatchesMask(name, pattern))
                continue;
            struct stat st {};
            // Follows symbolic links, as the file would be opened through them. A
            // name that cannot be examined (removed meanwhile, a dangling link) could
            // not be opened either, so it is left out rather than shown with a
            // made-up size and date.
            if (::fstatat(dirFd, name.c_str(), &st, 0) != 0)
                continue;
            TSearchRec rec;
            rec.Name = name;
            rec.IsDirectory = S_ISDIR(st.st_mode);
            rec.Size = rec.IsDirectory ? 0 : static_cast<std::int64_t>(st.st_size);
            rec.MTime = static_cast<std::int64_t>(st.st_mtim.tv_sec);
            onMatch(rec);
        }
    }
    return true;
}

bool FileExists(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string &path)
{
    if (path.empty())
        return false;
    if (DirectoryExists(path))
        return true;
    // Create each missing level from the top down; a level that appears meanwhile
    // (EEXIST) is fine as long as it is a folder.
    std::size_t pos = 0;
    for (;;) {
        pos = path.find('/', pos + 1);
        const std::string level = path.substr(0, pos);
        if (!level.empty() && level.back() != '/' && !DirectoryExists(level)) {
            if (::mkdir(level.c_str(), 0777) != 0 && !(errno == EEXIST && DirectoryExists(level)))
                return false;
        }
        if (pos == std::string::npos)
            break;
    }
    return DirectoryExists(path);
}

bool RenameFile(const std::string &from, const std::string &to)
{
    if (from.empty() || to.empty())
        return false;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    // The file system cannot rename without replacing: link() never replaces
    // either, and the old name is removed only once the new one exists. Where
    // links are not supported either, the rename is refused rather than risked.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    if (::unlink(from.c_str()) != 0) {
        ::unlink(to.c_str());
        return false;
    }
    return true;
}

bool CopyFileReplacing(const std::string &from, const std::string &to)
{
    if (from.empty() || to.empty())
        return false;
    try {
        SafeCopyFile(from, to);
    } catch (const Error &) {
        return false; // the caller only learns that the copy failed, as from CopyFile
    }
    return true;
}

double FileTimeToDateTime(std::int64_t unixSeconds)
{
    static std::once_flag tzOnce;
    std::call_once(tzOnce, [] { ::tzset(); });

    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    std::tm tm {};
    const auto t = static_cast<std::time_t>(unixSeconds);
    if (::localtime_r(&t, &tm)) {
        const long long y = static_cast<long long>(tm.tm_year) + 1900;
        if (y > 2107) {
            year = 2107, month = 12, day = 31, hour = 23, minute = 59, second = 58;
        } else if (y >= 1980) {
            year = static_cast<int>(y);
            month = tm.tm_mon + 1;
            day = tm.tm_mday;
            hour = tm.tm_hour;
            minute = tm.tm_min;
            // The packed form keeps seconds / 2; a leap second stays inside the minute.
            second = (tm.tm_sec > 59 ? 59 : tm.tm_sec) / 2 * 2;
        }
    } else if (unixSeconds > 0) {
        year = 2107, month = 12, day = 31, hour = 23, minute = 59, second = 58;
    }

    // Days from 1 January 1970 (proleptic Gregorian), then shifted to 30 December 1899.
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int mp = (month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<double>(days + 25569) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

} // namespace quillo
