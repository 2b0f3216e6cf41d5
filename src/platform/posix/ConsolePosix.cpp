#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Console.h"

namespace vandrel::platform {

bool StandardStreamIsTerminal(int fd) {
  return isatty(fd) == 1;
}

int WaitForStandardInput(int timeout_ms) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  const int ready = poll(&input, 1, timeout_ms);
  if (ready < 0) {
    return errno == EINTR ? 0 : -1;
  }
  return ready > 0 ? 1 : 0;
}

int ReadStandardInputByte(char& byte) {
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    return got < 0 ? -1 : static_cast<int>(got);
  }
}

} // namespace vandrel::platform
