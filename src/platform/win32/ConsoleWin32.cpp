#include "platform/win32/Windows.h"
#include <io.h>

#include "platform/Console.h"

namespace vandrel::platform {

namespace {
HANDLE StandardHandle(int fd) {
  return GetStdHandle(fd == 0 ? STD_INPUT_HANDLE
                              : (fd == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE));
}
} // namespace

bool StandardStreamIsTerminal(int fd) {
  DWORD mode = 0;
  return GetConsoleMode(StandardHandle(fd), &mode) != 0;
}

int WaitForStandardInput(int timeout_ms) {
  const HANDLE input = StandardHandle(0);
  switch (GetFileType(input)) {
  case FILE_TYPE_PIPE: {
    // A pipe cannot be waited on: look at it until the time is up.
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
      DWORD waiting = 0;
      if (!PeekNamedPipe(input, nullptr, 0, nullptr, &waiting, nullptr)) {
        return GetLastError() == ERROR_BROKEN_PIPE ? 1 : -1; // the end is readable
      }
      if (waiting > 0) {
        return 1;
      }
      if (GetTickCount64() >= until) {
        return 0;
      }
      Sleep(10);
    }
  }
  case FILE_TYPE_CHAR: {
    const DWORD waited = WaitForSingleObject(input, static_cast<DWORD>(timeout_ms));
    return waited == WAIT_OBJECT_0 ? 1 : (waited == WAIT_TIMEOUT ? 0 : -1);
  }
  default:
    return 1; // a file never makes a read wait
  }
}

int ReadStandardInputByte(char& byte) {
  DWORD got = 0;
  if (!ReadFile(StandardHandle(0), &byte, 1, &got, nullptr)) {
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
  }
  return static_cast<int>(got);
}

} // namespace vandrel::platform
