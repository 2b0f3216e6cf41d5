#include "platform/win32/Windows.h"

#include <vector>

#include "platform/SystemInfo.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

namespace {

// GetVersionEx reports the version the program's manifest declares it
// knows of; RtlGetVersion reports the real one.
using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, BOOL*);

} // namespace

OperatingSystemVersion QueryOperatingSystemVersion() {
  OperatingSystemVersion version;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  const auto rtl_get_version = win32::LookUp<RtlGetVersionCall>(L"ntdll.dll", "RtlGetVersion");
  bool known = rtl_get_version != nullptr && rtl_get_version(&info) == 0;
  if (!known) {
    OSVERSIONINFOA ansi{};
    ansi.dwOSVersionInfoSize = sizeof ansi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    known = GetVersionExA(&ansi) != 0;
#pragma GCC diagnostic pop
    if (!known) {
      return version;
    }
    info.dwMajorVersion = ansi.dwMajorVersion;
    info.dwMinorVersion = ansi.dwMinorVersion;
    info.dwPlatformId = ansi.dwPlatformId;
    version.service_pack = ansi.szCSDVersion;
  }
  version.major = static_cast<int>(info.dwMajorVersion);
  version.minor = static_cast<int>(info.dwMinorVersion);
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    version.family = OperatingSystemVersion::Family::WindowsNT;
  } else if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    version.family = OperatingSystemVersion::Family::Windows9x;
  }
  return version;
}

bool IsWow64Process() {
  const auto call = win32::LookUp<IsWow64ProcessCall>(L"kernel32.dll", "IsWow64Process");
  if (call == nullptr) {
    return false;
  }
  BOOL wow64 = FALSE;
  return call(GetCurrentProcess(), &wow64) && wow64;
}

bool UserIsAdministrator() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return false;
  }
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  bool administrator = false;
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (size > 0 && GetTokenInformation(token, TokenGroups, buffer.data(), size, &size) &&
      AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                               DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
      // A group kept only to deny access (UAC's filtered token) does not count.
      if (EqualSid(groups->Groups[i].Sid, administrators) &&
          !(groups->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY)) {
        administrator = true;
      }
    }
    FreeSid(administrators);
  }
  CloseHandle(token);
  return administrator;
}

WideString RunningModuleFileName() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) {
      return {};
    }
    if (length < name.size()) {
      name.resize(length);
      return win32::Name(name);
    }
    name.resize(name.size() * 2);
  }
}

AnsiString LanguageName(std::uint16_t language_id) {
  wchar_t name[513] = {};
  const DWORD length = VerLanguageNameW(language_id, name, 513);
  if (length == 0) {
    return {};
  }
  return win32::Utf8(std::wstring_view(name, length));
}

} // namespace vandrel::platform
