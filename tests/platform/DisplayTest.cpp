#include "platform/Display.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vandrel::platform {
namespace {

// Sets or removes a variable for one scope.
class ScopedVariable {
public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      saved_ = old;
    }
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedVariable() { saved_ ? setenv(name_, saved_->c_str(), 1) : unsetenv(name_); }

private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(Display, IsThereWhenX11OrWaylandIsNamed) {
  struct Case {
    const char* display;
    const char* wayland;
    bool expected;
  };
  for (const Case& c : {Case{nullptr, nullptr, false}, Case{"", "", false},
                        Case{":0", nullptr, true}, Case{nullptr, "wayland-0", true}}) {
    ScopedVariable display("DISPLAY", c.display);
    ScopedVariable wayland("WAYLAND_DISPLAY", c.wayland);
    EXPECT_EQ(HasGraphicalDisplay(), c.expected)
        << (c.display ? c.display : "unset") << " / " << (c.wayland ? c.wayland : "unset");
  }
}

} // namespace
} // namespace vandrel::platform
