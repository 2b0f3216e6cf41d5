#include <gtest/gtest.h>

#include <sys/utsname.h>
#include <unistd.h>

#include "shell/U_SystemProbes.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using platform::OperatingSystemVersion;
using Family = OperatingSystemVersion::Family;

TEST(U_SystemProbesTest, VersionTextNamesTheSystem) {
  struct Case {
    Family family;
    int major, minor;
    const char* service_pack;
    const char* distribution;
    const char* expected;
  };
  const Case cases[] = {
      {Family::WindowsNT, 5, 0, "", "", "5.0 (Windows 2000)"},
      {Family::WindowsNT, 5, 1, "", "", "5.1 (Windows XP)"},
      {Family::WindowsNT, 5, 2, "", "", "5.2"}, // Server 2003, XP x64
      {Family::WindowsNT, 6, 0, "", "", "6.0 (Vista)"},
      {Family::WindowsNT, 6, 1, "", "", "6.1 (Seven)"},
      {Family::WindowsNT, 6, 2, "", "", "6.2 (Windows8)"},
      {Family::WindowsNT, 6, 3, "", "", "6.3 (Windows8.1)"},
      {Family::WindowsNT, 10, 0, "", "", "10.0 (Windows10)"}, // 10 and 11 alike
      {Family::Windows9x, 4, 0, "", "", "4.0 (95)"},
      {Family::Windows9x, 4, 10, " A ", "", "4.10 (98SE)"},
      {Family::Windows9x, 4, 10, "", "", "4.10 (98)"},
      {Family::Windows9x, 4, 90, "", "", "4.90 (ME)"},
      {Family::Windows9x, 3, 95, "", "", "3.95 (Unknown)"},
      {Family::Posix, 6, 1, "", "Debian GNU/Linux 12 (bookworm)",
       "6.1 (Debian GNU/Linux 12 (bookworm))"},
      {Family::Posix, 5, 15, "", "", "5.15"},
      {Family::Unknown, 0, 0, "", "", "Unknown"},
  };
  for (const Case& c : cases) {
    OperatingSystemVersion version;
    version.family = c.family;
    version.major = c.major;
    version.minor = c.minor;
    version.service_pack = c.service_pack;
    version.distribution = c.distribution;
    EXPECT_EQ(FormatWindowsVersionText(version), c.expected);
  }
}

TEST(U_SystemProbesTest, LiveVersionTextStartsWithTheKernelRelease) {
  struct utsname system {};
  ASSERT_EQ(uname(&system), 0);
  int major = 0, minor = 0;
  ASSERT_EQ(std::sscanf(system.release, "%d.%d", &major, &minor), 2);
  const AnsiString text = GetWindowsVersionText();
  const AnsiString numbers = std::to_string(major) + "." + std::to_string(minor);
  EXPECT_EQ(text.substr(0, numbers.size()), numbers) << text;
  EXPECT_TRUE(text.size() == numbers.size() || text.substr(numbers.size(), 2) == " (") << text;
}

TEST(U_SystemProbesTest, ProcessProbesAnswerForThisProcess) {
  EXPECT_EQ(IsAdministrator(), geteuid() == 0);
  if (sizeof(void*) == 8) {
    EXPECT_FALSE(IsWow64()); // only a 32-bit process is "under WOW64"
  }
  EXPECT_EQ(YesNoText(true), "Yes");
  EXPECT_EQ(YesNoText(false), "No");
}

TEST(U_SystemProbesTest, FileVersionTextOfMissingAndPlainFiles) {
  test::TempDir dir;
  EXPECT_EQ(GetFileVersionText(dir.WFile("missing.exe")), u"File not found");
  EXPECT_EQ(GetFileVersionText(dir.path().u16string()), u"File not found"); // a folder
  test::WriteFile(dir.File("notes.txt"), "no version here");
  EXPECT_EQ(GetFileVersionText(dir.WFile("notes.txt")), u"");
  test::WriteFile(dir.File("empty"), "");
  EXPECT_EQ(GetFileVersionText(dir.WFile("empty")), u"");
}

} // namespace
} // namespace vandrel
