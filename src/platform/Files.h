// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File access as Quillo needs it. Paths are byte strings: a name that is not valid
// UTF-8 is still read and written.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillo {

// No single picture file larger than this is read into memory.
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t(2) << 30;

// Reads a whole regular file. Throws Error with the path and the reason.
std::vector<std::uint8_t> ReadFileBytes(const std::string &path);

// The one routine through which Quillo writes a user's file. Refuses a target that
// exists and is not writable (its contents stay); writes a temporary file in the
// target's folder, flushes it and renames it over the target, keeping the old
// file's permission bits. On any failure the old file is as it was. Throws Error.
void SafeWriteFile(const std::string &path, std::span<const std::uint8_t> bytes);

// Whether SafeWriteFile could write `path` now: the target, if it exists, is one it
// accepts (a file someone may write, which this process may write), and its folder
// takes the temporary file (writable and searchable).
bool SafeWriteCanWrite(const std::string &path);

// Path helpers with the delimiter "/".
std::string ExtractFileName(const std::string &path);  // after the last "/"
std::string ExtractFilePath(const std::string &path);  // up to and including the last "/"
std::string ExtractFileExt(const std::string &path);   // from the last dot of the name, dot included
std::string ChangeFileExt(const std::string &path, const std::string &ext);
std::string IncludeTrailingPathDelimiter(const std::string &path);
std::string UpperCase(std::string text); // ASCII letters only, as file extensions need
std::string LowerCase(std::string text);

} // namespace quillo
