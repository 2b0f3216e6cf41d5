#include <stdlib.h>

#include "platform/Environment.h"

namespace vandrel::platform {

bool SetProcessEnvironment(const std::string& name, const std::optional<std::string>& value) {
  return (value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str())) == 0;
}

bool IsolateRegistryForTesting(const std::string&) {
  return true;
}

} // namespace vandrel::platform
