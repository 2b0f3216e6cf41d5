// vandrel-cli end to end: exit statuses, messages, round trips.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/resource.h>
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

// --- Data safety ------------------------------------------------------------

// A name the user gives is never a pattern: splitting "clip?.mp4" must not
// see, offer or delete the parts of "clip1.mp4".
TEST_F(CliTest, NamesWithWildcardCharactersAreLiteral) {
  for (const std::string name : {"clip?.mp4", "clip*.mp4", "clip[1].mp4", "clip\\1.mp4"}) {
    SCOPED_TRACE(name);
    const fs::path folder = dir.path() / "literal";
    fs::remove_all(folder);
    fs::create_directory(folder);
    test::WriteFile(folder / "clip1.mp4.vd0", "not mine");
    test::WriteFile(folder / name, "abcdefgh");
    const Outcome split = Cli({"split", (folder / name).string(), "--size", "3", "-q"}, dir);
    ASSERT_EQ(split.status, 0) << split.err;
    EXPECT_EQ(test::ReadFile(folder / "clip1.mp4.vd0"), "not mine");
    EXPECT_EQ(test::ReadFile(folder / (name + ".vd2")), "gh");
    const Outcome join =
        Cli({"join", (folder / (name + ".vd0")).string(), "-o", dir.File("joined")}, dir);
    ASSERT_EQ(join.status, 0) << join.err;
    EXPECT_EQ(test::ReadFile(dir.path() / "joined" / name), "abcdefgh");
  }
  const Outcome star = Cli({"split", dir.File("*"), "--size", "3"}, dir);
  EXPECT_EQ(star.status, 2);
  EXPECT_NE(star.err.find("File " + dir.File("*") + " Not Found."), std::string::npos) << star.err;
}

TEST_F(CliTest, NamesThatAreNotUtf8RoundTrip) {
  const std::string name = "caf\xE9 \xFF\xFE.bin"; // Latin-1 bytes
  test::WriteFile(dir.path() / name, bytes);
  const Outcome split =
      Cli({"split", dir.File(name), "-o", dir.File("parts"), "--parts", "3", "-q"}, dir);
  ASSERT_EQ(split.status, 0) << split.err;
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(fs::exists(dir.path() / "parts" / (name + ".vd" + std::to_string(i))));
  }
  const Outcome join =
      Cli({"join", dir.File("parts/" + name + ".vd0"), "-o", dir.File("joined")}, dir);
  ASSERT_EQ(join.status, 0) << join.err;
  EXPECT_EQ(test::ReadFile(dir.path() / "joined" / name), bytes);
}

TEST_F(CliTest, OnlyRegularFilesAreSplitOrJoinedAndNothingBlocks) {
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  fs::create_directory(dir.path() / "folder.vd0");
  for (const std::string& input : {std::string("/dev/zero"), dir.File("pipe"),
                                   std::string("/proc/self/status"), dir.File("folder.vd0")}) {
    SCOPED_TRACE(input);
    const Outcome split = Cli({"split", input, "-o", dir.File("parts"), "--size", "1k"}, dir);
    EXPECT_EQ(split.status, 2);
    EXPECT_NE(split.err.find(input + " is not a regular file."), std::string::npos) << split.err;
    const Outcome join = Cli({"join", input, "-o", dir.File("joined")}, dir);
    EXPECT_EQ(join.status, 2);
  }
  EXPECT_TRUE(fs::is_empty(dir.path() / "parts"));
}

// Another program's locks are its own business: they never stop or hold
// a job.
TEST_F(CliTest, ForeignLocksNeitherBlockNorRefuse) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const int a = open(source.c_str(), O_RDWR);
    const int b = open(source.c_str(), O_RDWR);
    flock(a, LOCK_EX);
    lockf(b, F_LOCK, 0); // the whole file, marker bytes included
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  const Outcome split =
      Cli({"split", source, "-o", dir.File("parts"), "--size", "300k", "-q"}, dir);
  const Outcome join = Cli({"join", Part(0), "-o", dir.File("joined"), "-q"}, dir);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(join.status, 0) << join.err;
  EXPECT_EQ(test::ReadFile(dir.path() / "joined/film d'été.avi"), bytes);
}

