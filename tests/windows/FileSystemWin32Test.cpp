// Share modes and long names on a real Windows file system.

#include <gtest/gtest.h>

#include "windows/WindowsTestSupport.h"

#include <filesystem>
#include <memory>

#include "engine/U_SpannedFileStream.h"
#include "engine/U_UnicodeUtils.h"
#include "platform/FileSystem.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::TempDir;

struct ShareCase {
  const char* name;
  std::uint16_t first;
  std::uint16_t second;
  bool second_opens;
};

// Opens (mode 0, 0x40) or creates (0xFFFF) through the engine's layer.
FileHandle OpenWithMode(const WideString& name, std::uint16_t mode) {
  if (mode == fmCreate) {
    return WCreateFile(name, platform::kGenericRead | platform::kGenericWrite, 0,
                       platform::kCreateAlways, platform::kFileAttributeNormal);
  }
  return WFileOpen(name, mode);
}

class ShareModeTest : public testing::TestWithParam<ShareCase> {};

TEST_P(ShareModeTest, SecondOpenIsRefusedExactlyWhenWindowsRefusesIt) {
  const ShareCase& c = GetParam();
  TempDir dir;
  const WideString name = dir.WFile("partagé.bin");
  test::WriteFile(dir.File("partagé.bin"), "data");
  platform::ScopedFile first(OpenWithMode(name, c.first));
  ASSERT_TRUE(first.IsValid()) << platform::ErrorText(platform::LastError());
  platform::ScopedFile second(OpenWithMode(name, c.second));
  EXPECT_EQ(second.IsValid(), c.second_opens);
  if (!c.second_opens) {
    EXPECT_EQ(platform::LastError(), platform::SharingViolationError());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ShareModeTest,
    testing::Values(
        ShareCase{"ExclusiveThenExclusive", fmOpenRead, fmOpenRead, false},
        ShareCase{"ExclusiveThenShared", fmOpenRead, fmOpenRead | fmShareDenyNone, false},
        ShareCase{"ExclusiveThenCreate", fmOpenRead, fmCreate, false},
        ShareCase{"SharedThenShared", fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareDenyNone,
                  true},
        ShareCase{"SharedThenExclusive", fmOpenRead | fmShareDenyNone, fmOpenRead, false},
        ShareCase{"SharedThenCreate", fmOpenRead | fmShareDenyNone, fmCreate, false},
        ShareCase{"CreateThenShared", fmCreate, fmOpenRead | fmShareDenyNone, false}),
    [](const testing::TestParamInfo<ShareCase>& info) { return info.param.name; });

TEST(ShareModeTest, OpenFileCannotBeDeletedAndTheErrorIsNamed) {
  TempDir dir;
  const WideString name = dir.WFile("ouvert.bin");
  test::WriteFile(dir.File("ouvert.bin"), "data");
  {
    TWFileStream open(name, fmOpenRead | fmShareDenyNone);
    EXPECT_FALSE(WDeleteFile(name));
    EXPECT_EQ(platform::LastError(), platform::SharingViolationError());
    EXPECT_FALSE(platform::ErrorText(platform::SharingViolationError()).empty());
  }
  EXPECT_TRUE(WDeleteFile(name));
  EXPECT_FALSE(WFileExists(name));
}

TEST(ShareModeTest, StreamOpenedExclusivelyRaisesTheOpenErrorForOthers) {
  TempDir dir;
  const WideString name = dir.WFile("seul.bin");
  test::WriteFile(dir.File("seul.bin"), "data");
  TWFileStream holder(name, fmOpenRead);
  EXPECT_THROW(TWFileStream(name, fmOpenRead | fmShareDenyNone), EFOpenError);
  EXPECT_THROW(TWFileStream(name, fmCreate), EFCreateError);
}

// A folder chain whose full name is far beyond MAX_PATH (260).
WideString DeepFolder(const TempDir& dir, int levels) {
  WideString folder = dir.WFile("");
  if (!folder.empty() && folder.back() == u'\\') {
    folder.pop_back();
  }
  for (int i = 0; i < levels; ++i) {
    folder += u"\\" + WideString(60, static_cast<char16_t>(u'a' + i)) + u" é";
  }
  return folder;
}

TEST(LongPathTest, NamesLongerThanMaxPathAreCreatedWrittenAndReadBack) {
  TempDir dir;
  const WideString deep = DeepFolder(dir, 6);
  WideString made = dir.WFile("");
  made.pop_back();
  for (size_t at = made.size() + 1; at <= deep.size(); ++at) {
    if (at == deep.size() || deep[at] == u'\\') {
      ASSERT_TRUE(WCreateDirectory(deep.substr(0, at)))
          << platform::ErrorText(platform::LastError());
    }
  }
  const WideString file = deep + u"\\fichier très long.bin";
  ASSERT_GT(file.size(), 300u);
  const std::string bytes = test::PatternBytes(100000);
  {
    TWFileStream out(file, fmCreate);
    ASSERT_EQ(out.Write(bytes.data(), static_cast<std::int64_t>(bytes.size())),
              static_cast<std::int64_t>(bytes.size()));
  }
  const platform::FileStatus status = platform::QueryFile(file);
  EXPECT_EQ(status.kind, platform::FileKind::Regular);
  EXPECT_EQ(status.size, static_cast<std::int64_t>(bytes.size()));
  TWFileStream in(file, fmOpenRead | fmShareDenyNone);
  std::string back(bytes.size(), '\0');
  EXPECT_EQ(in.Read(back.data(), static_cast<std::int64_t>(back.size())),
            static_cast<std::int64_t>(back.size()));
  EXPECT_EQ(back, bytes);
}

TEST(LongPathTest, RelativeNamesAreRescuedByThePlainNameRetry) {
  TempDir dir;
  const std::wstring folder = std::filesystem::path(dir.path()).wstring();
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  // An ANSI name goes through the A call; one outside the ANSI code page
  // through the plain W call, never as a best-fit guess of another name.
  for (const WideString& name : {WideString(u"relatif.bin"), WideString(u"Дa.bin")}) {
    platform::ScopedFile created(platform::CreateFile(
        name, platform::kGenericWrite, 0, platform::kCreateAlways, platform::kFileAttributeNormal));
    EXPECT_TRUE(created.IsValid()) << WideToUtf8(name);
    created.Close();
    platform::ScopedFile opened(WFileOpen(name, fmOpenRead | fmShareDenyNone));
    EXPECT_TRUE(opened.IsValid()) << WideToUtf8(name);
  }
  SetCurrentDirectoryW(previous);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 2u);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / L"\u0414a.bin"));
}

TEST(LongPathTest, FindListsNamesAsTheySeeThemWithoutDotEntries) {
  TempDir dir;
  for (const char* name : {"un.vd0", "deux été.vd1", "trois [x].vd2"}) {
    test::WriteFile(dir.File(name), name);
  }
  std::vector<std::string> names;
  platform::FolderListing listing(dir.WFile(""));
  platform::FindData data;
  while (listing.Next(data)) {
    names.push_back(WideToUtf8(data.name));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"deux été.vd1", "trois [x].vd2", "un.vd0"}));
}

TEST(DriveTest, BareDrivesAskOnlyForTheDriveType) {
  EXPECT_TRUE(WDirectoryExists(u"C:"));
  EXPECT_TRUE(WDirectoryExists(u"c:\\"));
  // Wine's prefix maps no floppy drive: A: has no volume behind it.
  EXPECT_FALSE(WDirectoryExists(u"A:"));
  EXPECT_FALSE(WDirectoryExists(u"a:\\"));
}

} // namespace
} // namespace vandrel
