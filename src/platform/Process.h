#pragma once
// Starting other programs with an argument list (never through a shell),
// watching them end and reading what they print.
//
// POSIX: posix_spawn, the child in a process group of its own so that a
// Ctrl+C in our terminal does not reach it; standard input from /dev/null.
// Win32: CreateProcessA with a command line quoted the way the C runtime
// reads it back (the program's name included), NORMAL_PRIORITY_CLASS, a
// process group of its own.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/Strings.h"

namespace vandrel::platform {

/// The file name of a program of ours on this platform: stem + ".exe" on
/// Windows ("QivburnCd.exe"), stem in lower case elsewhere ("qivburncd").
AnsiString ProgramFileName(const AnsiString& stem);

struct ProcessOptions {
  /// Look the program up on PATH when its name has no "/".
  bool search_path = false;
  /// The child's standard output and error go to one pipe, read with
  /// ReadOutput; otherwise they are ours.
  bool capture_output = false;
};

/// A started child. Destroying the object does not stop the child: one
/// still running is reaped by a thread of its own when it ends.
class Process {
public:
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  /// Starts program with arguments (argv[0] is program). nullptr with `ec`
  /// set when it could not be started (missing, not executable).
  static std::unique_ptr<Process> Start(const AnsiString& program,
                                        const std::vector<AnsiString>& arguments,
                                        const ProcessOptions& options, std::error_code& ec);

  /// True once the child has ended (reaps it without waiting).
  bool HasExited();
  /// Waits for the end; the exit status, or 128 + the signal that ended it.
  int Wait();
  /// The exit status once it has ended.
  std::optional<int> ExitStatus() const { return status_; }
  /// The child's process id (POSIX) or process identifier (Win32).
  int Id() const { return pid_; }
  /// Asks the child (and its process group) to end: SIGTERM.
  void Terminate();

  /// With capture_output: waits at most `timeout` for output and appends it
  /// to `into`. False once the pipe is closed (the child and everything it
  /// started closed their output) and nothing was read.
  bool ReadOutput(std::string& into, std::chrono::milliseconds timeout);

private:
  Process() = default;
  int pid_ = -1;
  std::intptr_t handle_ = 0;  ///< Win32: the process handle; unused on POSIX
  std::intptr_t output_ = -1; ///< the read end of the output pipe; -1 when none
  std::optional<int> status_;
};

} // namespace vandrel::platform
