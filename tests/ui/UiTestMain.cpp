// Test main of the GUI suite: hermetic HOME and XDG folders, the offscreen
// platform, Qt's test paths, then one QApplication for every test.

#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/Hermetic.h"
#include "ui/QtMainThread.h"

int main(int argc, char** argv) {
  vandrel::test::SetUpHermeticEnvironment();
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // No session bus of the developer's desktop: the taskbar stays silent.
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  unsetenv("DISPLAY");
  setenv("LANG", "en_US.UTF-8", 1);
  setenv("LC_ALL", "en_US.UTF-8", 1);
  QStandardPaths::setTestModeEnabled(true);
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vandrel"));
  vandrel::InstallQtMainThreadDispatcher();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
