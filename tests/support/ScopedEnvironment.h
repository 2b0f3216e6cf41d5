#pragma once
// Sets an environment variable for the lifetime of the object, then puts
// the old value (or its absence) back.

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Environment.h"

namespace vandrel::test {

class ScopedEnvironment {
public:
  /// value nullopt unsets the variable.
  ScopedEnvironment(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
      old_ = old;
    }
    platform::SetProcessEnvironment(name_, value);
  }
  ~ScopedEnvironment() { platform::SetProcessEnvironment(name_, old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
  std::string name_;
  std::optional<std::string> old_;
};

} // namespace vandrel::test
