#pragma once
// Running a program to its end from a test: its exit status and what it
// wrote (stdout and stderr together).

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace vandrel::test {

struct ProgramOutcome {
  int status = -1; ///< -1 when the program could not be started
  std::string output;
};

/// Reads process's output until it ends, then waits for it.
inline ProgramOutcome FinishProgram(platform::Process& process) {
  ProgramOutcome outcome;
  while (process.ReadOutput(outcome.output, std::chrono::milliseconds(1000))) {
  }
  outcome.status = process.Wait();
  return outcome;
}

/// Starts program with its output captured (search_path: look it up in
/// PATH) and runs it to its end; a failure to start is reported to the
/// test and gives status -1.
ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          bool search_path = false);

} // namespace vandrel::test
