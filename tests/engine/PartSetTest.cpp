#include "engine/PartSet.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "engine/U_SpannedFileStream.h"
#include "engine/U_UnicodeUtils.h"
#include "platform/FileSystem.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::vector<std::string> Names(const std::vector<WideString>& files) {
  std::vector<std::string> names;
  for (const WideString& file : files) {
    names.push_back(WideToUtf8(WExtractFileName(file)));
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PartSet, EarlierPartsMatchTheNameAsTextNeverAsAPattern) {
  TempDir dir;
  for (const char* name : {"clip1.mp4.vd0", "clip?.mp4.vd0", "clip?.mp4.vd12", "clip?.mp4.bat",
                           "clip[1].mp4.vd0", "Clip?.mp4.vd1"}) {
    test::WriteFile(dir.path() / name, "x");
  }
  fs::create_directory(dir.path() / "clip?.mp4.vd3");
  EXPECT_EQ(Names(FindEarlierParts(dir.WFile(""), W("/elsewhere/clip?.mp4"))),
            (std::vector<std::string>{"clip?.mp4.vd0", "clip?.mp4.vd12"}));
  EXPECT_EQ(Names(FindEarlierParts(dir.WFile(""), W("clip[1].mp4"))),
            (std::vector<std::string>{"clip[1].mp4.vd0"}));
  EXPECT_TRUE(FindEarlierParts(dir.WFile(""), W("clip*.mp4")).empty());
}

TEST(PartSet, ExistenceChecksAreLiteral) {
  TempDir dir;
  test::WriteFile(dir.path() / "a1", "x");
  fs::create_directory(dir.path() / "d1");
  EXPECT_FALSE(WFileExists(dir.WFile("a?")));
  EXPECT_FALSE(WFileExists(dir.WFile("*")));
  EXPECT_FALSE(WDirectoryExists(dir.WFile("d*")));
  test::WriteFile(dir.path() / "a?", "x");
  EXPECT_TRUE(WFileExists(dir.WFile("a?")));
}

TEST(PartSet, InputFilesMustBeRegular) {
  TempDir dir;
  test::WriteFile(dir.path() / "file", "x");
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(CheckInputFile(dir.WFile("file")), FileProblem::None);
  EXPECT_EQ(CheckInputFile(dir.WFile("none")), FileProblem::Missing);
  for (const std::string& special :
       {dir.File("fifo"), dir.File(""), std::string("/dev/zero"), std::string("/proc/self/status"),
        std::string("/sys/kernel/mm/transparent_hugepage/enabled")}) {
    if (fs::exists(special)) {
      EXPECT_EQ(CheckInputFile(W(special)), FileProblem::NotRegular) << special;
    }
  }
  // Opening for reading never waits for a writer.
  EXPECT_THROW(TWFileStream(dir.WFile("fifo"), fmOpenRead), EFOpenError);
}

TEST(PartSet, FoldersAreMadeCanonical) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""}, {"/", "/"}, {"//", "/"}, {"dir//", "dir"}, {"a//b///", "a/b"}, {"a/b", "a/b"}};
  for (const auto& [typed, folder] : cases) {
    EXPECT_EQ(WideToUtf8(NormalizeFolder(W(typed))), folder) << typed;
  }
}

TEST(PartSet, DeletionIsRefusedWhileAnOpenerHoldsTheFile) {
  TempDir dir;
  for (const char* name : {"a.vd0", "a.vd1", "a.vd2"}) {
    test::WriteFile(dir.path() / name, "x");
  }
  const std::vector<WideString> parts{dir.WFile("a.vd0"), dir.WFile("a.vd1"), dir.WFile("a.vd2")};
  std::vector<WideString> tried;
  std::optional<DeleteFailure> failure;
  {
    TWFileStream holder(dir.WFile("a.vd1"), fmShareDenyNone);
    failure = DeleteFiles(parts, [&](const WideString& file) { tried.push_back(file); });
  }
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->file, dir.WFile("a.vd1"));
  EXPECT_EQ(failure->error, platform::SharingViolationError());
  EXPECT_EQ(tried.size(), 2u) << "stops at the refusal";
  EXPECT_FALSE(fs::exists(dir.path() / "a.vd0"));
  EXPECT_TRUE(fs::exists(dir.path() / "a.vd2"));
  // Closed, it goes; a foreign flock is no opener of ours.
  const int foreign = open(dir.File("a.vd1").c_str(), O_RDONLY);
  flock(foreign, LOCK_EX);
  EXPECT_FALSE(DeleteFiles({dir.WFile("a.vd1")}).has_value());
  close(foreign);
}

TEST(PartSet, OpeningNeverWaitsOnForeignLocks) {
  TempDir dir;
  test::WriteFile(dir.path() / "f", "data");
  const int foreign = open(dir.File("f").c_str(), O_RDWR);
  ASSERT_EQ(flock(foreign, LOCK_EX), 0);
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET; // from 0 to the end of all files: the markers too
  ASSERT_EQ(fcntl(foreign, F_SETLK, &whole), 0) << "a lockf/fcntl lock of another program";
  TWFileStream reader(dir.WFile("f"), fmOpenRead);
  TWFileStream writer(dir.WFile("f"), fmCreate);
  close(foreign);
}

TEST(PartSet, KernelCopyThatReportsNothingFallsBackToReadAndWrite) {
  TempDir dir;
  // Files of /proc report 0 to copy_file_range although they have data.
  const platform::FileHandle source =
      platform::CreateFile(u"/proc/self/cmdline", platform::kGenericRead, platform::kFileShareRead,
                           platform::kOpenExisting, platform::kFileAttributeNormal);
  ASSERT_NE(source, platform::kInvalidHandle);
  TWFileStream target(dir.WFile("copy"), fmCreate);
  const platform::CopyResult result = platform::CopyData(source, target.Handle(), 4);
  platform::CloseFile(source);
  EXPECT_EQ(result.failure, platform::CopyResult::Failure::None);
  EXPECT_EQ(result.copied, 4);
}

TEST(PartSet, NamesThatAreNotUtf8RoundTripThroughTheSeam) {
  const std::string bytes = "caf\xE9 \xFF.bin";
  const WideString wide = DecodeNativeName(bytes);
  EXPECT_EQ(EncodeNativeName(wide), bytes);
  EXPECT_EQ(wide[3], u'\xDCE9');
  EXPECT_EQ(WideToUtf8(wide), "caf\xEF\xBF\xBD \xEF\xBF\xBD.bin") << "shown readably";
  EXPECT_EQ(EncodeNativeName(u"\xD800"), "\xEF\xBF\xBD") << "not from a byte";
  TempDir dir;
  test::WriteFile(dir.path() / bytes, "abc");
  const std::vector<WideString> found = FindEarlierParts(dir.WFile(""), u"nothing");
  EXPECT_TRUE(found.empty());
  platform::FolderListing listing(dir.WFile(""));
  platform::FindData data;
  ASSERT_TRUE(listing.Next(data));
  EXPECT_EQ(data.name, wide);
  EXPECT_EQ(CheckInputFile(WIncludeTrailingBackslash(dir.WFile("")) + data.name),
            FileProblem::None);
}

} // namespace
} // namespace vandrel
