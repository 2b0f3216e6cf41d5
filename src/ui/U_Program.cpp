#include "ui/U_Program.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "base/ApplicationEvents.h"
#include "base/Exceptions.h"
#include "net/U_HTTP_Custo.h"
#include "platform/Display.h"
#include "platform/Session.h"
#include "platform/TerminationSignals.h"
#include "shell/qt/QtMessagePresenter.h"
#include "shell/qt/Settings.h"
#include "shell/qt/U_about.h"
#include "ui/ModePictures.h"
#include "ui/Qburn.h"
#include "ui/QtMainThread.h"
#include "ui/QtTranslations.h"
#include "ui/SessionEnd.h"
#include "ui/U_Main.h"

namespace vandrel {

namespace {

// The general error box: the error's text as typed (it may name a file).
void ShowGeneralError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

// An error that escapes an event handler ends in one general error box
// instead of ending the program.
class TApplication : public QApplication {
public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
      ShowGeneralError(QString::fromUtf8(error.what()));
    } catch (...) {
      ShowGeneralError(QStringLiteral("An unexpected error occurred."));
    }
    return false;
  }
};

} // namespace

int RunVandrel(int argc, char** argv) {
  // Qt would abort without a word of ours; say what is missing instead. A
  // platform chosen by hand (offscreen, vnc) is the user's to judge.
  const char* platform_name = std::getenv("QT_QPA_PLATFORM");
  if (!platform::HasGraphicalDisplay() && (platform_name == nullptr || *platform_name == '\0')) {
    std::fprintf(stderr, "vandrel: no graphical display is available (DISPLAY and "
                         "WAYLAND_DISPLAY are not set); vandrel-cli splits and joins files "
                         "from a terminal.\n");
    return 1;
  }
  // Caught from here on: a signal during start-up waits in the pipe for
  // the window instead of ending the program at once.
  platform::WatchTerminationSignals();
  TApplication application(argc, argv);
  KeepSystemMessagesInEnglish();
  QApplication::setApplicationName(QStringLiteral("Vandrel"));
  QApplication::setOrganizationName(QStringLiteral(VANDREL_COMPANY_NAME));
  QApplication::setApplicationVersion(QStringLiteral(VANDREL_VERSION_TEXT));
  QGuiApplication::setDesktopFileName(QStringLiteral("example.tolvane.Vandrel"));
  QApplication::setWindowIcon(ProgramIcon());
  InstallQtMainThreadDispatcher();
  InstallQtMessagePresenter();
  InstallQtHttpClient();
  // The signal after writing a language template: the desktop's bell.
  platform::SetBeepHandler([](unsigned, unsigned) { QApplication::beep(); });

  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.emplace_back(argv[i]);
  }
  Tmain main_window(arguments);
  // Declared after the window so that they go first: the chooser leaves the
  // window's language list before the list goes.
  TQburnDlg burn_dialog(&main_window);
  main_window.QburnDlg = &burn_dialog;
  TAboutDlg about_dialog(&main_window);
  TSettingsDlg settings_dialog(&main_window, main_window.Langue);
  main_window.AboutDlg = &about_dialog;
  main_window.SettingsDlg = &settings_dialog;
  // A logout, a closed terminal or Ctrl+C ends the run as the close button
  // does.
  TSessionEnd session_end(&main_window);
  // Every activation goes to the application-event listeners: the language
  // list and the start-up sequence act on the first one.
  QObject::connect(&application, &QGuiApplication::applicationStateChanged,
                   [](Qt::ApplicationState state) {
                     if (state == Qt::ApplicationActive) {
                       ActivateApplication();
                     }
                   });
  main_window.show();
  main_window.activateWindow();
  QTimer::singleShot(0, &main_window, [] {
    if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
      ActivateApplication();
    }
  });
  return QApplication::exec();
}

} // namespace vandrel
