#include "platform/win32/Windows.h"

#include <shellapi.h>

#include "platform/CommandLine.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    arguments.push_back(win32::Utf8(wide[i]));
  }
  LocalFree(wide);
  return arguments;
}

} // namespace vandrel::platform
