#include "platform/win32/Windows.h"

#include <shlobj.h>

#include "platform/SpecialFolders.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

namespace {

AnsiString ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  AnsiString folder = win32::Utf8(path);
  while (folder.size() > 3 && folder.back() == '\\') {
    folder.pop_back();
  }
  return folder;
}

using Wow64Disable = BOOL(WINAPI*)(PVOID*);
using Wow64Enable = BOOLEAN(WINAPI*)(BOOLEAN);

} // namespace

AnsiString RoamingAppDataFolder() {
  return ShellFolder(CSIDL_APPDATA);
}

AnsiString LocalAppDataFolder() {
  return ShellFolder(CSIDL_LOCAL_APPDATA);
}

AnsiString UserConfigFolder() {
  return ShellFolder(CSIDL_APPDATA);
}

AnsiString SystemFolder() {
  return ShellFolder(CSIDL_SYSTEM);
}

AnsiString VirtualStoreMirror(const AnsiString& exe_folder) {
  const AnsiString local = LocalAppDataFolder();
  if (local.empty() || exe_folder.size() < 3) {
    return {};
  }
  return local + "\\VirtualStore\\" + exe_folder.substr(3);
}

bool SetFileSystemRedirection(bool disable) {
  // Looked up by name: 32-bit systems before these calls have no redirection.
  const auto disable_call =
      win32::LookUp<Wow64Disable>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
  const auto enable_call =
      win32::LookUp<Wow64Enable>(L"kernel32.dll", "Wow64EnableWow64FsRedirection");
  if (disable_call == nullptr || enable_call == nullptr) {
    return true;
  }
  BOOL is_wow64 = FALSE;
  if (!::IsWow64Process(GetCurrentProcess(), &is_wow64) || !is_wow64) {
    return true; // a 64-bit process is never redirected
  }
  if (disable) {
    PVOID previous = nullptr;
    return disable_call(&previous) != 0;
  }
  return enable_call(TRUE) != 0;
}

} // namespace vandrel::platform
