// System probes on POSIX: uname, os-release, the effective user id and
// /proc/self/exe.

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/SystemInfo.h"

namespace vandrel::platform {

namespace {

// Reads a small text file whole; empty when it cannot be read. os-release
// is a few hundred bytes, so anything past 64 KiB is not one.
std::string ReadSmallFile(const char* name) {
  std::string text;
  std::FILE* file = std::fopen(name, "rbe");
  if (file == nullptr) {
    return text;
  }
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < 65536) {
    text.append(buffer, got);
  }
  std::fclose(file);
  return text;
}

// The leading decimal number of text at position, advancing it; -1 when
// there is none or it does not fit.
int LeadingNumber(const std::string& text, std::size_t& position) {
  long value = -1;
  while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
    value = (value < 0 ? 0 : value) * 10 + (text[position] - '0');
    if (value > 1000000) {
      return -1;
    }
    ++position;
  }
  return static_cast<int>(value);
}

} // namespace

OperatingSystemVersion QueryOperatingSystemVersion() {
  OperatingSystemVersion version;
  struct utsname system {};
  if (uname(&system) != 0) {
    return version;
  }
  const std::string release = system.release;
  std::size_t position = 0;
  const int major = LeadingNumber(release, position);
  if (major < 0 || position >= release.size() || release[position] != '.') {
    return version;
  }
  ++position;
  const int minor = LeadingNumber(release, position);
  if (minor < 0) {
    return version;
  }
  version.family = OperatingSystemVersion::Family::Posix;
  version.major = major;
  version.minor = minor;
  std::string os_release = ReadSmallFile("/etc/os-release");
  if (os_release.empty()) {
    os_release = ReadSmallFile("/usr/lib/os-release");
  }
  version.distribution = DistributionNameFromOsRelease(os_release);
  return version;
}

bool IsWow64Process() {
  if (sizeof(void*) != 4) {
    return false;
  }
  struct utsname system {};
  if (uname(&system) != 0) {
    return false;
  }
  const std::string machine = system.machine;
  for (const char* wide : {"x86_64", "aarch64", "arm64", "ppc64", "ppc64le", "s390x", "mips64",
                           "riscv64", "sparc64", "loongarch64", "alpha", "ia64"}) {
    if (machine == wide) {
      return true;
    }
  }
  return false;
}

bool UserIsAdministrator() {
  return geteuid() == 0;
}

WideString RunningModuleFileName() {
  std::vector<char> buffer(512);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) {
      return WideString();
    }
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return Utf8ToWide(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
    }
    if (buffer.size() >= (1u << 20)) {
      return WideString();
    }
    buffer.resize(buffer.size() * 2);
  }
}

AnsiString LanguageName(std::uint16_t language_id) {
  struct Entry {
    std::uint16_t id;
    const char* name;
  };
  static constexpr Entry kNames[] = {
      {0x0000, "Language Neutral"},
      {0x0401, "Arabic (Saudi Arabia)"},
      {0x0402, "Bulgarian (Bulgaria)"},
      {0x0403, "Catalan (Catalan)"},
      {0x0404, "Chinese (Traditional, Taiwan)"},
      {0x0405, "Czech (Czech Republic)"},
      {0x0406, "Danish (Denmark)"},
      {0x0407, "German (Germany)"},
      {0x0408, "Greek (Greece)"},
      {0x0409, "English (United States)"},
      {0x040A, "Spanish (Spain, Traditional Sort)"},
      {0x040B, "Finnish (Finland)"},
      {0x040C, "French (France)"},
      {0x040D, "Hebrew (Israel)"},
      {0x040E, "Hungarian (Hungary)"},
      {0x0410, "Italian (Italy)"},
      {0x0411, "Japanese (Japan)"},
      {0x0412, "Korean (Korea)"},
      {0x0413, "Dutch (Netherlands)"},
      {0x0414, "Norwegian, Bokmål (Norway)"},
      {0x0415, "Polish (Poland)"},
      {0x0416, "Portuguese (Brazil)"},
      {0x0418, "Romanian (Romania)"},
      {0x0419, "Russian (Russia)"},
      {0x041A, "Croatian (Croatia)"},
      {0x041B, "Slovak (Slovakia)"},
      {0x041D, "Swedish (Sweden)"},
      {0x041E, "Thai (Thailand)"},
      {0x041F, "Turkish (Turkey)"},
      {0x0422, "Ukrainian (Ukraine)"},
      {0x0424, "Slovenian (Slovenia)"},
      {0x0425, "Estonian (Estonia)"},
      {0x0426, "Latvian (Latvia)"},
      {0x0427, "Lithuanian (Lithuania)"},
      {0x042A, "Vietnamese (Vietnam)"},
      {0x0804, "Chinese (Simplified, PRC)"},
      {0x0807, "German (Switzerland)"},
      {0x0809, "English (United Kingdom)"},
      {0x080A, "Spanish (Mexico)"},
      {0x080C, "French (Belgium)"},
      {0x0816, "Portuguese (Portugal)"},
      {0x0C0A, "Spanish (Spain, International Sort)"},
      {0x0C0C, "French (Canada)"},
  };
  for (const Entry& entry : kNames) {
    if (entry.id == language_id) {
      return entry.name;
    }
  }
  return AnsiString();
}

} // namespace vandrel::platform
