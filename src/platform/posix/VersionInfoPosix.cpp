#include "platform/VersionInfo.h"

namespace vandrel::platform {

// No system reader: shell/VersionResource parses ELF and PE files itself.
std::optional<std::vector<std::uint8_t>> SystemFileVersionInfo(const WideString&) {
  return std::nullopt;
}

} // namespace vandrel::platform
