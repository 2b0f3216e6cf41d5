#include "platform/win32/Windows.h"

#include "platform/InstalledPrograms.h"
#include "platform/SystemInfo.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

namespace {

constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kUninstall32[] =
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void AddEntries(HKEY root, const wchar_t* path, REGSAM access,
                std::vector<InstalledProgram>& programs) {
  HKEY list = nullptr;
  if (RegOpenKeyExW(root, path, 0, access, &list) != ERROR_SUCCESS) {
    return;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(list, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    HKEY entry = nullptr;
    if (RegOpenKeyExW(list, name, 0, access, &entry) != ERROR_SUCCESS) {
      continue; // an entry that does not open gives nothing
    }
    InstalledProgram program;
    program.entry_name = win32::Utf8(std::wstring_view(name, length));
    for (DWORD value_index = 0;; ++value_index) {
      wchar_t value_name[16384];
      DWORD value_length = 16384;
      DWORD type = 0;
      DWORD size = 0;
      if (RegEnumValueW(entry, value_index, value_name, &value_length, nullptr, &type, nullptr,
                        &size) != ERROR_SUCCESS) {
        break;
      }
      if (type != REG_SZ && type != REG_EXPAND_SZ) {
        continue;
      }
      std::wstring data(size / 2 + 1, L'\0');
      DWORD data_size = static_cast<DWORD>(data.size() * 2);
      if (RegQueryValueExW(entry, value_name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                           &data_size) != ERROR_SUCCESS) {
        continue;
      }
      data.resize(data_size / 2);
      while (!data.empty() && data.back() == L'\0') {
        data.pop_back();
      }
      const AnsiString field = win32::Utf8(std::wstring_view(value_name, value_length));
      const AnsiString text = win32::Utf8(data);
      if (SameTextAscii(field, "DisplayName")) {
        program.display_name = text;
        program.has_display_name = true;
      } else {
        program.fields[field] = text;
      }
    }
    RegCloseKey(entry);
    programs.push_back(std::move(program));
  }
  RegCloseKey(list);
}

} // namespace

std::vector<InstalledProgram> ListInstalledPrograms() {
  // A 32-bit process on 64-bit Windows reads the 64-bit view too.
  const REGSAM access = KEY_READ | (IsWow64Process() ? KEY_WOW64_64KEY : 0);
  std::vector<InstalledProgram> programs;
  AddEntries(HKEY_CURRENT_USER, kUninstall, access, programs);
  AddEntries(HKEY_LOCAL_MACHINE, kUninstall, access, programs);
  AddEntries(HKEY_LOCAL_MACHINE, kUninstall32, access, programs);
  return programs;
}

} // namespace vandrel::platform