TEST_F(CliTest, FileSizeLimitIsAWriteFailureNamingThePart) {
  const pid_t pid = fork();
  if (pid == 0) {
    // As "ulimit -f 100" does: the limit, and SIGXFSZ at its default.
    const rlimit limit{100 * 1024, 100 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_DFL);
    const int err = open(dir.File("cli.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    const std::string parts = dir.File("parts");
    execl(CliPath(), CliPath(), "split", source.c_str(), "-o", parts.c_str(), "--size", "300k",
          "-q", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string err = test::ReadFile(dir.path() / "cli.err");
  EXPECT_NE(err.find("Cannot write " + Part(0) + ": File too large"), std::string::npos) << err;
}

TEST_F(CliTest, FoldersAreCanonicalRootAndDoubleSeparators) {
  const Outcome doubled =
      Cli({"split", source, "-o", dir.File("parts") + "//", "--parts", "2", "-q"}, dir);
  ASSERT_EQ(doubled.status, 0) << doubled.err;
  EXPECT_TRUE(fs::exists(Part(1)));
  // "/" is the root folder, not an empty name: the check passes and only
  // the missing input stops the run.
  const Outcome root = Cli({"split", dir.File("none"), "-o", "/", "--parts", "2"}, dir);
  EXPECT_EQ(root.err.find("Directory"), std::string::npos) << root.err;
  const Outcome join = Cli({"join", Part(0), "-o", dir.File("joined") + "///", "-q"}, dir);
  ASSERT_EQ(join.status, 0) << join.err;
  EXPECT_EQ(test::ReadFile(dir.path() / "joined/film d'été.avi"), bytes);
}

TEST_F(CliTest, ScriptIsWrittenAsTheWindowDoesAndRefusedForUnquotableNames) {
  const Outcome split =
      Cli({"split", source, "-o", dir.File("parts"), "--parts", "2", "--script", "-q"}, dir);
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(test::ReadFile(dir.path() / "parts/film d'été.avi.bat"),
            "@echo off\r\ncopy /b \"film d'été.avi.vd0\" /b +\"film d'été.avi.vd1\" /b "
            "\"film d'été.avi\" /b /v");
  for (const char* const name : {"x\" & echo INJECTED & \".bin", "line\nbreak.bin"}) {
    SCOPED_TRACE(name);
    test::WriteFile(dir.path() / name, "abc");
    const Outcome refused =
        Cli({"split", dir.File(name), "-o", dir.File("parts"), "--parts", "2", "--script"}, dir);
    EXPECT_EQ(refused.status, 0) << refused.err;
    EXPECT_TRUE(fs::exists(dir.path() / "parts" / (std::string(name) + ".vd1")));
    EXPECT_FALSE(fs::exists(dir.path() / "parts" / (std::string(name) + ".bat")));
    EXPECT_NE(refused.err.find("script"), std::string::npos) << refused.err;
  }
}

TEST_F(CliTest, OptionsEndAtDoubleDashAndCountsAgree) {
  test::WriteFile(dir.path() / "-dash.bin", "a");
  const Outcome dash =
      Cli({"split", "--size", "1", "-o", dir.File("parts"), "--", dir.File("-dash.bin")}, dir);
  ASSERT_EQ(dash.status, 0) << dash.err;
  EXPECT_NE(dash.err.find("1 part of 1 byte written"), std::string::npos) << dash.err;
  const Outcome relative_dash = Cli({"join", "--", "-missing.vd0"}, dir);
  EXPECT_NE(relative_dash.err.find("File -missing.vd0 Not Found."), std::string::npos)
      << relative_dash.err;

  // Earlier parts: listed before the refusal, named one by one with --yes.
  const Outcome refused = Cli({"split", source, "-o", dir.File("parts"), "--parts", "2"}, dir);
  ASSERT_EQ(Cli({"split", source, "-o", dir.File("parts"), "--parts", "2", "-q"}, dir).status, 2);
  const Outcome listed = Cli({"split", source, "-o", dir.File("parts"), "--parts", "3"}, dir);
  EXPECT_EQ(listed.status, 2);
  EXPECT_NE(listed.err.find("  " + Part(1) + "\n"), std::string::npos) << listed.err;
  EXPECT_NE(listed.err.find("nothing was deleted"), std::string::npos) << listed.err;
  const Outcome deleted =
      Cli({"split", source, "-o", dir.File("parts"), "--parts", "3", "--yes"}, dir);
  EXPECT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_NE(deleted.err.find("deleting " + Part(1)), std::string::npos) << deleted.err;
  (void)refused;
}

// Every command answers --help with its usage and options and does nothing
// else; after "--" the word is a file name again.
TEST_F(CliTest, EachCommandDescribesItselfWithHelp) {
  const Outcome overview = Cli({"--help"}, dir);
  EXPECT_EQ(overview.status, 0);
  EXPECT_NE(overview.out.find("'vandrel-cli COMMAND --help'"), std::string::npos) << overview.out;
  for (const std::string command :
       {"split", "join", "presets", "span-split", "span-join", "check-update", "--version"}) {
    SCOPED_TRACE(command);
    if (command == "check-update" &&
        overview.out.find("vandrel-cli check-update") == std::string::npos) {
      continue; // built without the network client
    }
    for (const std::string help : {"--help", "-h"}) {
      const Outcome outcome = Cli({command, help}, dir);
      EXPECT_EQ(outcome.status, 0) << outcome.err;
      EXPECT_EQ(outcome.out.rfind("Usage: vandrel-cli " + command, 0), 0u) << outcome.out;
      EXPECT_GT(outcome.out.find('\n'), 0u);
      EXPECT_EQ(outcome.err, "");
    }
    const Outcome asked = Cli({"help", command}, dir);
    EXPECT_EQ(asked.out, Cli({command, "--help"}, dir).out);
  }
  const Outcome split = Cli({"split", source, "--size", "1k", "--help"}, dir);
  EXPECT_EQ(split.status, 0);
  EXPECT_NE(split.out.find("--preset NAME"), std::string::npos) << split.out;
  EXPECT_FALSE(fs::exists(source + ".vd0")) << "help splits nothing";

  test::WriteFile(dir.path() / "--help", "a");
  const Outcome file = Cli({"split", "--size", "1", "--", dir.File("--help")}, dir);
  EXPECT_EQ(file.status, 0) << file.err;
  EXPECT_TRUE(fs::exists(dir.File("--help.vd0")));
}

} // namespace
} // namespace vandrel
