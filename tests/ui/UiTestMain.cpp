// Test main of the GUI suite: hermetic HOME and XDG folders, the offscreen
// platform, Qt's test paths, then one QApplication for every test.
//
// VANDREL_TEST_LOCALE runs the suite under another locale, for example a
// comma-decimal one: "de_DE.UTF-8" is generated into the hermetic folder,
// "FOLDER/de_DE.UTF-8" into FOLDER unless it is there already (CTest makes
// it once for all the tests of that run).

#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/Hermetic.h"
#include "support/Locales.h"
#include "ui/QtMainThread.h"
#include "ui/QtTranslations.h"

namespace {

// Points LC_ALL, LANG and LOCPATH at the wanted locale; false when it
// cannot be made.
bool UseTestLocale(const char* wanted) {
  namespace fs = std::filesystem;
  const fs::path given(wanted);
  const std::string name = given.filename().string();
  const fs::path folder =
      given.has_parent_path() ? given.parent_path() : vandrel::test::HermeticRoot() / "locales";
  std::string error;
  if (!vandrel::test::GenerateLocale(name, folder, error)) {
    std::fprintf(stderr, "cannot run under %s: %s\n", wanted, error.c_str());
    return false;
  }
  setenv("LOCPATH", folder.c_str(), 1);
  setenv("LANG", name.c_str(), 1);
  setenv("LC_ALL", name.c_str(), 1);
  return true;
}

} // namespace

int main(int argc, char** argv) {
  vandrel::test::SetUpHermeticEnvironment();
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // No session bus of the developer's desktop: the taskbar stays silent.
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  unsetenv("DISPLAY");
  const char* wanted = std::getenv("VANDREL_TEST_LOCALE");
  const bool other_locale = wanted != nullptr && *wanted != '\0';
  if (other_locale) {
    if (!UseTestLocale(wanted)) {
      return 1;
    }
  } else {
    setenv("LANG", "en_US.UTF-8", 1);
    setenv("LC_ALL", "en_US.UTF-8", 1);
  }
  QStandardPaths::setTestModeEnabled(true);
  // Qt sets the C library's locale from the environment here, as it does
  // in the program.
  QApplication application(argc, argv);
  vandrel::KeepSystemMessagesInEnglish();
  if (other_locale) {
    const char* active = std::setlocale(LC_NUMERIC, nullptr);
    std::fprintf(stderr, "window tests under LC_NUMERIC=%s, decimal mark \"%s\"\n", active,
                 std::localeconv()->decimal_point);
    if (std::filesystem::path(wanted).filename() != active) {
      std::fprintf(stderr, "the C library did not take %s\n", wanted);
      return 1;
    }
  }
  QApplication::setApplicationName(QStringLiteral("Vandrel"));
  vandrel::InstallQtMainThreadDispatcher();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
