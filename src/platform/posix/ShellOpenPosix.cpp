#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/ShellOpen.h"

extern char** environ;

namespace vandrel::platform {

bool ShellOpen(const AnsiString& target) {
  if (target.empty()) {
    return false;
  }
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    return false;
  }
  // The opener's own complaints would land in our terminal or nowhere
  // useful; the caller wants no error shown.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char program[] = "xdg-open";
  // A name starting with "-" would be read as an option of the opener.
  AnsiString argument = target[0] == '-' ? "./" + target : target;
  char* argv[] = {program, argument.data(), nullptr};
  pid_t child = 0;
  const int failed = posix_spawnp(&child, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    return false;
  }
  // Reap the opener whenever it ends, without making the caller wait.
  std::thread([child] {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

} // namespace vandrel::platform
