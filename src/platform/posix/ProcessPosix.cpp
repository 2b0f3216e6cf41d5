#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/Process.h"

extern char** environ;

namespace vandrel::platform {

namespace {

int StatusOf(int raw) {
  if (WIFEXITED(raw)) {
    return WEXITSTATUS(raw);
  }
  if (WIFSIGNALED(raw)) {
    return 128 + WTERMSIG(raw);
  }
  return 1;
}

} // namespace

AnsiString ProgramFileName(const AnsiString& stem) {
  AnsiString name;
  for (const char c : stem) {
    name += AsciiLower(c);
  }
  return name;
}

std::unique_ptr<Process> Process::Start(const AnsiString& program,
                                        const std::vector<AnsiString>& arguments,
                                        const ProcessOptions& options, std::error_code& ec) {
  ec.clear();
  int pipe_ends[2] = {-1, -1};
  if (options.capture_output && ::pipe2(pipe_ends, O_CLOEXEC) != 0) {
    ec.assign(errno, std::generic_category());
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (options.capture_output) {
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group: our Ctrl+C stops handing over, not the child.
  // Signals we ignore or catch are the child's to decide again.
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ, SIGCHLD}) {
    sigaddset(&defaults, signal_number);
  }
  sigset_t no_mask;
  sigemptyset(&no_mask);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &no_mask);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> words;
  words.reserve(arguments.size() + 1);
  words.push_back(program);
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);

  pid_t child = -1;
  const int failed =
      options.search_path
          ? posix_spawnp(&child, program.c_str(), &actions, &attributes, argv.data(), environ)
          : posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (options.capture_output) {
    ::close(pipe_ends[1]);
  }
  if (failed != 0) {
    if (pipe_ends[0] >= 0) {
      ::close(pipe_ends[0]);
    }
    ec.assign(failed, std::generic_category());
    return nullptr;
  }
  std::unique_ptr<Process> process(new Process());
  process->pid_ = child;
  process->output_ = pipe_ends[0];
  return process;
}

Process::~Process() {
  if (output_ >= 0) {
    ::close(static_cast<int>(output_));
  }
  if (!status_ && pid_ > 0) {
    // The child goes on by itself; whoever ends first, it is not left a
    // zombie.
    std::thread([child = pid_] {
      int raw = 0;
      while (::waitpid(child, &raw, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
}

bool Process::HasExited() {
  if (status_) {
    return true;
  }
  int raw = 0;
  pid_t done;
  do {
    done = ::waitpid(pid_, &raw, WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done == pid_) {
    status_ = StatusOf(raw);
  } else if (done < 0) {
    status_ = 1; // not our child any more: nothing left to wait for
  }
  return status_.has_value();
}

int Process::Wait() {
  if (status_) {
    return *status_;
  }
  int raw = 0;
  pid_t done;
  do {
    done = ::waitpid(pid_, &raw, 0);
  } while (done < 0 && errno == EINTR);
  status_ = done == pid_ ? StatusOf(raw) : 1;
  return *status_;
}

void Process::Terminate() {
  if (!status_ && pid_ > 0) {
    ::kill(-pid_, SIGTERM);
    ::kill(pid_, SIGTERM);
  }
}

bool Process::ReadOutput(std::string& into, std::chrono::milliseconds timeout) {
  if (output_ < 0) {
    return false;
  }
  const int fd = static_cast<int>(output_);
  pollfd watched{fd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&watched, 1, static_cast<int>(timeout.count()));
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) {
    return true;
  }
  char buffer[4096];
  ssize_t got;
  do {
    got = ::read(fd, buffer, sizeof buffer);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    ::close(fd);
    output_ = -1;
    return false;
  }
  into.append(buffer, static_cast<size_t>(got));
  return true;
}

} // namespace vandrel::platform
