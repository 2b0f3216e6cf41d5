#include "platform/CommandLine.h"

namespace vandrel::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

} // namespace vandrel::platform
