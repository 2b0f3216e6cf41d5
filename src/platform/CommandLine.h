#pragma once
// The program's command-line arguments as UTF-8 text.

#include <string>
#include <vector>

namespace vandrel::platform {

/// argv[0] .. argv[argc-1] as the program's 8-bit text. POSIX: the bytes as
/// given. Win32: CommandLineToArgvW of GetCommandLineW, each argument in
/// UTF-8 (main's own argv is in the ANSI code page, which loses every
/// character outside it); argv only when that fails.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

} // namespace vandrel::platform
