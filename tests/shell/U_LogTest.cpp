#include "shell/U_Log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <thread>

#include "support/Hermetic.h"
#include "support/ScopedEnvironment.h"

namespace vandrel {
namespace {

using test::ReadFile;
using test::TempDir;

// 2024-03-05 is day 45356 after 1899-12-30.
constexpr double kMarch5th2024 = 45356.0;

double At(double day, int hours, int minutes, double seconds) {
  return day + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

TEST(LogFormatTest, TimestampIsTwoDigitFieldsWithColons) {
  const struct {
    double when;
    const char* expected;
  } cases[] = {
      {At(kMarch5th2024, 14, 7, 9), "[24-03-05 14:07:09]"},
      {At(36526, 0, 0, 0), "[00-01-01 00:00:00]"},         // 2000-01-01
      {At(36525, 23, 59, 59.4), "[99-12-31 23:59:59]"},    // fraction cut, not rounded up
      {At(36525, 23, 59, 59.9996), "[00-01-01 00:00:00]"}, // whole milliseconds carry over
      {At(kMarch5th2024 + 300, 9, 5, 1), "[24-12-30 09:05:01]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatLogTimestamp(c.when), c.expected) << c.when;
  }
}

TEST(LogFormatTest, LineIsLevelTabTimestampTabMessageUnchanged) {
  const struct {
    int level;
    const char* name;
  } levels[] = {{0, "Verbose"}, {1, "Info"}, {2, "Error"}, {7, "Error"}};
  for (const auto& level : levels) {
    EXPECT_EQ(FormatLogLine(" a\tb\r\nc ", level.level, At(kMarch5th2024, 14, 7, 9)),
              std::string(level.name) + "\t[24-03-05 14:07:09]\t a\tb\r\nc ");
  }
}

class LogTest : public testing::Test {
protected:
  TempDir dir;
  std::string file = dir.File("Vandrel.log");
};

TEST_F(LogTest, AddRecordsNewestFirstWithLevelNamesAndClampsHighLevels) {
  TKLog log(file, true, 10000);
  log.Add("verbose", 0);
  log.Add("info", 1);
  log.Add("error", 2);
  log.Add("Split : complete", 7);
  ASSERT_EQ(log.Lines.size(), 4u);
  const std::regex shape(R"((Verbose|Info|Error)\t\[\d\d-\d\d-\d\d \d\d:\d\d:\d\d\]\t.*)");
  for (const auto& line : log.Lines) {
    EXPECT_TRUE(std::regex_match(line, shape)) << line;
  }
  EXPECT_EQ(log.Lines[0].substr(0, 6), "Error\t");
  EXPECT_EQ(log.Lines[0].substr(log.Lines[0].size() - 16), "Split : complete");
  EXPECT_EQ(log.Lines[2].substr(0, 5), "Info\t");
  EXPECT_EQ(log.Lines[3].substr(0, 8), "Verbose\t");
}

TEST_F(LogTest, VerboseOutsideDebugModeChangesNothing) {
  {
    TKLog log(file, false, 10000);
    log.Add("detail", 0);
    EXPECT_TRUE(log.Lines.empty());
    EXPECT_FALSE(std::filesystem::exists(file)) << "outside debug mode Add never saves";
  }
  EXPECT_EQ(ReadFile(file), "") << "the destructor saves the empty log";
}

TEST_F(LogTest, CapacityDropsOldestAndFileRunsNewestToSecondOldest) {
  TKLog log(file, false, 10000);
  for (int i = 1; i <= 10001; ++i) {
    log.Add("line " + std::to_string(i), 1);
  }
  ASSERT_EQ(log.Lines.size(), 10000u);
  log.Save();
  const std::string text = ReadFile(file);
  const std::string first = text.substr(0, text.find("\r\n"));
  EXPECT_EQ(first.substr(first.size() - 10), "line 10001");
  const std::string tail = text.substr(text.rfind("\t") + 1);
  EXPECT_EQ(tail, "line 2\r\n");
}

TEST_F(LogTest, FileHoldsLinesWithCrLfAndMessagesUnchanged) {
  TKLog log(file, true, 10000);
  log.Add("first\tcolumn", 1);
  log.Add("two\nlines", 2);
  EXPECT_EQ(ReadFile(file), log.Lines[0] + "\r\n" + log.Lines[1] + "\r\n")
      << "debug mode saves after every line";
  EXPECT_NE(log.Lines[0].find("two\nlines"), std::string::npos);
  EXPECT_NE(log.Lines[1].find("first\tcolumn"), std::string::npos);
}

TEST_F(LogTest, SaveReplacesAnEarlierRunAndDestructorSaves) {
  test::WriteFile(file, "Info\t[20-01-01 00:00:00]\tan older run with a much longer text\r\n");
  {
    TKLog log(file, false, 10000);
    log.Add("this run", 1);
  }
  const std::string text = ReadFile(file);
  EXPECT_EQ(text.find("older run"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 10), "this run\r\n");
}

TEST_F(LogTest, UnwritableLogFileIsSwallowedAndRecordingGoesOn) {
  const std::string missing = dir.File("no such folder/Vandrel.log");
  TKLog log(missing, true, 10000);
  log.Add("one", 1);
  log.Save();
  log.Open();
  log.Add("two", 1);
  EXPECT_EQ(log.Lines.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// After its last save the log never writes its file again, so a clean-up
// that deletes the file is final.
TEST_F(LogTest, NothingIsSavedAfterClose) {
  for (const bool save_first : {true, false}) {
    SCOPED_TRACE(save_first ? "saved at close" : "closed unsaved");
    std::filesystem::remove(file);
    {
      TKLog log(file, true, 10000);
      log.Close(save_first);
      EXPECT_EQ(std::filesystem::exists(file), save_first);
      std::filesystem::remove(file);
      log.Add("after the end", 1); // debug mode would save here
      log.Save();
      EXPECT_EQ(log.Lines.size(), 1u) << "recording in memory goes on";
    }
    EXPECT_FALSE(std::filesystem::exists(file)) << "nor does the destructor save";
  }
}

// A link or FIFO at the log's name is left alone: no file elsewhere is
// overwritten and no save waits for a reader.
TEST_F(LogTest, LogIsWrittenOnlyAsARegularFile) {
  const std::string target = dir.File("someone else's file");
  test::WriteFile(target, "precious");
  std::filesystem::create_symlink(target, file);
  const std::string fifo = dir.File("fifo.log");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {file, fifo}) {
    TKLog log(name, true, 10000);
    log.Add("a line", 1);
    log.Save();
  }
  EXPECT_EQ(ReadFile(target), "precious");
  EXPECT_TRUE(std::filesystem::is_symlink(file));
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

TEST_F(LogTest, AddOnAnAbsentLogDoesNothing) {
  TKLog* absent = nullptr;
  LogAdd(absent, "before start-up", 2);
  TKLog log(file, false, 10);
  LogAdd(&log, "after start-up", 1);
  EXPECT_EQ(log.Lines.size(), 1u);
}

TEST_F(LogTest, OpenSavesAndHandsTheFileToTheDesktopOpener) {
  // A stand-in opener on PATH that records what it was asked to open.
  const std::string bin = dir.File("bin");
  std::filesystem::create_directory(bin);
  const std::string record = dir.File("opened.txt");
  test::WriteFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + record +
                                         ".part\" && mv \"" + record + ".part\" \"" + record +
                                         "\"\n");
  chmod((bin + "/xdg-open").c_str(), 0755);
  test::ScopedEnvironment path("PATH", bin + ":/usr/bin:/bin");
  TKLog log(file, false, 10000);
  log.Add("Open : log", 1);
  log.Open();
  EXPECT_NE(ReadFile(file).find("Open : log"), std::string::npos);
  for (int i = 0; i < 1000 && !std::filesystem::exists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ReadFile(record), file);
}

} // namespace
} // namespace vandrel
