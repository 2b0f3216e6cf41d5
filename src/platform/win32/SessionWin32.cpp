#include "platform/win32/Windows.h"

#include <mutex>

#include "platform/Session.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

namespace {

std::mutex beep_mutex;
std::function<void(unsigned, unsigned)>& BeepHandler() {
  static std::function<void(unsigned, unsigned)> handler;
  return handler;
}

} // namespace

std::uint16_t UserDefaultLangId() {
  return GetUserDefaultLangID();
}

AnsiString DefaultInputMethodName() {
  // The input method of the default keyboard layout, if it has one.
  HKL layout = GetKeyboardLayout(0);
  if (layout == nullptr) {
    return {};
  }
  wchar_t name[KL_NAMELENGTH] = {};
  if (!GetKeyboardLayoutNameW(name)) {
    return {};
  }
  HKEY key = nullptr;
  const std::wstring path =
      std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\") + name;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t file[MAX_PATH] = {};
  DWORD size = sizeof file - sizeof(wchar_t);
  DWORD type = 0;
  AnsiString result;
  if (RegQueryValueExW(key, L"IME File", nullptr, &type, reinterpret_cast<BYTE*>(file), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ) {
    result = win32::Utf8(file);
  }
  RegCloseKey(key);
  return result;
}

void Beep(unsigned frequency_hz, unsigned duration_ms) {
  std::function<void(unsigned, unsigned)> handler;
  {
    std::lock_guard lock(beep_mutex);
    handler = BeepHandler();
  }
  if (handler) {
    handler(frequency_hz, duration_ms);
    return;
  }
  ::Beep(frequency_hz, duration_ms);
}

void SetBeepHandler(std::function<void(unsigned frequency_hz, unsigned duration_ms)> handler) {
  std::lock_guard lock(beep_mutex);
  BeepHandler() = std::move(handler);
}

} // namespace vandrel::platform
