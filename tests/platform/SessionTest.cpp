#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Session.h"

namespace vandrel::platform {
namespace {

TEST(SessionTest, LocalesMapToWindowsLanguageIdentifiers) {
  struct Case {
    const char* locale;
    std::uint16_t id;
  } cases[] = {
      {"fr_FR.UTF-8", 0x040C},
      {"fr_CA", 0x0C0C},
      {"de_DE@euro", 0x0407},
      {"en_US.utf8", 0x0409},
      {"pt_BR", 0x0416},
      {"zh_CN.GB18030", 0x0804},
      {"sr_RS@latin", 0x081A},
      {"sr_RS", 0x0C1A},
      {"fr_SN.UTF-8", 0x040C}, // country unknown
      {"de", 0x0407},
      {"pt-PT", 0x0816},
      {"C", 0},
      {"POSIX", 0},
      {"C.UTF-8", 0},
      {"eo.UTF-8", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LangIdOfLocale(c.locale), c.id) << c.locale;
  }
}

TEST(SessionTest, UserLanguageComesFromTheFirstLocaleVariableSet) {
  setenv("LC_ALL", "", 1);
  setenv("LC_MESSAGES", "fr_CA.UTF-8", 1);
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(UserDefaultLangId(), 0x0C0C);
  setenv("LC_ALL", "pt_BR", 1);
  EXPECT_EQ(UserDefaultLangId(), 0x0416);
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(UserDefaultLangId(), 0x0409);
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  unsetenv("LANG");
  EXPECT_EQ(UserDefaultLangId(), 0x0409);
}

TEST(SessionTest, BeepGoesToTheInstalledHandler) {
  unsigned seen_frequency = 0;
  unsigned seen_duration = 0;
  SetBeepHandler([&](unsigned f, unsigned d) {
    seen_frequency = f;
    seen_duration = d;
  });
  Beep(4000, 100);
  SetBeepHandler(nullptr);
  EXPECT_EQ(seen_frequency, 4000u);
  EXPECT_EQ(seen_duration, 100u);
}

} // namespace
} // namespace vandrel::platform
