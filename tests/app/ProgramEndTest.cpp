// The real program ended by a signal, as a logout, a closed terminal or
// Ctrl+C end it: the ordinary shut-down runs, the log is saved, and a
// portable copy exports its settings and leaves nothing else behind.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/Registry.h"
#include "shell/Settings.h"
#include "support/Hermetic.h"
#include "support/ScopedEnvironment.h"
#include "update/U_Tarvix_Lite.h"

extern char** environ;

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

// A home of its own for each run: settings, data, runtime folders.
class ProgramEndTest : public testing::Test {
protected:
  void SetUp() override {
    for (const char* folder : {"home", "config", "data", "cache", "state", "runtime", "system"}) {
      fs::create_directories(dir_.path() / folder);
    }
    fs::permissions(dir_.path() / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    FreshSettings();
  }

  /// Settings as before a first run, but for the update check, which goes
  /// to a closed loopback port.
  void FreshSettings() {
    fs::remove_all(dir_.path() / "config" / "Tolvane");
    test::ScopedEnvironment config("XDG_CONFIG_HOME", (dir_.path() / "config").string());
    platform::RegistryKey key;
    ASSERT_EQ(key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), true),
              platform::RegistryStatus::Ok);
    ASSERT_EQ(key.WriteString(kUpdateServerSetting, "127.0.0.1:1"), platform::RegistryStatus::Ok);
  }

  fs::path Hive() const { return dir_.path() / "config" / "Tolvane" / "HKEY_CURRENT_USER.reg"; }
  fs::path DataFolder() const { return dir_.path() / "data" / "Tolvane" / "Vandrel"; }

  /// An installed copy is one that a desktop entry named after the company
  /// and the product announces.
  void MarkInstalled() {
    fs::create_directories(dir_.path() / "data" / "applications");
    WriteFile(dir_.path() / "data" / "applications" / "tolvane-vandrel.desktop",
              "[Desktop Entry]\nType=Application\nName=Tolvane Vandrel\nExec=vandrel %f\n");
  }

  /// Starts program offscreen and waits until its start-up sequence has
  /// recorded the program's path in the settings and made the data folder.
  pid_t Start(const fs::path& program) {
    std::vector<std::string> variables;
    for (const auto& [name, folder] : {std::pair{"HOME", "home"},
                                       {"XDG_CONFIG_HOME", "config"},
                                       {"XDG_DATA_HOME", "data"},
                                       {"XDG_CACHE_HOME", "cache"},
                                       {"XDG_STATE_HOME", "state"},
                                       {"XDG_RUNTIME_DIR", "runtime"},
                                       {"XDG_DATA_DIRS", "system"}}) {
      variables.push_back(std::string(name) + "=" + (dir_.path() / folder).string());
    }
    variables.emplace_back("QT_QPA_PLATFORM=offscreen");
    variables.emplace_back("LANG=C.UTF-8");
    variables.push_back(std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : ""));
    std::vector<char*> environment;
    for (std::string& variable : variables) {
      environment.push_back(variable.data());
    }
    environment.push_back(nullptr);
    std::string path = program.string();
    char* argv[] = {path.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = (dir_.path() / "output.txt").string();
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = -1;
    const int failed =
        posix_spawn(&child, path.c_str(), &actions, nullptr, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
      ADD_FAILURE() << "cannot start " << path;
      return -1;
    }
    for (int i = 0; i < 3000; ++i) {
      std::error_code ignored;
      if (fs::exists(Hive(), ignored) && ReadFile(Hive()).find(path) != std::string::npos &&
          fs::is_directory(DataFolder(), ignored)) {
        return child;
      }
      if (waitpid(child, nullptr, WNOHANG) == child) {
        ADD_FAILURE() << "the program ended by itself: " << ReadFile(output);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "the program did not start: " << ReadFile(output);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
  }

  /// Sends the signal and waits for the end; the exit status, or -1 when
  /// the signal killed the program or it did not end in time.
  static int EndWith(pid_t child, int number) {
    kill(child, number);
    for (int i = 0; i < 3000; ++i) {
      int status = 0;
      if (waitpid(child, &status, WNOHANG) == child) {
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
  }

  TempDir dir_;
};

TEST_F(ProgramEndTest, EachEndSignalEndsAnInstalledCopyCleanlyWithItsLogSaved) {
  MarkInstalled();
  for (const int number : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(strsignal(number));
    fs::remove_all(DataFolder());
    FreshSettings();
    const pid_t child = Start(VANDREL_PROGRAM_PATH);
    ASSERT_GT(child, 0);
    EXPECT_EQ(EndWith(child, number), 0) << ReadFile(dir_.path() / "output.txt");
    const fs::path log = DataFolder() / "Vandrel.log";
    ASSERT_TRUE(fs::exists(log)) << "the log is saved at the end";
    const std::string text = ReadFile(log);
    EXPECT_NE(text.find("\tStarting\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\tPortable : No\r\n"), std::string::npos) << text;
  }
}

TEST_F(ProgramEndTest, SigtermEndsAPortableCopyWithOnlyItsSettingsFileLeft) {
  // A copy of its own: the portable settings file lies beside the program.
  const fs::path stick = dir_.path() / "clé USB";
  fs::create_directories(stick);
  const fs::path program = stick / "vandrel";
  fs::copy_file(VANDREL_PROGRAM_PATH, program);
  const pid_t child = Start(program);
  ASSERT_GT(child, 0);
  ASSERT_TRUE(fs::is_directory(DataFolder())) << "the run made its data folder";
  EXPECT_EQ(EndWith(child, SIGTERM), 0) << ReadFile(dir_.path() / "output.txt");

  const fs::path ini = stick / "settings.ini";
  ASSERT_TRUE(fs::exists(ini));
  EXPECT_NE(ReadFile(ini).find("UpdateServer=127.0.0.1:1"), std::string::npos) << ReadFile(ini);
  std::vector<std::string> beside;
  for (const auto& entry : fs::directory_iterator(stick)) {
    beside.push_back(entry.path().filename().string());
  }
  std::sort(beside.begin(), beside.end());
  EXPECT_EQ(beside, (std::vector<std::string>{"settings.ini", "vandrel"}));
  EXPECT_FALSE(fs::exists(dir_.path() / "data" / "Tolvane")) << "the data folder and log go";
  EXPECT_FALSE(fs::exists(dir_.path() / "config" / "Tolvane"))
      << "nothing of ours stays in the settings folder";
}

// The package's layout, unpacked by the package test into a root of its
// own: the program there finds its language files in the root's
// share/vandrel. The stored language is Belgian French, which only the
// French file of that folder matches (by its primary language); the
// switch to it stores that file's own code.
TEST_F(ProgramEndTest, AnUnpackedPackageFindsTheStoredLanguageInItsShareFolder) {
  const char* root = std::getenv("VANDREL_INSTALLED_ROOT");
  if (root == nullptr) {
    GTEST_SKIP() << "run by the package test, which sets VANDREL_INSTALLED_ROOT";
  }
  const fs::path usr = fs::path(root) / "usr";
  // The package's own desktop entry, in a system data folder, makes the
  // copy an installed one (whose log and settings stay).
  fs::create_directories(dir_.path() / "system" / "applications");
  fs::copy_file(usr / "share/applications/example.tolvane.Vandrel.desktop",
                dir_.path() / "system/applications/example.tolvane.Vandrel.desktop");
  test::ScopedEnvironment config("XDG_CONFIG_HOME", (dir_.path() / "config").string());
  {
    platform::RegistryKey key;
    ASSERT_EQ(key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), true),
              platform::RegistryStatus::Ok);
    ASSERT_EQ(key.WriteDword("Langue", 0x080C), platform::RegistryStatus::Ok);
  }
  const pid_t child = Start(usr / "bin/vandrel");
  ASSERT_GT(child, 0);
  EXPECT_EQ(EndWith(child, SIGTERM), 0) << ReadFile(dir_.path() / "output.txt");
  const std::string log = ReadFile(DataFolder() / "Vandrel.log");
  EXPECT_NE(log.find("\tPortable : No\r\n"), std::string::npos) << log;
  platform::RegistryKey key;
  ASSERT_EQ(key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), false),
            platform::RegistryStatus::Ok);
  std::uint32_t code = 0;
  ASSERT_EQ(key.ReadDword("Langue", code), platform::RegistryStatus::Ok);
  EXPECT_EQ(code, 0x040Cu) << "French from " << usr / "share/vandrel"
                           << " was not chosen";
}

} // namespace
} // namespace vandrel::test
