#include <gtest/gtest.h>

#include <filesystem>

#include "platform/SystemInfo.h"

namespace vandrel::platform {
namespace {

TEST(SystemInfoTest, DistributionNameFromOsRelease) {
  const std::pair<const char*, const char*> cases[] = {
      {"NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
       "(bookworm)\"\n",
       "Debian GNU/Linux 12 (bookworm)"},
      {"NAME=Fedora\r\nVERSION_ID=39\r\n", "Fedora 39"},
      {"NAME='Arch Linux'\n", "Arch Linux"},
      {"PRETTY_NAME=\"Say \\\"hi\\\" \\$HOME\"\n", "Say \"hi\" $HOME"},
      {"# PRETTY_NAME=\"commented\"\nID=debian\n", ""},
      {"", ""},
      {"garbage without equals\n\x01\x02", ""},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(DistributionNameFromOsRelease(text), expected) << text;
  }
}

TEST(SystemInfoTest, RunningModuleIsTheExecutableFile) {
  const WideString name = RunningModuleFileName();
  EXPECT_EQ(WideToUtf8(name), std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(name.front(), u'/');
}

TEST(SystemInfoTest, LanguageNames) {
  EXPECT_EQ(LanguageName(0x0409), "English (United States)");
  EXPECT_EQ(LanguageName(0x040C), "French (France)");
  EXPECT_EQ(LanguageName(0x0000), "Language Neutral");
  EXPECT_EQ(LanguageName(0x7777), "");
}

TEST(SystemInfoTest, LiveVersionIsAPosixRelease) {
  const OperatingSystemVersion version = QueryOperatingSystemVersion();
  EXPECT_EQ(version.family, OperatingSystemVersion::Family::Posix);
  EXPECT_GT(version.major, 0);
}

} // namespace
} // namespace vandrel::platform
