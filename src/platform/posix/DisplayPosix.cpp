#include "platform/Display.h"

#include <cstdlib>
#include <initializer_list>

namespace vandrel::platform {

bool HasGraphicalDisplay() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      return true;
    }
  }
  return false;
}

} // namespace vandrel::platform
