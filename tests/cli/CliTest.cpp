// vandrel-cli end to end: exit statuses, messages, round trips.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/Hermetic.h"

extern char** environ;

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

const char* CliPath() {
  return VANDREL_CLI_PATH;
}

// Starts vandrel-cli with stdin from /dev/null and both outputs into files.
pid_t Spawn(const std::vector<std::string>& arguments, const TempDir& dir) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, dir.File("cli.out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, dir.File("cli.err").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> words{CliPath()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

Outcome Wait(pid_t pid, const TempDir& dir) {
  Outcome outcome;
  if (pid <= 0) {
    return outcome;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.out = test::ReadFile(dir.path() / "cli.out");
  outcome.err = test::ReadFile(dir.path() / "cli.err");
  return outcome;
}

Outcome Cli(const std::vector<std::string>& arguments, const TempDir& dir) {
  return Wait(Spawn(arguments, dir), dir);
}

class CliTest : public testing::Test {
protected:
  TempDir dir;
  std::string source;
  std::string bytes;
  void SetUp() override {
    fs::create_directory(dir.path() / "parts");
    fs::create_directory(dir.path() / "joined");
    source = dir.File("film d'été.avi");
    bytes = test::PatternBytes(1000000);
    test::WriteFile(source, bytes);
  }
  std::string Part(int n) const { return dir.File("parts/film d'été.avi.vd" + std::to_string(n)); }
};

TEST_F(CliTest, SplitBySizeAndJoinRoundTripByteForByte) {
  const Outcome split = Cli({"split", source, "-o", dir.File("parts"), "--size", "300k"}, dir);
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(fs::file_size(Part(0)), 307200u);
  EXPECT_EQ(fs::file_size(Part(3)), 1000000u - 3 * 307200u);
  EXPECT_FALSE(fs::exists(Part(4)));

  const Outcome join = Cli({"join", Part(2), "-o", dir.File("joined")}, dir);
  ASSERT_EQ(join.status, 0) << join.err;
  EXPECT_EQ(test::ReadFile(dir.path() / "joined/film d'été.avi"), bytes);
}

TEST_F(CliTest, PartsAndPresetsGiveTheirPartSizes) {
  struct Case {
    std::vector<std::string> how;
    std::uintmax_t first_part;
  };
  for (const Case& c :
       {Case{{"--parts", "3"}, 333334}, Case{{"--preset", "0"}, 65536},
        Case{{"--preset", "floppy disk (1.39 mb)"}, 1000000}, Case{{"--size", "1.5k"}, 1536}}) {
    std::vector<std::string> arguments{"split", source, "-o", dir.File("parts"), "--yes", "-q"};
    arguments.insert(arguments.end(), c.how.begin(), c.how.end());
    const Outcome outcome = Cli(arguments, dir);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(fs::file_size(Part(0)), c.first_part) << c.how[1];
    EXPECT_EQ(outcome.err, "") << "--quiet";
  }
  const Outcome presets = Cli({"presets"}, dir);
  EXPECT_EQ(presets.status, 0);
  EXPECT_NE(presets.out.find("12   8536247500  Dual Layer DVD"), std::string::npos) << presets.out;
}

TEST_F(CliTest, RefusedChecksAndBadUsageExitWithTwoAndSayWhy) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::string missing = dir.File("absent.avi");
  const std::string no_folder = dir.File("no folder");
  for (const Case& c : {
           Case{{}, "Usage:"},
           Case{{"frobnicate"}, "unknown command 'frobnicate'"},
           Case{{"split", source}, "give exactly one of --parts N, --size SIZE or --preset NAME"},
           Case{{"split", source, "--parts", "2", "--size", "1k"}, "give exactly one of"},
           Case{{"split", missing, "--parts", "2"}, "File " + missing + " Not Found."},
           Case{{"split", source, "-o", no_folder, "--parts", "2"},
                "Directory " + no_folder + " Not Found."},
           Case{{"split", source, "--parts", "1"}, "Please set a number of parts greater than 1"},
           Case{{"split", source, "--size", "0"}, "Please set a size of parts greater than 1 byte"},
           Case{{"split", source, "--size", "12q"}, "cannot read the size '12q'"},
           Case{{"split", source, "--preset", "Blu-ray"}, "unknown preset 'Blu-ray'"},
           Case{{"split", source, "--bogus"}, "unknown option --bogus"},
           Case{{"join"}, "no part file given"},
           Case{{"join", missing}, "File " + missing + " Not Found."},
       }) {
    const Outcome outcome = Cli(c.arguments, dir);
    EXPECT_EQ(outcome.status, 2) << c.message;
    EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "film d'été.avi.vd0")) << "a refused check writes nothing";
}

