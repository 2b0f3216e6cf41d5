// split --burn: the parts handed to a burner one run at a time, the waits
// on the burner's lock, Ctrl+C, and the real companion end to end on images.

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <thread>

#include "platform/NamedLock.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "shell/U_BurnHandOff.h"
#include "support/Hermetic.h"
#include "support/ProgramRun.h"
#include "support/ScopedEnvironment.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using Outcome = test::ProgramOutcome;
constexpr auto Finish = test::FinishProgram;

std::unique_ptr<platform::Process> StartCli(const std::vector<std::string>& arguments,
                                            const std::string& cli = VANDREL_CLI_PATH) {
  std::error_code ec;
  auto process = platform::Process::Start(cli, arguments, {false, true}, ec);
  EXPECT_NE(process, nullptr) << ec.message();
  return process;
}

std::vector<std::string> Lines(const std::string& text) {
  return SplitTextLines(text);
}

class BurnCliTest : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(dir.path() / "parts");
    source = dir.File("film d'été.avi");
    bytes = test::PatternBytes(300000, 3);
    test::WriteFile(source, bytes);
    log = dir.File("burner.log");
    setenv("FAKE_BURNER_LOG", log.c_str(), 1);
    fs::remove_all(DataFolder());
  }
  void TearDown() override {
    unsetenv("FAKE_BURNER_LOG");
    unsetenv("FAKE_BURNER_HOLD_UNTIL");
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, kBurnerKeyPath);
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, "Software\\Qiv\\Burner");
  }
  static fs::path DataFolder() { return test::HermeticRoot() / "data" / "Tolvane" / "Vandrel"; }
  static void UseBurner(const std::string& path) {
    platform::RegistryKey key;
    key.Open(platform::RegistryRoot::CurrentUser, kBurnerKeyPath, true);
    key.WriteString("QivburnCD", path);
  }
  std::vector<std::string> Split() const {
    return {"split", source, "-o", dir.File("parts"), "--parts", "3", "--burn", "--yes"};
  }
  std::string Part(int n) const { return dir.File("parts/film d'été.avi.vd" + std::to_string(n)); }
  std::string Project(int n) const {
    return (DataFolder() / ("vandrel_" + std::to_string(n) + ".qvb")).string();
  }

  TempDir dir;
  std::string source;
  std::string bytes;
  std::string log;
};

TEST_F(BurnCliTest, EveryPartGoesToTheBurnerOneRunAfterTheOther) {
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  auto cli = StartCli(Split());
  const Outcome outcome = Finish(*cli);
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  std::vector<std::string> expected;
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(test::ReadFile(Project(n)), EncodeProjectFile(W(Part(n))));
    expected.push_back("start 2 /datafl|" + Project(n));
    expected.push_back("part " + Part(n));
    expected.push_back("end");
    EXPECT_NE(outcome.output.find("Burner run " + std::to_string(n + 1) + " of 3: " + Part(n)),
              std::string::npos)
        << outcome.output;
  }
  // No run found the lock taken: each started after the last had ended.
  EXPECT_EQ(Lines(test::ReadFile(log)), expected);
}

