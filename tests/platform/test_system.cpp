// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/System.h"
#include "TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace quillo;
using quillo::test::TempFolder;

TEST(Ticks, SteadyAndOverridable)
{
    const std::uint32_t a = GetTickCount();
    SleepMs(20);
    const std::uint32_t b = GetTickCount();
    EXPECT_GE(static_cast<std::uint32_t>(b - a), 19u); // differences survive wrapping

    SetTickSource([] { return 0xFFFFFFF0u; });
    const std::uint32_t before = GetTickCount();
    SetTickSource([] { return 0x10u; });
    EXPECT_EQ(static_cast<std::uint32_t>(GetTickCount() - before), 0x20u);
    SetTickSource(nullptr);
    EXPECT_NE(GetTickCount(), 0x10u);
    TrimWorkingSet(); // must simply not fail
}

TEST(DriveType, OverrideAnswersInsteadOfTheMountTable)
{
    std::string asked;
    SetDriveTypeOverride([&](const std::string &p) {
        asked = p;
        return TDriveType::Removable;
    });
    EXPECT_EQ(DriveTypeOf("/no/such/file.jpg"), TDriveType::Removable);
    EXPECT_EQ(asked, "/no/such/file.jpg");
    SetDriveTypeOverride(nullptr);
    EXPECT_EQ(DriveTypeOf("/no/such/file.jpg"), TDriveType::NoRootDir);
    EXPECT_EQ(DriveTypeOf(""), TDriveType::NoRootDir);
}

TEST(DriveType, FindsTheInnermostMount)
{
    const std::string table =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "27 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 27 0:40 / /mnt/photo\\040album rw master:2 - nfs4 nas:/photos rw\n"
        "41 27 0:41 / /mnt/a rw - tmpfs tmpfs rw\n"
        "42 41 11:0 / /mnt/a rw - iso9660 /dev/sr0 ro\n"
        "garbage line\n";
    auto at = [&](const std::string &p) { return FindMount(table, p); };

    ASSERT_TRUE(at("/home/me/x.jpg"));
    EXPECT_EQ(at("/home/me/x.jpg")->MountPoint, "/");
    EXPECT_EQ(at("/home/me/x.jpg")->Source, "/dev/sda1");
    EXPECT_EQ(at("/home/me/x.jpg")->Major, 8u);
    EXPECT_EQ(at("/mnt/photo album/x.jpg")->FsType, "nfs4");
    EXPECT_EQ(at("/mnt/photo album")->FsType, "nfs4");
    EXPECT_EQ(at("/mnt/photo albums/x.jpg")->FsType, "ext4"); // not a path prefix
    EXPECT_EQ(at("/mnt/a/b.jpg")->FsType, "iso9660");         // mounted over the tmpfs
    EXPECT_EQ(at("/procx")->MountPoint, "/");
    EXPECT_FALSE(FindMount("", "/x"));
}

TEST(DriveType, ClassifiesFileSystems)
{
    auto type = [](const char *fs, unsigned major = 0) {
        TMountEntry m;
        m.FsType = fs;
        m.Major = major;
        m.Source = "none";
        return DriveTypeOfMount(m);
    };
    EXPECT_EQ(type("nfs"), TDriveType::Remote);
    EXPECT_EQ(type("cifs"), TDriveType::Remote);
    EXPECT_EQ(type("fuse.sshfs"), TDriveType::Remote);
    EXPECT_EQ(type("iso9660"), TDriveType::CDRom);
    EXPECT_EQ(type("udf"), TDriveType::CDRom);
    EXPECT_EQ(type("tmpfs"), TDriveType::RamDisk);
    EXPECT_EQ(type("ramfs"), TDriveType::RamDisk);
    EXPECT_EQ(type("proc"), TDriveType::Unknown);
    EXPECT_EQ(type("fuse.someoddfs"), TDriveType::Unknown);
    // A disk file system whose device /sys does not know is still a local disk.
    EXPECT_EQ(type("ext4", 4095), TDriveType::Fixed);
    EXPECT_EQ(type("btrfs"), TDriveType::Fixed);
}

TEST(DriveType, NetworkMountsAreRemoteWhateverTheirDriver)
{
    auto type = [](const char *fs, const char *source) {
        TMountEntry m;
        m.FsType = fs;
        m.Source = source;
        return DriveTypeOfMount(m);
    };
    EXPECT_EQ(type("nfs4", "nas:/photos"), TDriveType::Remote);
    EXPECT_EQ(type("smb3", "//nas/photos"), TDriveType::Remote);
    EXPECT_EQ(type("sshfs", "me@host:/pictures"), TDriveType::Remote);
    // A FUSE driver missing from the list still counts when its source names a host.
    EXPECT_EQ(type("fuse.newnetfs", "me@host:/pictures"), TDriveType::Remote);
    EXPECT_EQ(type("fuse", "//server/share"), TDriveType::Remote);
    EXPECT_EQ(type("fuse.newnetfs", "newnetfs"), TDriveType::Unknown);
    EXPECT_EQ(type("fuse.newnetfs", "/dev/fuse"), TDriveType::Unknown);
    // A local disk's source never looks like a host.
    EXPECT_EQ(type("ext4", "/dev/sda1:weird"), TDriveType::Fixed);
}

TEST(DriveType, RealMountTableSmoke)
{
    EXPECT_EQ(DriveTypeOf("/proc/self/mountinfo"), TDriveType::Unknown);

    // Every tmpfs the machine has mounted (if any) classifies as a RAM disk.
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream table;
    table << in.rdbuf();
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, dev, root, mountPoint;
        fields >> id >> parent >> dev >> root >> mountPoint;
        const auto holder = FindMount(table.str(), mountPoint);
        if (holder && holder->FsType == "tmpfs" && holder->MountPoint.find('\\') == std::string::npos) {
            EXPECT_EQ(DriveTypeOf(mountPoint), TDriveType::RamDisk) << mountPoint;
        }
    }

    TempFolder dir;
    EXPECT_NE(DriveTypeOf(dir.path()), TDriveType::NoRootDir);
    EXPECT_EQ(DriveTypeOf(dir / "missing.jpg"), TDriveType::NoRootDir);
}
