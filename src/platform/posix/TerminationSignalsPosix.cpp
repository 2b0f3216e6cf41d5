#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/TerminationSignals.h"

namespace vandrel::platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

int read_end = -1;
// Read by the handler: set before the handlers go in, cleared after they
// are gone.
volatile sig_atomic_t write_end = -1;
struct sigaction previous[3];

void OnTerminationSignal(int number) {
  // Only async-signal-safe calls here: write(2), and errno kept for the
  // code the signal interrupted.
  const int saved_errno = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  const int fd = write_end;
  if (fd >= 0) {
    // A full pipe already holds a request: dropping this byte loses nothing.
    [[maybe_unused]] const ssize_t ignored = write(fd, &byte, 1);
  }
  errno = saved_errno;
}

} // namespace

int WatchTerminationSignals() {
  if (read_end >= 0) {
    return read_end;
  }
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    return -1;
  }
  read_end = ends[0];
  write_end = ends[1];
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // Restarted system calls: the rest of the program never sees EINTR from
  // a signal it does not handle itself.
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) {
    if (sigaction(kSignals[i], &action, &previous[i]) != 0) {
      for (int j = 0; j < i; ++j) {
        sigaction(kSignals[j], &previous[j], nullptr);
      }
      write_end = -1;
      close(ends[1]);
      close(ends[0]);
      read_end = -1;
      return -1;
    }
  }
  return read_end;
}

int TakeTerminationSignal() {
  if (read_end < 0) {
    return 0;
  }
  int last = 0;
  unsigned char bytes[16];
  for (;;) {
    const ssize_t got = read(read_end, bytes, sizeof bytes);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return last;
    }
    last = bytes[got - 1];
  }
}

void StopWatchingTerminationSignals() {
  if (read_end < 0) {
    return;
  }
  for (int i = 0; i < 3; ++i) {
    sigaction(kSignals[i], &previous[i], nullptr);
  }
  const int fd = write_end;
  write_end = -1;
  close(fd);
  close(read_end);
  read_end = -1;
}

namespace {
void (*volatile interrupt_handler)() = nullptr;
struct sigaction interrupt_previous;
bool interrupt_installed = false;

void OnInterrupt(int) {
  if (auto handler = interrupt_handler) {
    handler();
  }
}
} // namespace

void SetInterruptHandler(void (*handler)()) {
  if (handler == nullptr) {
    if (interrupt_installed) {
      sigaction(SIGINT, &interrupt_previous, nullptr);
      interrupt_installed = false;
    }
    interrupt_handler = nullptr;
    return;
  }
  interrupt_handler = handler;
  if (!interrupt_installed) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    interrupt_installed = sigaction(SIGINT, &action, &interrupt_previous) == 0;
  }
}

} // namespace vandrel::platform
