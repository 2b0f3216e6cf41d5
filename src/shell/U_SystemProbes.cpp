#include "shell/U_SystemProbes.h"

#include <string>

#include "engine/U_UnicodeUtils.h"
#include "shell/VersionResource.h"

namespace vandrel {

namespace {

using Family = platform::OperatingSystemVersion::Family;

struct Suffix {
  int major;
  int minor;
  const char* text;
};

constexpr Suffix kNtSuffixes[] = {
    {5, 0, " (Windows 2000)"}, {5, 1, " (Windows XP)"}, {6, 0, " (Vista)"},      {6, 1, " (Seven)"},
    {6, 2, " (Windows8)"},     {6, 3, " (Windows8.1)"}, {10, 0, " (Windows10)"},
};

AnsiString Numbers(const platform::OperatingSystemVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor);
}

} // namespace

AnsiString FormatWindowsVersionText(const platform::OperatingSystemVersion& version) {
  switch (version.family) {
  case Family::WindowsNT: {
    for (const Suffix& suffix : kNtSuffixes) {
      if (suffix.major == version.major && suffix.minor == version.minor) {
        return Numbers(version) + suffix.text;
      }
    }
    return Numbers(version);
  }
  case Family::Windows9x: {
    const char* suffix = " (Unknown)";
    if (version.major == 4 && version.minor == 0) {
      suffix = " (95)";
    } else if (version.major == 4 && version.minor == 10) {
      suffix =
          version.service_pack.size() >= 2 && version.service_pack[1] == 'A' ? " (98SE)" : " (98)";
    } else if (version.major == 4 && version.minor == 90) {
      suffix = " (ME)";
    }
    return Numbers(version) + suffix;
  }
  case Family::Posix:
    return version.distribution.empty() ? Numbers(version)
                                        : Numbers(version) + " (" + version.distribution + ")";
  case Family::Unknown:
    break;
  }
  return "Unknown";
}

AnsiString GetWindowsVersionText() {
  return FormatWindowsVersionText(platform::QueryOperatingSystemVersion());
}

bool IsWow64() {
  return platform::IsWow64Process();
}

bool IsAdministrator() {
  return platform::UserIsAdministrator();
}

AnsiString YesNoText(bool flag) {
  return flag ? "Yes" : "No";
}

WideString GetFileVersionText(const WideString& file_name) {
  if (!WFileExists(file_name)) {
    return u"File not found";
  }
  const auto resource = ReadVersionResource(file_name);
  if (!resource) {
    return WideString();
  }
  const auto fixed = QueryFixedFileInfo(*resource);
  if (!fixed) {
    return WideString();
  }
  const std::string text = std::to_string(fixed->dwFileVersionMS >> 16) + "." +
                           std::to_string(fixed->dwFileVersionMS & 0xFFFF) + "." +
                           std::to_string(fixed->dwFileVersionLS >> 16) + "." +
                           std::to_string(fixed->dwFileVersionLS & 0xFFFF);
  return Utf8ToWide(text);
}

} // namespace vandrel
