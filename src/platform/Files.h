// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File access as Quillo needs it. Paths are byte strings: a name that is not valid
// UTF-8 is still read and written.
#include "platform/PageBlocks.h"

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

// The one routine through which Quillo writes a user's file (SafeWrite.cpp).
// - Refuses a target that exists and is not writable, judged by its mode bits so
//   that root is refused too (its contents stay), and one that is not a regular file.
// - Writes the file a person has: a symbolic link is followed to the file it names,
//   and the new file is made beside that one.
// - A file with one name is replaced: the bytes go to an unnamed temporary file in
//   the same folder (a named one where the file system has no O_TMPFILE) that gets
//   the old file's owner, group, mode, ACLs and extended attributes where permitted,
//   is flushed, and is renamed over the target; the folder is flushed after.
// - A file with several hard links stays one file: it is rewritten in place behind
//   a flushed backup copy in the same folder, from which the old bytes are put back
//   when the write fails.
// On any failure the old file is as it was and nothing is left behind. A kill leaves
// the old file whole and, with O_TMPFILE, nothing else (but for the instant between
// naming the finished file and renaming it over the target, which leaves the whole
// new file as ".quillo-*"). Only a kill during the in-place rewrite of a hard-linked
// file leaves that file half-written, its old bytes in ".quillo-backup-*" beside it.
// Throws Error.
void SafeWriteFile(const std::string &path, std::span<const std::uint8_t> bytes);

// Whether SafeWriteFile could write `path` now: the target, if it exists, is one it
// accepts (a file someone may write, which this process may write), and its folder
// takes the temporary file (writable and searchable).
bool SafeWriteCanWrite(const std::string &path);

// Test seam of SafeWriteFile: the hook is called before each step and may make the
// step fail by returning an errno value (0 lets it run), or stop the process there.
enum class TSafeWriteStep {
    CreateTemp,   // the temporary file (or the backup copy) is about to be made;
                  // EOPNOTSUPP here stands for a file system without O_TMPFILE
    WriteChunk,   // one chunk of the new bytes is about to be written
    Sync,         // the new bytes are about to be flushed
    Replace,      // the finished file is about to take the target's name
    Backup,       // the old bytes are about to be copied to the backup
    Restore,      // the old bytes are about to be put back after a failure
};
using TSafeWriteHook = int (*)(TSafeWriteStep step, void *context);
// Installs a hook (nullptr removes it). Not for the running program.
void SetSafeWriteHook(TSafeWriteHook hook, void *context = nullptr);
// How many bytes SafeWriteFile writes between two WriteChunk steps.
inline constexpr std::size_t kSafeWriteChunk = std::size_t(1) << 20;

// Path helpers with the delimiter "/".
std::string ExtractFileName(const std::string &path);  // after the last "/"
std::string ExtractFilePath(const std::string &path);  // up to and including the last "/"
std::string ExtractFileExt(const std::string &path);   // from the last dot of the name, dot included
std::string ChangeFileExt(const std::string &path, const std::string &ext);
std::string IncludeTrailingPathDelimiter(const std::string &path);
std::string UpperCase(std::string text); // ASCII letters only, as file extensions need
std::string LowerCase(std::string text);

} // namespace quillo
