#include "support/Locales.h"

#include <spawn.h>
#include <sys/wait.h>

#include <vector>

extern char** environ;

namespace vandrel::test {

namespace fs = std::filesystem;

bool GenerateLocale(const std::string& name, const fs::path& folder, std::string& error) {
  const size_t dot = name.find('.');
  if (dot == std::string::npos) {
    error = "no character set in " + name;
    return false;
  }
  const std::string source = name.substr(0, dot);
  const std::string charset = name.substr(dot + 1);
  const fs::path target = folder / name;
  if (fs::exists(target / "LC_CTYPE")) {
    return true;
  }
  fs::create_directories(folder);
  std::vector<std::string> arguments{"localedef", "-i", source, "-f", charset, target.string()};
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, "localedef", nullptr, nullptr, argv.data(), environ) != 0) {
    error = "localedef is not installed (Debian package locales)";
    return false;
  }
  int status = 0;
  waitpid(child, &status, 0);
  // localedef exits 1 after mere warnings; the compiled files decide.
  if (!fs::exists(target / "LC_CTYPE") || !fs::exists(target / "LC_MESSAGES")) {
    error = "localedef could not compile " + name + " (exit status " +
            std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
    return false;
  }
  return true;
}

} // namespace vandrel::test
