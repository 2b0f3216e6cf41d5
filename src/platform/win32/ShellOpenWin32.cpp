#include "platform/win32/Windows.h"

#include <shellapi.h>

#include "platform/ShellOpen.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

bool ShellOpen(const AnsiString& target) {
  const std::wstring file = win32::Wide(target);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != 0;
}

} // namespace vandrel::platform
