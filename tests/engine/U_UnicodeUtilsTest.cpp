#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/U_UnicodeUtils.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::TempDir;

struct NameCase {
  const char* input;
  const char* include_trailing;
  const char* exclude_trailing;
  const char* file_name;
  const char* file_dir;
};

class NameFunctionsTest : public testing::TestWithParam<NameCase> {};

TEST_P(NameFunctionsTest, SplitsAndJoinsOnTheSeparator) {
  const NameCase& c = GetParam();
  EXPECT_EQ(WIncludeTrailingBackslash(W(c.input)), W(c.include_trailing));
  EXPECT_EQ(WExcludeTrailingBackslash(W(c.input)), W(c.exclude_trailing));
  EXPECT_EQ(WExtractFileName(W(c.input)), W(c.file_name));
  EXPECT_EQ(WExtractFileDir(W(c.input)), W(c.file_dir));
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameFunctionsTest,
    testing::Values(
        NameCase{"", "", "", "", ""}, NameCase{"file.txt", "file.txt/", "file.txt", "file.txt", ""},
        NameCase{"/in/movie.avi", "/in/movie.avi/", "/in/movie.avi", "movie.avi", "/in"},
        NameCase{"/out/", "/out/", "/out", "", "/out"},
        NameCase{"/file", "/file/", "/file", "file", ""},
        NameCase{"dir/été à.avi", "dir/été à.avi/", "dir/été à.avi", "été à.avi", "dir"},
        // A colon is an ordinary character in POSIX names.
        NameCase{"C:file.txt", "C:file.txt/", "C:file.txt", "C:file.txt", ""}));

TEST(UnicodeUtilsTest, InvalidModeWordsFailWithoutTouchingTheDisk) {
  TempDir dir;
  test::WriteFile(dir.path() / "a.bin", "x");
  const WideString name = dir.WFile("a.bin");
  for (const std::uint16_t mode :
       {std::uint16_t{0x0003}, std::uint16_t{0x0050}, std::uint16_t{0x00F0}}) {
    EXPECT_EQ(WFileOpen(name, mode), kInvalidHandle) << std::hex << mode;
  }
  EXPECT_EQ(WFileOpen(u"", fmOpenRead), kInvalidHandle);
  EXPECT_EQ(WCreateFile(u"ab", platform::kGenericWrite, 0, platform::kCreateAlways, 0),
            kInvalidHandle);
  EXPECT_FALSE(std::filesystem::exists("ab"));

  const FileHandle handle = WFileOpen(name, fmOpenRead | fmShareDenyNone);
  ASSERT_NE(handle, kInvalidHandle);
  platform::CloseFile(handle);
}

TEST(UnicodeUtilsTest, ExistenceTestsTellFilesFromFolders) {
  TempDir dir;
  test::WriteFile(dir.File("fichier ü.bin"), "x");
  std::filesystem::create_directory(dir.path() / "sous dossier");
  EXPECT_TRUE(WFileExists(dir.WFile("fichier ü.bin")));
  EXPECT_FALSE(WDirectoryExists(dir.WFile("fichier ü.bin")));
  EXPECT_TRUE(WDirectoryExists(dir.WFile("sous dossier")));
  EXPECT_FALSE(WFileExists(dir.WFile("sous dossier")));
  EXPECT_FALSE(WFileExists(dir.WFile("absent")));
  EXPECT_FALSE(WDirectoryExists(dir.WFile("absent")));
}

TEST(UnicodeUtilsTest, FindMatchesWindowsWildcardsAndTakesBracketsLiterally) {
  TempDir dir;
  for (const char* name :
       {"movie [1080p].avi.vd0", "movie [1080p].avi.vd1", "movie 1.avi.vd0", "other.txt"}) {
    test::WriteFile(dir.path() / name, "x");
  }
  std::filesystem::create_directory(dir.path() / "movie [1080p].avi.vdfolder");
  std::vector<std::string> found;
  TWin32FindDataW data;
  const FileHandle search = WFindFirstFile(dir.WFile("movie [1080p].avi.vd*"), data);
  ASSERT_NE(search, kInvalidHandle);
  do {
    found.push_back(WideToUtf8(data.name) +
                    ((data.attributes & platform::kFileAttributeDirectory) ? "/" : ""));
  } while (WFindNextFile(search, data));
  WFindClose(search);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"movie [1080p].avi.vd0", "movie [1080p].avi.vd1",
                                             "movie [1080p].avi.vdfolder/"}));
  EXPECT_EQ(WFindFirstFile(dir.WFile("*.none"), data), kInvalidHandle);
}

} // namespace
} // namespace vandrel
