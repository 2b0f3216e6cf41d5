// The system's reason in the window's language, with French generated for
// the run into a temporary LOCPATH.

#include "platform/ErrorTexts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/Session.h"
#include "support/Hermetic.h"
#include "support/Locales.h"
#include "support/ScopedEnvironment.h"

namespace vandrel::platform {
namespace {

namespace fs = std::filesystem;

TEST(ErrorTextsTest, ReasonsComeInTheLanguageOfTheWindow) {
  if (!fs::exists("/usr/share/locale/fr/LC_MESSAGES/libc.mo")) {
    GTEST_SKIP() << "the C library's French messages are missing (Debian package libc-l10n)";
  }
  test::TempDir dir;
  std::string error;
  if (!test::GenerateLocale("fr_FR.UTF-8", dir.path(), error)) {
    GTEST_SKIP() << error;
  }
  test::ScopedEnvironment locpath("LOCPATH", dir.path().string());
  // Whatever the process's own locale says: here French for messages,
  // while the window may be English.
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr);
  struct Case {
    std::uint16_t lang_id;
    int error;
    const char* text;
  };
  for (const Case& c : {
           Case{0x040C, ENOENT, "Aucun fichier ou dossier de ce type"},
           Case{0x040C, EACCES, "Permission non accordée"},
           // fr_CA is not generated: the language's main locale serves.
           Case{0x0C0C, ENOSPC, "Aucun espace disponible sur le périphérique"},
           Case{0x0409, ENOENT, "No such file or directory"},
           Case{0x0809, EACCES, "Permission denied"},
           // German is not generated: English.
           Case{0x0407, ENOENT, "No such file or directory"},
           Case{0, ENOSPC, "No space left on device"},
       }) {
    EXPECT_EQ(ErrorTextInLanguage(c.error, c.lang_id), c.text) << std::hex << c.lang_id;
  }
  std::setlocale(LC_ALL, previous.c_str());
}

TEST(ErrorTextsTest, LanguagesMapToTheirLocales) {
  EXPECT_EQ(LocaleOfLangId(0x040C), "fr_FR");
  EXPECT_EQ(LocaleOfLangId(0x0C0C), "fr_CA");
  EXPECT_EQ(LocaleOfLangId(0x081A), "sr_RS@latin");
  EXPECT_EQ(LocaleOfLangId(0x0414), "nb_NO");
  // An identifier without a locale: its primary language's main one.
  EXPECT_EQ(LocaleOfLangId(0x000C), "fr_FR");
  EXPECT_EQ(LocaleOfLangId(0x2C0C), "fr_FR");
  EXPECT_EQ(LocaleOfLangId(0x0400), "");
  EXPECT_EQ(LocaleOfLangId(0x007F), "");
}

} // namespace
} // namespace vandrel::platform
