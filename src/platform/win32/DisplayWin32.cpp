#include "platform/Display.h"

namespace vandrel::platform {

bool HasGraphicalDisplay() {
  return true;
}

} // namespace vandrel::platform
