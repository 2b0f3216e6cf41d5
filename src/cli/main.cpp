// vandrel-cli: the engine's jobs from a terminal.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "cli/Commands.h"
#include "platform/CommandLine.h"
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

void PrintOverview() {
  std::printf("vandrel-cli splits a file into numbered parts (name.vd0, name.vd1, ...) and\n"
              "joins them back byte for byte, from a terminal.\n\n");
  PrintUsage(stdout);
  std::printf("\n'vandrel-cli COMMAND --help' describes a command and its options.\n\n"
              "Exit status: 0 success, 1 the job failed, 2 bad usage or a refused check,\n"
              "130 interrupted by Ctrl+C; check-update also 3 when a newer version exists.\n");
}

// "--help" or "-h" among the words after a command, before any "--".
bool AsksForHelp(const Arguments& arguments) {
  for (const std::string& word : arguments) {
    if (word == "--") {
      return false;
    }
    if (word == "--help" || word == "-h") {
      return true;
    }
  }
  return false;
}

int PrintCommandHelp(const Command& command) {
  std::printf("Usage: vandrel-cli %s\n", command.usage);
  if (command.help != nullptr) {
    std::printf("\n%s", command.help);
  }
  return kExitSuccess;
}
} // namespace

} // namespace vandrel::cli

int main(int argc, char** argv) {
  using namespace vandrel::cli;
  const std::vector<std::string> words = vandrel::platform::CommandLineArguments(argc, argv);
  vandrel::platform::TreatFileSizeLimitAsWriteError();
  // Questions of the jobs (disk changes, confirmations) become prompts.
  vandrel::SetMessagePresenter(std::make_shared<vandrel::TerminalMessagePresenter>(stdin, stderr));
  if (words.size() < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string name = words[1];
  if (name == "--help" || name == "-h" || name == "help") {
    if (words.size() == 3) {
      for (const Command& command : RegisteredCommands()) {
        if (words[2] == std::string_view(command.name)) {
          return PrintCommandHelp(command);
        }
      }
    }
    PrintOverview();
    return kExitSuccess;
  }
  for (const Command& command : RegisteredCommands()) {
    if (name == command.name) {
      const Arguments arguments(words.begin() + 2, words.end());
      if (AsksForHelp(arguments)) {
        return PrintCommandHelp(command);
      }
      return command.run(arguments);
    }
  }
  PrintError("unknown command '" + name + "'");
  PrintUsage(stderr);
  return kExitUsage;
}
