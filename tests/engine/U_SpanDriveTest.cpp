// The drive of disk spanning: the minimal disk count, the set search, the
// disk number of a part, and which folder plays the drive.

#include <gtest/gtest.h>

#include "engine/U_SpanDrive.h"
#include "support/SpanDisks.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

TEST(SpanDriveTest, MinimalFloppyCountIsTheSizeOverAFloppyRoundedUp) {
  const std::pair<std::int64_t, std::int64_t> cases[] = {
      {0, 0},       {1, 1},       {1457664, 1},
      {1457665, 2}, {2186496, 2}, // 1.5 floppies: the tie rounds to even, and is enough
      {2915328, 2}, {2915329, 3}, {3000000, 3},
  };
  for (const auto& [size, count] : cases) {
    EXPECT_EQ(MinimalFloppyCount(size), count) << size;
  }
}

TEST(SpanDriveTest, SetSearchAndDiskNumbersCompareNamesAsText) {
  TempDir dir;
  for (const char* name : {"a*.vd0", "abc.vd5", "x[1].vd0", "x1.vd3", "plain.txt", "b.vd0.bak"}) {
    WriteFile(dir.path() / name, "p");
  }
  fs::create_directory(dir.path() / "folder.vd0");
  std::vector<WideString> sets = FindSpanSets(dir.WFile(""));
  std::sort(sets.begin(), sets.end());
  EXPECT_EQ(sets, (std::vector<WideString>{u"a*", u"x[1]"}));

  EXPECT_EQ(FindDiskNumber(dir.WFile(""), u"a*").number, 0);
  EXPECT_EQ(FindDiskNumber(dir.WFile(""), u"x[1]").number, 0);
  EXPECT_EQ(FindDiskNumber(dir.WFile(""), u"x1").number, 3);
  EXPECT_FALSE(FindDiskNumber(dir.WFile(""), u"a?c").found);
  EXPECT_FALSE(FindDiskNumber(dir.WFile(""), u"missing").found);
  // Only a name with another rest: the number cannot be read.
  EXPECT_THROW(FindDiskNumber(dir.WFile(""), u"b"), EConvertError);
  // A readable part wins over a stray name of the same set.
  WriteFile(dir.path() / "b.vd2", "p");
  EXPECT_EQ(FindDiskNumber(dir.WFile(""), u"b").number, 2);
}

TEST(SpanDriveTest, ANamedFolderIsUsedAsItIsAndAPlainFolderIsNoDisk) {
  TempDir dir;
  // The system's seam: a folder on the system disk never receives a part.
  TSpanDrive plain(dir.WFile(""));
  EXPECT_TRUE(plain.Exists());
  EXPECT_FALSE(plain.DiskFolder().has_value());
  TSpanDrive missing(dir.WFile("absent"));
  EXPECT_FALSE(missing.Exists());
  EXPECT_FALSE(missing.DiskFolder().has_value());
}

TEST(SpanDriveTest, AutomaticTakesTheRemovableVolumeOfThePreviousDisk) {
  struct Several : FakeVolumes {
    std::vector<platform::RemovableVolume> volumes;
    std::vector<platform::RemovableVolume> MountedRemovableVolumes() override { return volumes; }
    bool DiskFreeSpace(const WideString&, std::int64_t& free) override {
      free = 10;
      return true;
    }
  };
  auto several = std::make_shared<Several>();
  const auto previous = platform::SetVolumes(several);
  TSpanDrive drive;
  EXPECT_TRUE(drive.Automatic());
  EXPECT_TRUE(drive.Exists());
  several->drive_exists = false;
  EXPECT_FALSE(drive.Exists());
  EXPECT_FALSE(drive.DiskFolder().has_value()); // nothing mounted: no disk

  several->volumes = {{u"/media/u/KEY", "sdb"}, {u"/media/u/CARD", "sdc"}};
  EXPECT_EQ(drive.DiskFolder(), WideString(u"/media/u/KEY"));
  // The next disk comes into the same drive while another stays mounted.
  several->volumes = {{u"/media/u/OTHER", "sdc"}, {u"/media/u/DISK2", "sdb"}};
  EXPECT_EQ(drive.DiskFolder(), WideString(u"/media/u/DISK2"));
  // That drive is gone: the first volume.
  several->volumes = {{u"/run/media/u/LAST", "sdd"}};
  EXPECT_EQ(drive.DiskFolder(), WideString(u"/run/media/u/LAST"));
  platform::SetVolumes(previous);
}

} // namespace
} // namespace vandrel::test
