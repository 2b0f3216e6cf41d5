#pragma once
// Sets an environment variable for the lifetime of the object, then puts
// the old value (or its absence) back.

#include <cstdlib>
#include <optional>
#include <string>

namespace vandrel::test {

class ScopedEnvironment {
public:
  /// value nullopt unsets the variable.
  ScopedEnvironment(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
      old_ = old;
    }
    if (value) {
      setenv(name_.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ~ScopedEnvironment() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
  std::string name_;
  std::optional<std::string> old_;
};

} // namespace vandrel::test
