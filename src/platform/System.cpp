// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/System.h"

#include "platform/PageBlocks.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <mutex>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <vector>

namespace quillo {

namespace {

std::mutex gSeamMutex;
std::function<std::uint32_t()> gTickSource;
std::function<TDriveType(const std::string &)> gDriveOverride;

std::string ReadSmallFile(const std::string &path)
{
    // /proc and /sys files report a size of 0, so read until the end.
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The mount table writes blanks, tabs, line breaks and backslashes as "\ooo".
std::string Unescape(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string_view> SplitBlanks(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        const std::size_t end = line.find(' ', pos);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        if (stop > pos)
            fields.push_back(line.substr(pos, stop - pos));
        pos = stop;
    }
    return fields;
}

bool IsPathPrefix(const std::string &mountPoint, const std::string &path)
{
    if (mountPoint == "/")
        return !path.empty() && path.front() == '/';
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

bool OneOf(const std::string &value, std::initializer_list<std::string_view> names)
{
    for (auto n : names)
        if (value == n)
            return true;
    return false;
}

bool IsRemoteType(const std::string &fs)
{
    if (OneOf(fs, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "ncp", "afs", "coda", "9p", "virtiofs",
                   "vboxsf", "ceph", "glusterfs", "lustre", "gpfs", "beegfs", "orangefs", "pvfs2", "davfs",
                   "ocfs2", "gfs2"}))
        return true;
    // FUSE file systems that reach other machines.
    return OneOf(fs, {"sshfs", "fuse.sshfs", "fuse.rclone", "fuse.s3fs", "fuse.gcsfuse", "fuse.davfs", "fuse.davfs2",
                      "fuse.curlftpfs", "fuse.glusterfs", "fuse.cephfs", "fuse.ceph-fuse", "fuse.gvfsd-fuse",
                      "fuse.smbnetfs", "fuse.afpfs", "fuse.goofys", "fuse.juicefs", "fuse.mfs", "fuse.moosefs"});
}

// A FUSE mount whose source names another machine ("host:/path", "user@host:",
// "//server/share") reaches the network, whatever its driver is called.
bool NamesAnotherMachine(const std::string &source)
{
    if (source.compare(0, 2, "//") == 0)
        return true;
    const auto colon = source.find(':');
    return colon != std::string::npos && colon > 0 && source.front() != '/';
}

// Local file systems that live on a disk even when the mount names no block device
// of its own (pools, subvolumes, or a container's layered root).
bool IsDiskType(const std::string &fs)
{
    return OneOf(fs, {"ext2", "ext3", "ext4", "xfs", "btrfs", "bcachefs", "zfs", "f2fs", "jfs", "reiserfs",
                      "nilfs2", "vfat", "msdos", "exfat", "ntfs", "ntfs3", "fuseblk", "hfs", "hfsplus",
                      "overlay", "ufs", "minix"});
}

// Answer for a block device: removable, fixed, or a CD-ROM drive; nullopt when
// /sys does not know the device.
std::optional<TDriveType> BlockDeviceType(unsigned major, unsigned minor)
{
    std::string dev = RealPath("/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor));
    if (dev.empty())
        return std::nullopt;
    // A partition's flags are those of the disk it belongs to, one level up.
    struct stat st {};
    if (::stat((dev + "/partition").c_str(), &st) == 0)
        dev = dev.substr(0, dev.find_last_of('/'));
    const std::string disk = dev.substr(dev.find_last_of('/') + 1);
    if (disk.compare(0, 2, "sr") == 0)
        return TDriveType::CDRom;
    const std::string removable = ReadSmallFile(dev + "/removable");
    if (removable.empty())
        return std::nullopt;
    return removable[0] == '1' ? TDriveType::Removable : TDriveType::Fixed;
}

} // namespace

std::string RealPath(const std::string &path)
{
    char *resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::uint32_t GetTickCount()
{
    std::function<std::uint32_t()> source;
    {
        std::lock_guard lock(gSeamMutex);
        source = gTickSource;
    }
    if (source)
        return source();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms.count()));
}

void SetTickSource(std::function<std::uint32_t()> source)
{
    std::lock_guard lock(gSeamMutex);
    gTickSource = std::move(source);
}

void SleepMs(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TrimWorkingSet()
{
    // The pictures' free blocks first, so what they held goes back too.
    ReleaseCachedPageBlocks();
    ::malloc_trim(0);
}

std::optional<TMountEntry> FindMount(const std::string &mountInfo, const std::string &realPath)
{
    std::optional<TMountEntry> best;
    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line)) {
        const auto f = SplitBlanks(line);
        // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
        if (f.size() < 7)
            continue;
        std::size_t dash = 6;
        while (dash < f.size() && f[dash] != "-")
            ++dash;
        if (dash + 1 >= f.size())
            continue;
        TMountEntry entry;
        entry.MountPoint = Unescape(f[4]);
        entry.FsType = Unescape(f[dash + 1]);
        entry.Source = dash + 2 < f.size() ? Unescape(f[dash + 2]) : std::string();
        const std::string dev(f[2]);
        const auto colon = dev.find(':');
        if (colon != std::string::npos) {
            entry.Major = static_cast<unsigned>(std::strtoul(dev.c_str(), nullptr, 10));
            entry.Minor = static_cast<unsigned>(std::strtoul(dev.c_str() + colon + 1, nullptr, 10));
        }
        if (!IsPathPrefix(entry.MountPoint, realPath))
            continue;
        if (!best || entry.MountPoint.size() >= best->MountPoint.size())
            best = std::move(entry);
    }
    return best;
}

TDriveType DriveTypeOfMount(const TMountEntry &mount)
{
    const std::string &fs = mount.FsType;
    if (IsRemoteType(fs))
        return TDriveType::Remote;
    if ((fs == "fuse" || fs.compare(0, 5, "fuse.") == 0) && NamesAnotherMachine(mount.Source))
        return TDriveType::Remote;
    if (fs == "iso9660" || fs == "udf")
        return TDriveType::CDRom;
    if (fs == "tmpfs" || fs == "ramfs")
        return TDriveType::RamDisk;
    // The mount's own device numbers name the block device for most file systems;
    // some (btrfs, fuseblk) report an anonymous device, so try the source as well.
    if (mount.Major != 0)
        if (const auto type = BlockDeviceType(mount.Major, mount.Minor))
            return *type;
    struct stat st {};
    if (!mount.Source.empty() && mount.Source.front() == '/' && ::stat(mount.Source.c_str(), &st) == 0 &&
        S_ISBLK(st.st_mode))
        if (const auto type = BlockDeviceType(major(st.st_rdev), minor(st.st_rdev)))
            return *type;
    if (IsDiskType(fs))
        return TDriveType::Fixed;
    return TDriveType::Unknown;
}

TDriveType DriveTypeOf(const std::string &path)
{
    std::function<TDriveType(const std::string &)> answer;
    {
        std::lock_guard lock(gSeamMutex);
        answer = gDriveOverride;
    }
    if (answer)
        return answer(path);
    if (path.empty())
        return TDriveType::NoRootDir;
    const std::string real = RealPath(path);
    if (real.empty())
        return TDriveType::NoRootDir;
    const auto mount = FindMount(ReadSmallFile("/proc/self/mountinfo"), real);
    if (!mount)
        return TDriveType::Unknown;
    return DriveTypeOfMount(*mount);
}

void SetDriveTypeOverride(std::function<TDriveType(const std::string &)> answer)
{
    std::lock_guard lock(gSeamMutex);
    gDriveOverride = std::move(answer);
}

} // namespace quillo
