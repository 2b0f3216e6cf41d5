#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/Hermetic.h"

namespace vandrel::platform {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const std::string kSample = "; portable settings\r\n"
                            "[Settings]\r\n"
                            "LogMode = 1 \r\n"
                            "Quoted=\"  padded  \"\r\n"
                            "Single='x'\r\n"
                            "logmode=shadowed\r\n"
                            "no equals sign\r\n"
                            "; Commented=1\r\n"
                            "\r\n"
                            "[ Settings_DWORD ]\r\n"
                            "Langue=1036\r\n"
                            "Empty=\r\n";

TEST(IniFileTest, ReadsNamesInFileOrderAndValuesByTheWindowsRules) {
  EXPECT_EQ(IniSectionNamesOf(kSample), (std::vector<AnsiString>{"Settings", "Settings_DWORD"}));
  EXPECT_EQ(IniEntryNamesOf(kSample, "settings"),
            (std::vector<AnsiString>{"LogMode", "Quoted", "Single"}));
  EXPECT_EQ(IniEntryNamesOf(kSample, "SETTINGS_DWORD"),
            (std::vector<AnsiString>{"Langue", "Empty"}));
  EXPECT_TRUE(IniEntryNamesOf(kSample, "Missing").empty());
  const struct {
    const char* section;
    const char* name;
    bool found;
    const char* value;
  } cases[] = {
      {"Settings", "logmode", true, "1"},         // trimmed, first of two wins
      {"Settings", "Quoted", true, "  padded  "}, // one pair of quotes goes
      {"Settings", "Single", true, "x"},          {"Settings", "Commented", false, ""},
      {"Settings", "Langue", false, ""}, // sections keep their entries
      {"Settings_DWORD", "Langue", true, "1036"}, {"Settings_DWORD", "Empty", true, ""},
  };
  for (const auto& c : cases) {
    AnsiString value;
    EXPECT_EQ(IniFindValue(kSample, c.section, c.name, value), c.found) << c.name;
    EXPECT_EQ(value, c.value) << c.name;
  }
}

TEST(IniFileTest, WritesOneEntryInPlaceAndKeepsTheRest) {
  const struct {
    const char* what;
    std::string before;
    const char* section;
    const char* name;
    const char* value;
    std::string after;
  } cases[] = {
      {"new file", "", "Settings", "LogMode", "1", "[Settings]\r\nLogMode=1\r\n"},
      {"replace in place", "[Settings]\r\nA=1\r\nlogmode=0\r\nB=2\r\n", "Settings", "LogMode", "1",
       "[Settings]\r\nA=1\r\nLogMode=1\r\nB=2\r\n"},
      {"add after the section's last line",
       "[Settings]\r\nA=1\r\n\r\n[Settings_DWORD]\r\nLangue=1036\r\n", "settings", "B", "2",
       "[Settings]\r\nA=1\r\nB=2\r\n\r\n[Settings_DWORD]\r\nLangue=1036\r\n"},
      {"new section at the end", "; top\r\n[Settings]\r\nA=1\r\n", "Settings_DWORD", "Langue", "-1",
       "; top\r\n[Settings]\r\nA=1\r\n[Settings_DWORD]\r\nLangue=-1\r\n"},
      {"LF file stays LF", "[Settings]\nA=1\n", "Settings", "B", "2", "[Settings]\nA=1\nB=2\n"},
      {"unended last line", "[Settings]\r\nA=1", "Settings", "B", "2",
       "[Settings]\r\nA=1\r\nB=2\r\n"},
      {"empty section", "[Settings]\r\n[Other]\r\nX=1\r\n", "Settings", "A", "1",
       "[Settings]\r\nA=1\r\n[Other]\r\nX=1\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniWithEntry(c.before, c.section, c.name, c.value), c.after) << c.what;
  }
}

TEST(IniFileTest, FileFunctionsCreateReadAndRefuseReadOnlyFiles) {
  TempDir dir;
  const std::string file = dir.File("settings.ini");
  EXPECT_TRUE(IniReadEntryNames(file, "Settings").empty());
  EXPECT_EQ(IniReadString(file, "Settings", "LogMode", "fallback"), "fallback");
  ASSERT_TRUE(IniWriteString(file, "Settings", "LogMode", "1"));
  ASSERT_TRUE(IniWriteString(file, "Settings_DWORD", "Langue", "1036"));
  EXPECT_EQ(ReadFile(file), "[Settings]\r\nLogMode=1\r\n[Settings_DWORD]\r\nLangue=1036\r\n");
  EXPECT_EQ(IniReadString(file, "settings_dword", "LANGUE"), "1036");
  EXPECT_EQ(IniReadSectionNames(file), (std::vector<AnsiString>{"Settings", "Settings_DWORD"}));

  chmod(file.c_str(), 0444);
  EXPECT_FALSE(IniWriteString(file, "Settings", "LogMode", "0"));
  EXPECT_EQ(IniReadString(file, "Settings", "LogMode"), "1") << "the old file is unchanged";
  EXPECT_FALSE(IniWriteString(dir.File("missing folder/settings.ini"), "Settings", "A", "1"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file is left behind";
}

// The registry's default value has the empty name; its "=text" entry is an
// entry like any other.
TEST(IniFileTest, EmptyNameIsAnEntry) {
  const std::string text = "[Settings]\r\n=the default\r\nA=1\r\n";
  EXPECT_EQ(IniEntryNamesOf(text, "Settings"), (std::vector<AnsiString>{"", "A"}));
  AnsiString value;
  ASSERT_TRUE(IniFindValue(text, "Settings", "", value));
  EXPECT_EQ(value, "the default");
  EXPECT_EQ(IniWithEntry("[Settings]\r\nA=1\r\n", "Settings", "", "x"),
            "[Settings]\r\nA=1\r\n=x\r\n");
}

// Two copies writing the same settings file at once: every entry of both
// arrives.
TEST(IniFileTest, TwoProcessesWritingAtOnceLoseNoEntry) {
  TempDir dir;
  const std::string file = dir.File("settings.ini");
  constexpr int kWrites = 40;
  auto write_all = [&](const char* prefix) {
    for (int i = 0; i < kWrites; ++i) {
      if (!IniWriteString(file, "Settings", prefix + std::to_string(i), std::to_string(i))) {
        return false;
      }
    }
    return true;
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    _exit(write_all("child") ? 0 : 1);
  }
  const bool parent_ok = write_all("parent");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(parent_ok);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(IniReadEntryNames(file, "Settings").size(), 2u * kWrites);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1)
      << "no lock or temporary file is left behind";
}

// A settings file that is a link or a FIFO is left alone: it reads as
// missing and takes no entry.
TEST(IniFileTest, SettingsFileThatIsNoRegularFileIsLeftAlone) {
  TempDir dir;
  const std::string target = dir.File("elsewhere.ini");
  WriteFile(target, "[Settings]\r\nLogMode=1\r\n");
  const std::string link = dir.File("settings.ini");
  std::filesystem::create_symlink(target, link);
  const std::string fifo = dir.File("fifo.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& file : {link, fifo}) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(IniReadEntryNames(file, "Settings").empty());
    EXPECT_FALSE(IniWriteString(file, "Settings", "LogMode", "0"));
  }
  EXPECT_EQ(ReadFile(target), "[Settings]\r\nLogMode=1\r\n");
}

} // namespace
} // namespace vandrel::platform
