#include "platform/win32/Windows.h"
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <csignal>

#include "platform/TerminationSignals.h"

namespace vandrel::platform {

namespace {

constexpr int kHangUp = 1; // SIGHUP has no number of its own here

int read_end = -1;
std::atomic<int> write_end{-1};

int SignalOf(DWORD event) {
  switch (event) {
  case CTRL_C_EVENT:
  case CTRL_BREAK_EVENT:
    return SIGINT;
  case CTRL_CLOSE_EVENT:
    return kHangUp;
  default:
    return SIGTERM;
  }
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const int fd = write_end.load();
  if (fd < 0) {
    return FALSE;
  }
  const unsigned char byte = static_cast<unsigned char>(SignalOf(event));
  _write(fd, &byte, 1);
  return TRUE;
}

std::atomic<void (*)()> interrupt_handler{nullptr};

BOOL WINAPI OnInterruptEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    return FALSE;
  }
  if (auto handler = interrupt_handler.load()) {
    handler();
    return TRUE;
  }
  return FALSE;
}

} // namespace

int WatchTerminationSignals() {
  if (read_end >= 0) {
    return read_end;
  }
  int ends[2];
  if (_pipe(ends, 256, _O_BINARY | _O_NOINHERIT) != 0) {
    return -1;
  }
  read_end = ends[0];
  write_end = ends[1];
  if (!SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    StopWatchingTerminationSignals();
    return -1;
  }
  return read_end;
}

int TakeTerminationSignal() {
  if (read_end < 0) {
    return 0;
  }
  // Never blocks: only what the pipe holds now is read.
  const HANDLE pipe = reinterpret_cast<HANDLE>(_get_osfhandle(read_end));
  int last = 0;
  DWORD waiting = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
    unsigned char byte = 0;
    if (_read(read_end, &byte, 1) != 1) {
      break;
    }
    last = byte;
  }
  return last;
}

void StopWatchingTerminationSignals() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  const int fd = write_end.exchange(-1);
  if (fd >= 0) {
    _close(fd);
  }
  if (read_end >= 0) {
    _close(read_end);
    read_end = -1;
  }
}

void SetInterruptHandler(void (*handler)()) {
  const bool had = interrupt_handler.exchange(handler) != nullptr;
  if (handler != nullptr && !had) {
    SetConsoleCtrlHandler(OnInterruptEvent, TRUE);
  } else if (handler == nullptr && had) {
    SetConsoleCtrlHandler(OnInterruptEvent, FALSE);
  }
}

} // namespace vandrel::platform