TEST_F(BurnCliTest, ABurnerAlreadyRunningDelaysTheFirstRunAndCtrlCStopsTheRest) {
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  const std::string release = dir.File("release");
  setenv("FAKE_BURNER_HOLD_UNTIL", release.c_str(), 1);
  std::error_code ec;
  auto held = platform::NamedLock::TryAcquire(kBurnerLockName, ec);
  ASSERT_NE(held, nullptr);
  auto cli = StartCli(Split());
  // The split is done and the hand-off waits on the lock: nothing started.
  while (!fs::exists(Project(2))) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(fs::exists(log));
  held.reset();
  // The first run starts once the lock is free; Ctrl+C during it.
  while (!fs::exists(log) || test::ReadFile(log).find("part ") == std::string::npos) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(cli->Id(), SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  test::WriteFile(release + "-vandrel_0.qvb", "");
  const Outcome outcome = Finish(*cli);
  EXPECT_EQ(outcome.status, 130) << outcome.output;
  EXPECT_NE(outcome.output.find("waiting for the burner"), std::string::npos) << outcome.output;
  // The run already started went on to its end; no other run came.
  while (IsBurnerRunning()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(Lines(test::ReadFile(log)),
            (std::vector<std::string>{"start 2 /datafl|" + Project(0), "part " + Part(0), "end"}));
}

TEST_F(BurnCliTest, AProjectFileThatCannotBeWrittenSkipsOnlyItsPart) {
  UseBurner(VANDREL_FAKE_BURNER_PATH);
  fs::create_directories(Project(1)); // a folder where the file should go
  auto cli = StartCli(Split());
  const Outcome outcome = Finish(*cli);
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  EXPECT_NE(outcome.output.find("cannot write the burner project file " + Project(1)),
            std::string::npos)
      << outcome.output;
  EXPECT_EQ(Lines(test::ReadFile(log)),
            (std::vector<std::string>{"start 2 /datafl|" + Project(0), "part " + Part(0), "end",
                                      "start 2 /datafl|" + Project(2), "part " + Part(2), "end"}));
  EXPECT_NE(outcome.output.find("Burner run 2 of 2: " + Part(2)), std::string::npos);
}

TEST_F(BurnCliTest, WithoutABurnerTheProjectsAreWrittenAndTheRunFails) {
  // A copy of the program with no companion beside it.
  const fs::path lonely = dir.path() / "bin" / "vandrel-cli";
  fs::create_directories(lonely.parent_path());
  fs::copy_file(VANDREL_CLI_PATH, lonely);
  auto cli = StartCli(Split(), lonely.string());
  const Outcome outcome = Finish(*cli);
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  EXPECT_NE(outcome.output.find("no disc burner found"), std::string::npos) << outcome.output;
  EXPECT_TRUE(fs::exists(Project(2)));
  EXPECT_FALSE(fs::exists(log));
  // An empty source has no part and so nothing to hand over.
  test::WriteFile(source, "");
  auto empty =
      StartCli({"split", source, "-o", dir.File("parts"), "--size", "1k", "--burn", "--yes"},
               lonely.string());
  EXPECT_EQ(Finish(*empty).status, 0);
}

TEST_F(BurnCliTest, TheCompanionBesideTheProgramPutsEveryPartVerifiedInItsOwnImage) {
  test::ScopedEnvironment no_x("DISPLAY", std::nullopt);
  test::ScopedEnvironment no_wayland("WAYLAND_DISPLAY", std::nullopt);
  const fs::path images = dir.path() / "images";
  fs::create_directories(images);
  {
    std::error_code ec;
    auto set = platform::Process::Start(VANDREL_BURNER_PATH,
                                        {"--set-target", "image:" + images.string()}, {}, ec);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->Wait(), 0);
  }
  auto cli = StartCli(Split());
  const Outcome outcome = Finish(*cli);
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  std::string joined;
  for (int n = 0; n < 3; ++n) {
    const std::string name = "film d'été.avi.vd" + std::to_string(n);
    const fs::path image = images / (name + ".iso");
    ASSERT_TRUE(fs::exists(image)) << image;
    const fs::path out = dir.path() / ("extracted" + std::to_string(n));
    std::error_code ec;
    auto extract =
        platform::Process::Start("xorriso",
                                 {"-no_rc", "-osirrox", "on", "-indev", "stdio:" + image.string(),
                                  "-extract", "/" + name, out.string(), "-end"},
                                 {true, true}, ec);
    ASSERT_NE(extract, nullptr);
    const Outcome x = Finish(*extract);
    ASSERT_EQ(x.status, 0) << x.output;
    EXPECT_EQ(test::ReadFile(out), test::ReadFile(Part(n)));
    joined += test::ReadFile(out);
  }
  EXPECT_EQ(joined, bytes);
}

} // namespace
} // namespace vandrel
