#include <stdlib.h>

#include "platform/win32/Windows.h"

#include "platform/Environment.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

bool SetProcessEnvironment(const std::string& name, const std::optional<std::string>& value) {
  // An empty value removes the variable for _wputenv_s: no empty values here.
  return _wputenv_s(win32::Wide(name).c_str(), value ? win32::Wide(*value).c_str() : L"") == 0;
}

bool IsolateRegistryForTesting(const std::string& tag) {
  const std::wstring base = L"Software\\Tolvane\\Tests\\" + win32::Wide(tag);
  RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
  const std::pair<HKEY, const wchar_t*> roots[] = {{HKEY_CLASSES_ROOT, L"\\HKEY_CLASSES_ROOT"},
                                                   {HKEY_LOCAL_MACHINE, L"\\HKEY_LOCAL_MACHINE"},
                                                   {HKEY_CURRENT_USER, L"\\HKEY_CURRENT_USER"}};
  // HKEY_CURRENT_USER goes last: the scratch keys live under the real one.
  bool all = true;
  for (const auto& [root, name] : roots) {
    HKEY scratch = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (base + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &scratch, nullptr) != ERROR_SUCCESS) {
      all = false;
      continue;
    }
    all = RegOverridePredefKey(root, scratch) == ERROR_SUCCESS && all;
    RegCloseKey(scratch);
  }
  return all;
}

} // namespace vandrel::platform
