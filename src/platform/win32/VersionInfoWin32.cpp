#include "platform/win32/Windows.h"

#include "platform/VersionInfo.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

std::optional<std::vector<std::uint8_t>> SystemFileVersionInfo(const WideString& file_name) {
  const std::wstring name = win32::Wide(file_name);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &ignored);
  if (size == 0) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> data(size);
  if (!GetFileVersionInfoW(name.c_str(), 0, size, data.data())) {
    return std::nullopt;
  }
  return data;
}

} // namespace vandrel::platform