TEST_F(CliTest, EarlierPartsAreDeletedOnlyWhenAllowed) {
  ASSERT_EQ(Cli({"split", source, "-o", dir.File("parts"), "--size", "100k", "-q"}, dir).status, 0);
  ASSERT_TRUE(fs::exists(Part(9)));
  // Not a terminal and no --yes: refused, nothing touched.
  const Outcome refused = Cli({"split", source, "-o", dir.File("parts"), "--parts", "2"}, dir);
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("run again with --yes"), std::string::npos) << refused.err;
  EXPECT_TRUE(fs::exists(Part(9)));
  // With --yes the leftovers go, so a later join sees only the new set.
  ASSERT_EQ(Cli({"split", source, "-o", dir.File("parts"), "--parts", "2", "--yes"}, dir).status,
            0);
  EXPECT_FALSE(fs::exists(Part(2)));
  ASSERT_EQ(Cli({"join", Part(0), "-o", dir.File("joined")}, dir).status, 0);
  EXPECT_EQ(test::ReadFile(dir.path() / "joined/film d'été.avi"), bytes);
}

TEST_F(CliTest, FailedJobsExitWithOneNamingTheFile) {
  fs::create_symlink("/dev/full", Part(1));
  const Outcome full = Cli({"split", source, "-o", dir.File("parts"), "--size", "300k"}, dir);
  // The full "disk" is an earlier part too: delete refused without --yes.
  EXPECT_EQ(full.status, 2);
  fs::remove(Part(1));

  ASSERT_EQ(Cli({"split", source, "-o", dir.File("parts"), "--size", "300k", "-q"}, dir).status, 0);
  const std::string part_2 = test::ReadFile(Part(2));
  fs::remove(Part(2));
  const Outcome gap = Cli({"join", Part(0), "-o", dir.File("joined")}, dir);
  EXPECT_EQ(gap.status, 1);
  EXPECT_NE(gap.err.find("Missing part " + Part(2)), std::string::npos) << gap.err;

  fs::remove(dir.path() / "joined/film d'été.avi");
  fs::create_symlink("/dev/full", dir.path() / "joined/film d'été.avi");
  test::WriteFile(Part(2), part_2);
  const Outcome no_space = Cli({"join", Part(0), "-o", dir.File("joined")}, dir);
  EXPECT_EQ(no_space.status, 1);
  EXPECT_NE(no_space.err.find("Cannot write " + dir.File("joined/film d'été.avi") +
                              ": No space left on device"),
            std::string::npos)
      << no_space.err;
}

// The output is a pipe that the test drains slowly, so the job is surely
// running when Ctrl+C arrives.
TEST_F(CliTest, InterruptStopsCleanlyNamingTheIncompleteFile) {
  ASSERT_EQ(Cli({"split", source, "-o", dir.File("parts"), "--size", "300k", "-q"}, dir).status, 0);
  const std::string output = dir.File("joined/film d'été.avi");
  ASSERT_EQ(mkfifo(output.c_str(), 0644), 0);
  const pid_t pid = Spawn({"join", Part(0), "-o", dir.File("joined")}, dir);
  const int pipe = open(output.c_str(), O_RDONLY);
  ASSERT_GE(pipe, 0);
  char buffer[65536];
  ASSERT_GT(read(pipe, buffer, sizeof buffer), 0);
  kill(pid, SIGINT);
  usleep(300000); // let the handler run before the job may go on
  while (read(pipe, buffer, sizeof buffer) > 0) {
  }
  close(pipe);
  const Outcome outcome = Wait(pid, dir);
  EXPECT_EQ(outcome.status, 130);
  EXPECT_NE(outcome.err.find("interrupted: Stopped before the end: " + output + " is incomplete"),
            std::string::npos)
      << outcome.err;
}

} // namespace
} // namespace vandrel
