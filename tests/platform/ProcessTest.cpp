// Starting programs with an argument list: every word reaches the child as
// it is, failures to start are told, exit statuses come back, and the child
// runs in a process group of its own.

#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/Process.h"

namespace vandrel {
namespace {

using platform::Process;

std::string RunCaptured(const std::string& program, const std::vector<std::string>& arguments,
                        int& status) {
  std::error_code ec;
  auto process = Process::Start(program, arguments, {true, true}, ec);
  EXPECT_NE(process, nullptr) << ec.message();
  std::string output;
  if (!process) {
    return output;
  }
  while (process->ReadOutput(output, std::chrono::milliseconds(1000))) {
  }
  status = process->Wait();
  return output;
}

TEST(ProcessTest, ArgumentsReachTheChildWordForWordWithoutAShell) {
  int status = -1;
  const std::string output = RunCaptured(
      "printf", {"[%s]\\n", "two words", "$HOME", "\"quoted\"", "a;b", "été", ""}, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output, "[two words]\n[$HOME]\n[\"quoted\"]\n[a;b]\n[été]\n[]\n");
}

TEST(ProcessTest, ExitStatusesAndFailuresToStart) {
  int status = -1;
  RunCaptured("sh", {"-c", "exit 7"}, status);
  EXPECT_EQ(status, 7);
  RunCaptured("sh", {"-c", "kill -TERM $$"}, status);
  EXPECT_EQ(status, 128 + 15);

  std::error_code ec;
  EXPECT_EQ(Process::Start("/nonexistent/program", {}, {}, ec), nullptr);
  EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
  // Without the PATH search a bare name is a file of the current folder.
  EXPECT_EQ(Process::Start("printf", {}, {}, ec), nullptr);
  EXPECT_TRUE(ec);
}

TEST(ProcessTest, TheChildHasAProcessGroupOfItsOwnAndCanBeStopped) {
  int status = -1;
  const std::string output = RunCaptured("sh", {"-c", "cut -d' ' -f5 /proc/$$/stat"}, status);
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(std::stoi(output), getpgrp());

  std::error_code ec;
  auto sleeper = Process::Start("sleep", {"30"}, {true, false}, ec);
  ASSERT_NE(sleeper, nullptr);
  EXPECT_FALSE(sleeper->HasExited());
  sleeper->Terminate();
  EXPECT_EQ(sleeper->Wait(), 128 + 15);
  EXPECT_TRUE(sleeper->HasExited());
}

} // namespace
} // namespace vandrel
