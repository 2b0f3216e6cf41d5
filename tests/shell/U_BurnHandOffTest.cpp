// The shared half of the burner hand-off: project files byte for byte, the
// burner's lookup in the settings, and starting it.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/NamedLock.h"
#include "platform/Registry.h"
#include "shell/U_BurnHandOff.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(ProjectFileTest, BytesAreTheMarkAndTheNameInUtf16LittleEndian) {
  struct Case {
    WideString name;
    std::string bytes;
  };
  const Case cases[] = {
      {u"/a b", std::string("\xFF\xFE/\0a\0 \0b\0", 10)},
      {u"/\u00E9", std::string("\xFF\xFE/\0\xE9\0", 6)},
      // A character beyond the basic plane takes a surrogate pair.
      {u"\U0001F4BF", std::string("\xFF\xFE\x3D\xD8\xBF\xDC", 6)},
      // A byte of a name that is no UTF-8 travels as its lone surrogate.
      {DecodeNativeName("/x\xFF"), std::string("\xFF\xFE/\0x\0\xFF\xDC", 8)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeProjectFile(c.name), c.bytes);
    WideString back;
    AnsiString error;
    ASSERT_TRUE(DecodeProjectFile(c.bytes, back, error)) << error;
    EXPECT_EQ(back, c.name);
  }
  // A reader's final line break is tolerated.
  WideString back;
  AnsiString error;
  ASSERT_TRUE(DecodeProjectFile(std::string("\xFF\xFEx\0\r\0\n\0", 8), back, error));
  EXPECT_EQ(back, u"x");
}

TEST(ProjectFileTest, AnythingButTheMarkAndOneLineIsRefused) {
  struct Case {
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"", kProjectNoByteOrderMark},
      {"/tmp/a.vd0", kProjectNoByteOrderMark},
      {std::string("\xFE\xFF\0/\0a", 6), kProjectNoByteOrderMark},
      {std::string("\xFF\xFE/\0a", 5), kProjectOddLength},
      {"\xFF\xFE", kProjectEmpty},
      {std::string("\xFF\xFE\n\0", 4), kProjectEmpty},
      {std::string("\xFF\xFE"
                   "a\0\n\0b\0",
                   8),
       kProjectManyLines},
      {std::string("\xFF\xFE"
                   "a\0\0\0b\0",
                   8),
       kProjectNul},
  };
  for (const Case& c : cases) {
    WideString name;
    AnsiString error;
    EXPECT_FALSE(DecodeProjectFile(c.bytes, name, error)) << c.reason;
    EXPECT_EQ(error, c.reason);
    EXPECT_TRUE(name.empty());
  }
}

TEST(ProjectFileTest, WrittenUnderItsNumberedNameAndReplacedWhenThere) {
  TempDir dir;
  const AnsiString folder = dir.path().string() + "/";
  const AnsiString file = ProjectFileName(folder, kProjectPrefix, 12);
  EXPECT_EQ(file, folder + "vandrel_12.qvb");
  ASSERT_TRUE(WriteProjectFile(file, u"/old"));
  ASSERT_TRUE(WriteProjectFile(file, u"/p\u00E9"));
  EXPECT_EQ(test::ReadFile(file), std::string("\xFF\xFE/\0p\0\xE9\0", 8));
  // No file where a folder stands in the way.
  fs::create_directory(folder + "vandrel_3.qvb");
  EXPECT_FALSE(WriteProjectFile(ProjectFileName(folder, kProjectPrefix, 3), u"/x"));
}

class BurnerLookupTest : public testing::Test {
protected:
  void TearDown() override {
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, kBurnerKeyPath);
  }
  static void SetValue(const char* name, const std::string& value) {
    platform::RegistryKey key;
    ASSERT_EQ(key.Open(platform::RegistryRoot::CurrentUser, kBurnerKeyPath, true),
              platform::RegistryStatus::Ok);
    key.WriteString(name, value);
  }
  TempDir dir;
};

TEST_F(BurnerLookupTest, AValueNamesTheBurnerOrItsFolderAndTheFirstUsableValueWins) {
  fs::create_directories(dir.path() / "first");
  fs::create_directories(dir.path() / "second");
  const std::string first = (dir.path() / "first" / BurnerExeName()).string();
  const std::string second = (dir.path() / "second" / BurnerExeName()).string();
  test::WriteFile(first, "#!/bin/sh\n");
  test::WriteFile(second, "#!/bin/sh\n");
  EXPECT_EQ(BurnerExeName(), "qivburncd");

  struct Case {
    std::string cd;    // value "QivburnCD"; "-" = absent
    std::string plain; // value "Qivburn"
    std::string found;
  };
  const std::string folder = (dir.path() / "first").string();
  const Case cases[] = {
      {first, second, first},
      {folder, second, first},
      {folder + "/", second, first},
      // A missing file, then its folder form, then the other value.
      {(dir.path() / "first" / "gone.exe").string(), second, second},
      {"", (dir.path() / "second").string(), second},
      {"-", second, second},
      {"-", "-", ""},
      {(dir.path() / "nowhere").string(), "", ""},
  };
  for (const Case& c : cases) {
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, kBurnerKeyPath);
    if (c.cd != "-") {
      SetValue("QivburnCD", c.cd);
    }
    if (c.plain != "-") {
      SetValue("Qivburn", c.plain);
    }
    EXPECT_EQ(FindBurnerExe(), c.found) << c.cd << " / " << c.plain;
  }
  // Looking never creates the key.
  platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, kBurnerKeyPath);
  EXPECT_EQ(ReadBurnerPath("QivburnCD", BurnerExeName()), "");
  EXPECT_FALSE(platform::RegistryKeyExists(platform::RegistryRoot::CurrentUser, kBurnerKeyPath));
}

TEST_F(BurnerLookupTest, TheBurnerGetsDataflAndTheProjectAndIsSeenWhileItHoldsTheLock) {
  const std::string log = dir.File("burner.log");
  setenv("FAKE_BURNER_LOG", log.c_str(), 1);
  const std::string release = dir.File("release");
  setenv("FAKE_BURNER_HOLD_UNTIL", release.c_str(), 1);
  const AnsiString project = dir.File("vandrel_0.qvb");
  ASSERT_TRUE(WriteProjectFile(project, W(dir.File("film été.vd0"))));

  std::error_code ec;
  auto burner = LaunchBurner(VANDREL_FAKE_BURNER_PATH, project, ec);
  ASSERT_NE(burner, nullptr) << ec.message();
  WaitForBurnerReady(*burner, std::chrono::seconds(30), {});
  EXPECT_TRUE(IsBurnerRunning());
  test::WriteFile(release + "-vandrel_0.qvb", "");
  EXPECT_EQ(burner->Wait(), 0);
  EXPECT_FALSE(IsBurnerRunning());
  EXPECT_EQ(test::ReadFile(log),
            "start 2 /datafl|" + project + "\npart " + dir.File("film été.vd0") + "\nend\n");

  // A burner that cannot start is told, and one that ends at once without
  // the lock does not keep the caller waiting.
  EXPECT_EQ(LaunchBurner(dir.File("missing"), project, ec), nullptr);
  EXPECT_TRUE(ec);
  auto quick = LaunchBurner("/bin/true", project, ec);
  ASSERT_NE(quick, nullptr);
  WaitForBurnerReady(*quick, std::chrono::seconds(30), {});
  EXPECT_TRUE(quick->HasExited());
  unsetenv("FAKE_BURNER_LOG");
  unsetenv("FAKE_BURNER_HOLD_UNTIL");
}

} // namespace
} // namespace vandrel
