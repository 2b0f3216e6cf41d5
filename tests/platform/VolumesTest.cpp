// The POSIX volumes seam: mounts and removable devices read from the
// system's files, and free space only for a folder that is a mount point.

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Volumes.h"
#include "support/Hermetic.h"

namespace vandrel::platform {
namespace {

using test::TempDir;
using test::WriteFile;

const char* const kMountInfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "35 22 8:17 / /media/ana/USB\\040KEY rw,nosuid shared:9 - vfat /dev/sdb1 rw\n"
    "36 22 8:32 / /run/media/ana/CARD rw shared:10 - vfat /dev/sdc rw\n"
    "37 22 8:18 / /mnt/backup rw - ext4 /dev/sdb2 rw\n"
    "38 22 8:1 /home /media/ana/bind rw - ext4 /dev/sda1 rw\n"
    "garbage line\n";

TEST(VolumesTest, ParsesMountInfoWithEscapedNames) {
  const std::vector<MountEntry> mounts = ParseMountInfo(kMountInfo);
  ASSERT_EQ(mounts.size(), 5u);
  EXPECT_EQ(mounts[1].major, 8u);
  EXPECT_EQ(mounts[1].minor, 17u);
  EXPECT_EQ(mounts[1].mount_point, "/media/ana/USB KEY");
}

TEST(VolumesTest, RemovableVolumesAreMediaMountsOnRemovableDisks) {
  TempDir sys;
  auto disk = [&](const std::string& name, const char* removable, const std::string& dev) {
    std::filesystem::create_directories(sys.path() / name);
    WriteFile(sys.path() / name / "removable", std::string(removable) + "\n");
    WriteFile(sys.path() / name / "dev", dev + "\n");
  };
  disk("sda", "0", "8:0");
  std::filesystem::create_directories(sys.path() / "sda" / "sda1");
  WriteFile(sys.path() / "sda" / "sda1" / "dev", "8:1\n");
  std::filesystem::create_directories(sys.path() / "sdb" / "sdb1");
  disk("sdb", "1", "8:16");
  WriteFile(sys.path() / "sdb" / "sdb1" / "dev", "8:17\n");
  WriteFile(sys.path() / "sdb" / "sdb1" / "partition", "1\n");
  std::filesystem::create_directories(sys.path() / "sdb" / "sdb2");
  WriteFile(sys.path() / "sdb" / "sdb2" / "dev", "8:18\n");
  WriteFile(sys.path() / "sdb" / "sdb2" / "partition", "2\n");
  disk("sdc", "1", "8:32");

  const std::vector<RemovableDevice> devices = ListRemovableDevices(sys.path().string());
  EXPECT_EQ(devices.size(), 4u);
  const std::vector<RemovableVolume> volumes = SelectRemovableVolumes(kMountInfo, devices);
  // Not the system disk, not a removable partition mounted outside /media.
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[0].mount_point, W("/media/ana/USB KEY"));
  EXPECT_EQ(volumes[0].disk, "sdb");
  EXPECT_EQ(volumes[1].mount_point, W("/run/media/ana/CARD"));
  EXPECT_EQ(volumes[1].disk, "sdc");
  EXPECT_TRUE(ListRemovableDevices((sys.path() / "absent").string()).empty());
}

TEST(VolumesTest, OnlyAMountPointHasFreeSpace) {
  TempDir dir;
  std::int64_t free = -1;
  EXPECT_FALSE(CurrentVolumes().DiskFreeSpace(dir.WFile(""), free));
  EXPECT_FALSE(CurrentVolumes().DiskFreeSpace(dir.WFile("absent"), free));
  EXPECT_FALSE(CurrentVolumes().DiskFreeSpace(u"/", free)); // the system disk
  EXPECT_TRUE(CurrentVolumes().FlushVolume(dir.WFile("")));
  EXPECT_FALSE(CurrentVolumes().FlushVolume(dir.WFile("absent")));
  EXPECT_FALSE(FlushFile(kInvalidHandle));
  if (geteuid() != 0) {
    GTEST_SKIP() << "mounting a tmpfs volume needs root";
  }
  const std::filesystem::path disk = dir.path() / "disk";
  std::filesystem::create_directory(disk);
  ASSERT_EQ(mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1458176"), 0) << std::strerror(errno);
  EXPECT_TRUE(CurrentVolumes().DiskFreeSpace(W(disk.string()), free));
  EXPECT_EQ(free, 1458176);
  WriteFile(disk / "part", std::string(4096 * 3, 'p'));
  EXPECT_TRUE(CurrentVolumes().DiskFreeSpace(W(disk.string() + "/"), free));
  EXPECT_EQ(free, 1458176 - 4096 * 3);
  EXPECT_TRUE(CurrentVolumes().FlushVolume(W(disk.string())));
  EXPECT_EQ(umount2(disk.c_str(), 0), 0) << std::strerror(errno);
}

} // namespace
} // namespace vandrel::platform
