#pragma once
// The system-information seam: what the running system, process and user
// are, and which file the running program was started from.
//
// Win32 backend: RtlGetVersion (GetVersionExA when it is missing: that one
// reports only the versions the program's manifest names), IsWow64Process
// looked up by name, the access token's groups, GetModuleFileNameW,
// VerLanguageNameW.
// POSIX backend: uname and os-release, the process's pointer width against
// the kernel's machine, the effective user id, /proc/self/exe, a table of
// language names.

#include <cstdint>
#include <string_view>

#include "platform/Strings.h"

namespace vandrel::platform {

/// The operating system's version record.
struct OperatingSystemVersion {
  enum class Family {
    Unknown,   ///< no version could be read
    Windows9x, ///< platform identifier 1
    WindowsNT, ///< platform identifier 2
    Posix,     ///< a Unix-like kernel: major.minor of its release
  };
  Family family = Family::Unknown;
  int major = 0;
  int minor = 0;
  /// Windows 9x: the service-pack text (szCSDVersion).
  AnsiString service_pack;
  /// POSIX: the distribution's name from os-release; empty when unknown.
  AnsiString distribution;
};

/// The running system's version. POSIX: the first two numbers of the
/// kernel release (uname) and the distribution of /etc/os-release (or
/// /usr/lib/os-release). Never fails: an unreadable version is Unknown.
OperatingSystemVersion QueryOperatingSystemVersion();

/// The distribution's name in os-release text: PRETTY_NAME, else NAME and
/// VERSION_ID; quotes and backslash escapes removed; empty when neither.
AnsiString DistributionNameFromOsRelease(std::string_view text);

/// True when this is a 32-bit process on a 64-bit system (IsWow64Process;
/// POSIX: 32-bit pointers while the kernel's machine is a 64-bit one).
bool IsWow64Process();

/// True when the process acts with the administrator's rights (Win32: the
/// token holds the Administrators group not only for deny; POSIX: the
/// effective user id is 0).
bool UserIsAdministrator();

/// The full name of the running program's executable file (POSIX: the
/// target of /proc/self/exe); empty when the system cannot tell.
WideString RunningModuleFileName();

/// The system's name of a language identifier, for example "English
/// (United States)" for 0x0409 (VerLanguageNameA). POSIX: from a table of
/// the common languages; "Language Neutral" for 0 and an empty text for an
/// identifier not in the table.
AnsiString LanguageName(std::uint16_t language_id);

} // namespace vandrel::platform
