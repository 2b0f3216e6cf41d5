#pragma once
// The command table of vandrel-cli. Each command registers itself from its
// own source file with a static CommandRegistration.

#include <string>
#include <vector>

namespace vandrel::cli {

/// Exit statuses shared by every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

using Arguments = std::vector<std::string>;
using CommandFunction = int (*)(const Arguments& arguments);

struct Command {
  const char* name;    ///< first word on the command line ("split", "--version")
  const char* usage;   ///< one line of usage after the program name
  CommandFunction run; ///< gets the words after the name
  /// What `vandrel-cli NAME --help` prints below the usage line: the
  /// command's purpose and options, lines ending in "\n".
  const char* help = nullptr;
};

struct CommandRegistration {
  explicit CommandRegistration(const Command& command);
};

const std::vector<Command>& RegisteredCommands();

/// Prints "vandrel-cli: " and the message to stderr.
void PrintError(const std::string& message);

} // namespace vandrel::cli
