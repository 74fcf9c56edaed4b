// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Directory listing with Windows-style wildcards, file-system queries and the
// file operations whose Windows guarantees Quillo keeps (no silent replacement).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillo {

// One directory entry as a listing reports it.
struct TSearchRec {
    std::string Name;          // bytes as the file system holds them
    std::int64_t Size = 0;     // true 64-bit size
    std::int64_t MTime = 0;    // last-write time, seconds since the Unix epoch
    bool IsDirectory = false;
};

// Case-insensitive (ASCII) match of `name` against `pattern` with "*" (any run)
// and "?" (one character). Other bytes compare exactly. When `steps` is given it
// receives the number of comparison steps taken (at most about name length x
// pattern length, however many stars).
bool MatchesMask(const std::string &name, const std::string &pattern, std::size_t *steps = nullptr);

// Lists `folder` (no recursion) in file-system order, skipping "." and "..", and
// calls `onMatch` for every entry whose name matches `pattern`. Returns false when
// the folder cannot be opened (nothing is reported then). Exceptions thrown by
// `onMatch` pass through after the listing is closed. Symbolic links are followed;
// an entry that cannot be examined (a dangling link, a file removed meanwhile) is
// left out. Folders report size 0.
bool EnumerateDirectory(const std::string &folder, const std::string &pattern,
                        const std::function<void(const TSearchRec &)> &onMatch);
// The same for several patterns from one reading of the folder: the matches of the
// first pattern, then those of the second, and so on (a name matching two patterns
// is reported twice). `onListed`, when given, sees the open folder and every name
// read (matching or not) before any entry is examined, and may take names out, so
// work on the folder's other entries needs no second reading.
using TOnListed = std::function<void(int dirFd, std::vector<std::string> &names)>;
bool EnumerateDirectory(const std::string &folder, const std::vector<std::string> &patterns,
                        const std::function<void(const TSearchRec &)> &onMatch, const TOnListed &onListed = {});

bool FileExists(const std::string &path);      // an existing non-folder
bool DirectoryExists(const std::string &path); // an existing folder
// Creates a folder with its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string &path);
// Renames without ever replacing an existing target; false on any refusal.
bool RenameFile(const std::string &from, const std::string &to);
// Copies through SafeCopyFile, replacing the target; copying a file onto itself
// (same device and inode) fails. Returns false on any failure.
bool CopyFileReplacing(const std::string &from, const std::string &to);

// Days since 30 December 1899 (fraction = time of day), from a Unix time read as
// local time through the packed DOS form: two-second resolution, years 1980..2107.
double FileTimeToDateTime(std::int64_t unixSeconds);

} // namespace quillo
