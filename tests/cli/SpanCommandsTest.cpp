// vandrel-cli span-split and span-join end to end, the prompts answered on
// standard input while the test swaps disks.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/Hermetic.h"
#include "support/SpanDisks.h"

extern char** environ;

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

const char* const kInsertDisk = "Please insert a valid floppy disk into drive A:";

// vandrel-cli with pipes on stdin and stderr, driven prompt by prompt.
class Session {
public:
  explicit Session(const std::vector<std::string>& arguments) {
    int in[2];
    int err[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> words{VANDREL_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
      argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(err[1]);
    in_ = in[1];
    err_ = err[0];
  }
  ~Session() {
    if (pid_ > 0) {
      Finish();
    }
  }

  /// The next line on stderr that asks for a disk; empty at the end.
  std::string NextPrompt() {
    for (std::string line; ReadLine(line);) {
      if (line.rfind("Please insert", 0) == 0) {
        return line;
      }
    }
    return {};
  }
  void Answer(const std::string& line) {
    const std::string text = line + "\n";
    EXPECT_EQ(write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void Interrupt() { kill(pid_, SIGINT); }
  /// Closes stdin, reads stderr to its end, and returns the exit status.
  int Finish() {
    if (in_ >= 0) {
      close(in_);
      in_ = -1;
    }
    for (std::string line; ReadLine(line);) {
    }
    close(err_);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  /// Everything written on stderr so far.
  const std::string& Err() const { return all_; }

private:
  bool ReadLine(std::string& line) {
    line.clear();
    char ch = 0;
    while (read(err_, &ch, 1) == 1) {
      all_.push_back(ch);
      if (ch == '\n') {
        return true;
      }
      line.push_back(ch);
    }
    return !line.empty();
  }

  pid_t pid_ = -1;
  int in_ = -1;
  int err_ = -1;
  std::string all_;
};

class SpanCliTest : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(dir_.path() / "plain folder");
    bytes_ = PatternBytes(3000000);
    WriteFile(dir_.path() / "archive été.tar", bytes_);
  }
  std::string Source() const { return dir_.File("archive été.tar"); }
  TempDir dir_;
  std::string bytes_;
};

// A folder that is not a mount point is no disk: the prompt comes, and
// every answer but OK or Cancel brings it back.
TEST_F(SpanCliTest, APlainFolderBringsThePromptUntilCancel) {
  Session session({"span-split", Source(), "--drive", dir_.File("plain folder")});
  EXPECT_EQ(session.NextPrompt(), kInsertDisk);
  session.Answer("");
  EXPECT_EQ(session.NextPrompt(), kInsertDisk);
  session.Answer("maybe");
  EXPECT_EQ(session.NextPrompt(), kInsertDisk);
  session.Answer("  Cancel");
  EXPECT_EQ(session.Finish(), 1);
  EXPECT_NE(session.Err().find("Minimal number of floppy disks required : 3\n"), std::string::npos)
      << session.Err();
  EXPECT_NE(session.Err().find("vandrel-cli: Stopped by the user at disk #1 (parts written: 0)"),
            std::string::npos)
      << session.Err();
  EXPECT_TRUE(fs::is_empty(dir_.path() / "plain folder"));
}

TEST_F(SpanCliTest, TheEndOfInputCancelsAndCtrlCInterrupts) {
  Session ended({"span-join", "archive été.tar", "--drive", dir_.File("plain folder")});
  EXPECT_EQ(ended.NextPrompt(), "Please insert the last disk of the set and press \"Ok\".");
  EXPECT_EQ(ended.Finish(), 1);
  EXPECT_NE(ended.Err().find("Stopped by the user at the last disk"), std::string::npos)
      << ended.Err();

  Session interrupted({"span-split", Source(), "--drive", dir_.File("plain folder"), "-q"});
  EXPECT_EQ(interrupted.NextPrompt(), kInsertDisk);
  interrupted.Interrupt();
  EXPECT_EQ(interrupted.Finish(), 130);
  EXPECT_NE(interrupted.Err().find("interrupted: Stopped before the end at disk #1"),
            std::string::npos)
      << interrupted.Err();
}

TEST_F(SpanCliTest, RefusedChecksAndBadUsageExitWithTwo) {
  const std::string absent = dir_.File("absent");
  const std::string plain = dir_.File("plain folder");
  const std::string fifo = dir_.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case& c : {
           Case{{"span-split"}, "no file to split given"},
           Case{{"span-join", "--drive", plain}, "no set name given"},
           Case{{"span-split", Source(), "--drive", absent}, "No floppy disk drive found."},
           Case{{"span-join", "x", "--drive", absent}, "No floppy disk drive found."},
           Case{{"span-split", absent, "--drive", plain}, "File " + absent + " Not Found."},
           // Only regular files: nothing blocks on a device or a FIFO.
           Case{{"span-split", "/dev/zero", "--drive", plain}, "/dev/zero is not a regular file."},
           Case{{"span-split", fifo, "--drive", plain}, fifo + " is not a regular file."},
           Case{{"span-join", "x", "--drive", plain, "-o", absent},
                "Directory " + absent + " Not Found."},
           Case{{"span-split", Source(), "--drive"}, "option --drive needs a value"},
           Case{{"span-split", Source(), "--parts", "2"}, "unknown option --parts"},
       }) {
    Session session(c.arguments);
    EXPECT_EQ(session.Finish(), 2) << c.message;
    EXPECT_NE(session.Err().find(c.message), std::string::npos) << session.Err();
  }
}

class SpanCliDisksTest : public SpanCliTest {
protected:
  void SetUp() override {
    if (const std::string why = SpanDisks::Unavailable(DiskKind::Tmpfs); !why.empty()) {
      GTEST_SKIP() << why;
    }
    SpanCliTest::SetUp();
    disks_ = std::make_unique<SpanDisks>(DiskKind::Tmpfs, 3, kTmpfsDiskBytes);
    fs::create_directory(dir_.path() / "joined");
  }
  // Answers each prompt of the session after putting the next disk of
  // inserts in the drive (0: none), and returns the exit status.
  int Drive(Session& session, const std::vector<int>& inserts, const std::string& last_answer) {
    for (size_t i = 0; i < inserts.size(); ++i) {
      if (session.NextPrompt().empty()) {
        ADD_FAILURE() << "no prompt " << i << ": " << session.Err();
        break;
      }
      if (inserts[i] > 0) {
        disks_->Insert(inserts[i]);
      } else {
        disks_->Eject();
      }
      session.Answer(i + 1 == inserts.size() ? last_answer : "");
    }
    return session.Finish();
  }
  std::unique_ptr<SpanDisks> disks_;
};

TEST_F(SpanCliDisksTest, SplitsOntoSwappedVolumesAndJoinsBackFromAPartName) {
  disks_->Insert(1);
  Session split({"span-split", Source(), "--drive", disks_->drive().string()});
  ASSERT_EQ(Drive(split, {2, 3}, "OK"), 0) << split.Err();
  disks_->Eject();
  const std::int64_t cap = disks_->capacity();
  EXPECT_EQ(disks_->Files(3).at("archive été.tar.vd2"), bytes_.substr(2 * cap));
  EXPECT_NE(split.Err().find("3 parts written"), std::string::npos) << split.Err();

  Session join({"span-join", "archive été.tar.vd1", "--drive", disks_->drive().string(), "-o",
                dir_.File("joined")});
  ASSERT_EQ(Drive(join, {3, 1, 2, 3}, "ok"), 0) << join.Err();
  disks_->Eject();
  EXPECT_EQ(ReadFile(dir_.path() / "joined/archive été.tar"), bytes_);
  EXPECT_NE(join.Err().find("Please insert the disk #3 of the set and press \"Ok\"."),
            std::string::npos);
}

TEST_F(SpanCliDisksTest, CancelAtTheSecondDiskExitsWithOneAndKeepsTheFirstPart) {
  const std::int64_t cap = disks_->capacity();
  disks_->Put(1, "archive été.tar.vd0", bytes_.substr(0, cap));
  disks_->Put(2, "archive été.tar.vd1", bytes_.substr(cap, cap));
  disks_->Put(3, "archive été.tar.vd2", bytes_.substr(2 * cap));
  Session join({"span-join", "archive été.tar", "--drive", disks_->drive().string(), "-o",
                dir_.File("joined"), "--quiet"});
  EXPECT_EQ(Drive(join, {3, 1, 0}, "c"), 1);
  const std::string output = dir_.File("joined/archive été.tar");
  EXPECT_EQ(ReadFile(output), bytes_.substr(0, cap));
  EXPECT_NE(join.Err().find("Stopped by the user at disk #2: " + output + " is incomplete"),
            std::string::npos)
      << join.Err();
}

} // namespace
} // namespace vandrel::test
