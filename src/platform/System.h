// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ticks, sleep, working-set trim, the drive type of a path and its canonical form.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

// Milliseconds from a steady clock, truncated to 32 bits (wraps like Windows ticks).
std::uint32_t GetTickCount();
// Tests replace the clock; nullptr restores the real one.
void SetTickSource(std::function<std::uint32_t()> source);

void SleepMs(unsigned milliseconds);
// Gives unused heap pages and the cached free picture blocks back to the system.
void TrimWorkingSet();

// Canonical absolute form of an existing path, links resolved; empty (errno set)
// on failure.
std::string RealPath(const std::string &path);

enum class TDriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CDRom, RamDisk };

// From the mount table: local block-device file systems are fixed disks; network
// and FUSE-network file systems remote; iso9660/udf CD-ROM; tmpfs/ramfs RAM disk;
// removable block devices removable; anything else unknown; a missing path NoRootDir.
TDriveType DriveTypeOf(const std::string &path);
// Tests inject the answer instead of depending on the machine's mounts.
void SetDriveTypeOverride(std::function<TDriveType(const std::string &)> answer);

// One mount of the mount table, as the drive-type lookup reads it.
struct TMountEntry {
    std::string MountPoint; // octal escapes of the table undone
    std::string FsType;     // e.g. "ext4", "fuse.sshfs"
    std::string Source;     // e.g. "/dev/sda2", "server:/export"
    unsigned Major = 0;     // device numbers the kernel reports for the mount
    unsigned Minor = 0;
};
// The mount of `mountInfo` (text in the form of /proc/self/mountinfo) that holds the
// resolved path `realPath`: the longest mount point that is a path prefix of it, the
// later one of equal mount points (it was mounted over the earlier one).
std::optional<TMountEntry> FindMount(const std::string &mountInfo, const std::string &realPath);
// The drive type of one mount; block devices are looked up under /sys.
TDriveType DriveTypeOfMount(const TMountEntry &mount);

} // namespace quillo
