#include "support/ProgramRun.h"

#include <gtest/gtest.h>

namespace vandrel::test {

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          bool search_path) {
  std::error_code ec;
  auto process = platform::Process::Start(program, arguments, {search_path, true}, ec);
  if (!process) {
    ADD_FAILURE() << program << ": " << ec.message();
    return {};
  }
  return FinishProgram(*process);
}

} // namespace vandrel::test
