// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File access as Quillo needs it. Paths are byte strings: a name that is not valid
// UTF-8 is still read and written.
#include "platform/PageBlocks.h"
// Most readers of files also write them; the safe write has its own header.
#include "platform/SafeWrite.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillo {

// No single picture file larger than this is read into memory.
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t(2) << 30;

// "a file", "a folder", "a named pipe", "a socket", ... for a stat() mode.
std::string FileKind(unsigned mode);

// Reads a whole regular file; a FIFO, socket or device is refused at once, never
// waited on. Throws Error with the path and the reason.
std::vector<std::uint8_t> ReadFileBytes(const std::string &path);
// The same into page-block memory, the form in which pictures keep their files.
TPageBlock ReadFileBlock(const std::string &path);

// What tells one state of a file from another: a write by anyone changes the inode
// (a replacement), the size or the modification time.
struct TFileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t MTimeNs = 0;
    friend bool operator==(const TFileIdentity &, const TFileIdentity &) = default;
};
// The identity of the file `path` names (links followed); all zero when it is missing.
TFileIdentity FileIdentityOf(const std::string &path);

// Path helpers with the delimiter "/".
std::string ExtractFileName(const std::string &path);  // after the last "/"
std::string ExtractFilePath(const std::string &path);  // up to and including the last "/"
std::string ExtractFileExt(const std::string &path);   // from the last dot of the name, dot included
std::string ChangeFileExt(const std::string &path, const std::string &ext);
std::string IncludeTrailingPathDelimiter(const std::string &path);
std::string UpperCase(std::string text); // ASCII letters only, as file extensions need
std::string LowerCase(std::string text);

} // namespace quillo
