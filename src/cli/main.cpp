// vandrel-cli: the engine's jobs from a terminal.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "platform/FileSizeLimit.h"
#include "shell/TerminalMessagePresenter.h"

namespace vandrel::cli {

namespace {
std::vector<Command>& Table() {
  static std::vector<Command> table;
  return table;
}
} // namespace

CommandRegistration::CommandRegistration(const Command& command) {
  Table().push_back(command);
}

const std::vector<Command>& RegisteredCommands() {
  return Table();
}

void PrintError(const std::string& message) {
  std::fprintf(stderr, "vandrel-cli: %s\n", message.c_str());
}

namespace {
void PrintUsage(std::FILE* to) {
  std::fprintf(to, "Usage:\n");
  for (const Command& command : RegisteredCommands()) {
    std::fprintf(to, "  vandrel-cli %s\n", command.usage);
  }
}
} // namespace

} // namespace vandrel::cli

int main(int argc, char** argv) {
  using namespace vandrel::cli;
  vandrel::platform::TreatFileSizeLimitAsWriteError();
  // Questions of the jobs (disk changes, confirmations) become prompts.
  vandrel::SetMessagePresenter(std::make_shared<vandrel::TerminalMessagePresenter>(stdin, stderr));
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return kExitSuccess;
  }
  for (const Command& command : RegisteredCommands()) {
    if (name == command.name) {
      return command.run(Arguments(argv + 2, argv + argc));
    }
  }
  PrintError("unknown command '" + name + "'");
  PrintUsage(stderr);
  return kExitUsage;
}
