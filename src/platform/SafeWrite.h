// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one routine through which Quillo writes a user's file, its copy, the check
// that tells beforehand whether it would write, and the repair of a rewrite that
// a kill interrupted.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillo {

// Writes `bytes` as the file `path`. Throws FileError (platform/Errors.h) naming
// the file and the system's reason.
// - Refuses a target that exists and is not writable, judged by its mode bits so
//   that root is refused too (its contents stay), and one that is not a regular file.
// - Writes the file a person has: a symbolic link is followed to the file it names,
//   and the new file is made beside that one.
// - A file with one name is replaced: the bytes go to an unnamed temporary file in
//   the same folder (a named one where the file system has no O_TMPFILE) that gets
//   the old file's owner, group, mode, ACLs and extended attributes where permitted,
//   is flushed, and is renamed over the target; the folder is flushed after.
// - A file with several hard links stays one file: it is rewritten in place. Its
//   old bytes first go to a backup beside it, flushed and named
//   ".quillo-backup-<inode>-<name>~" before the first byte of the file changes, and
//   removed only once the rewrite is flushed. A failed rewrite is undone from it.
// On any failure the old file is as it was and nothing is left behind. A kill leaves
// the old file whole and, with O_TMPFILE, nothing else (but for the instant between
// naming the finished file and renaming it over the target, which leaves the whole
// new file as ".quillo-*"). A kill during the in-place rewrite of a hard-linked file
// leaves it torn with its backup beside it: RollBackInterruptedWrites undoes that.
void SafeWriteFile(const std::string &path, std::span<const std::uint8_t> bytes);

// Copies the file `from` as it is on disk now to `to` through the same safe write
// (a file copied onto itself, same device and inode, is refused). Throws FileError:
// naming `from` when it cannot be read (it vanished, say), `to` otherwise.
void SafeCopyFile(const std::string &from, const std::string &to);

// Whether SafeWriteFile would write `path` now: the same refusals, and a folder
// that takes the temporary file (writable and searchable).
bool SafeWriteCanWrite(const std::string &path);

// Puts back every hard-linked file of `folder` whose in-place rewrite was killed,
// from the backup beside it, and removes the backup; a backup whose write is still
// running (in another process) is left alone. Safe to repeat after a kill of its own.
struct TRollBack {
    std::vector<std::string> Restored; // names of the files put back
    std::vector<std::string> Failed;   // one message per backup that could not be used
};
TRollBack RollBackInterruptedWrites(const std::string &folder);
// The same inside a listing: `names` are the entries just read from the open folder
// `dirFd`; each backup put back (and removed) is taken out of them.
TRollBack RollBackInterruptedWrites(int dirFd, const std::string &folder, std::vector<std::string> &names);

// Test seam of SafeWriteFile: the hook is called before each step and may make the
// step fail by returning an errno value (0 lets it run), or stop the process there.
enum class TSafeWriteStep {
    CreateTemp,   // the temporary file (or the backup copy) is about to be made;
                  // EOPNOTSUPP here stands for a file system without O_TMPFILE
    WriteChunk,   // one chunk of the new bytes is about to be written
    Sync,         // the new bytes (or the backup) are about to be flushed
    Replace,      // the finished file is about to take the target's name
    Backup,       // the old bytes are about to be copied to the backup
    Restore,      // the old bytes are about to be put back after a failure
    SyncFolder,   // the folder is about to be flushed (after naming the backup; last)
};
using TSafeWriteHook = int (*)(TSafeWriteStep step, void *context);
// Installs a hook (nullptr removes it). Not for the running program.
void SetSafeWriteHook(TSafeWriteHook hook, void *context = nullptr);
// How many bytes SafeWriteFile writes between two WriteChunk steps.
inline constexpr std::size_t kSafeWriteChunk = std::size_t(1) << 20;

} // namespace quillo
