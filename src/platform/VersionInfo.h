#pragma once
// The system's own reader of version resources, where it has one.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Strings.h"

namespace vandrel::platform {

/// The version resource of a file as the system hands it out: Win32,
/// GetFileVersionInfoSizeW and GetFileVersionInfoW (the buffer may run past
/// the resource itself). Nothing when the file has none, cannot be read, or
/// the system has no such reader (POSIX: the caller parses the file).
std::optional<std::vector<std::uint8_t>> SystemFileVersionInfo(const WideString& file_name);

} // namespace vandrel::platform
