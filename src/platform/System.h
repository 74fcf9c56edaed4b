// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ticks, sleep, working-set trim and the drive type of a path.
#include <cstdint>
#include <functional>
#include <string>

namespace quillo {

// Milliseconds from a steady clock, truncated to 32 bits (wraps like Windows ticks).
std::uint32_t GetTickCount();
// Tests replace the clock; nullptr restores the real one.
void SetTickSource(std::function<std::uint32_t()> source);

void SleepMs(unsigned milliseconds);
// Gives unused heap pages back to the system.
void TrimWorkingSet();

enum class TDriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CDRom, RamDisk };

// From the mount table: local block-device file systems are fixed disks; network
// and FUSE-network file systems remote; iso9660/udf CD-ROM; tmpfs/ramfs RAM disk;
// removable block devices removable; anything else unknown; a missing path NoRootDir.
TDriveType DriveTypeOf(const std::string &path);
// Tests inject the answer instead of depending on the machine's mounts.
void SetDriveTypeOverride(std::function<TDriveType(const std::string &)> answer);

} // namespace quillo
