#include "ui/U_Program.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <exception>
#include <string>
#include <vector>

#include "base/ApplicationEvents.h"
#include "base/Exceptions.h"
#include "net/U_HTTP_Custo.h"
#include "shell/qt/QtMessagePresenter.h"
#include "ui/ModePictures.h"
#include "ui/QtMainThread.h"
#include "ui/U_Main.h"

namespace vandrel {

namespace {

// An error that escapes an event handler ends in one general error box
// instead of ending the program.
class TApplication : public QApplication {
public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
      QMessageBox::critical(activeWindow(), applicationName(), QString::fromUtf8(error.what()));
    } catch (...) {
      QMessageBox::critical(activeWindow(), applicationName(),
                            QStringLiteral("An unexpected error occurred."));
    }
    return false;
  }
};

} // namespace

int RunVandrel(int argc, char** argv) {
  TApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vandrel"));
  QApplication::setOrganizationName(QStringLiteral(VANDREL_COMPANY_NAME));
  QApplication::setApplicationVersion(QStringLiteral(VANDREL_VERSION_TEXT));
  QGuiApplication::setDesktopFileName(QStringLiteral("vandrel"));
  QApplication::setWindowIcon(ProgramIcon());
  InstallQtMainThreadDispatcher();
  InstallQtMessagePresenter();
  InstallQtHttpClient();

  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.emplace_back(argv[i]);
  }
  Tmain main_window(arguments);
  // Every activation goes to the application-event listeners: the language
  // list and the start-up sequence act on the first one.
  QObject::connect(&application, &QGuiApplication::applicationStateChanged,
                   [](Qt::ApplicationState state) {
                     if (state == Qt::ApplicationActive) {
                       ActivateApplication();
                     }
                   });
  main_window.show();
  QTimer::singleShot(0, &main_window, [] {
    if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
      ActivateApplication();
    }
  });
  return QApplication::exec();
}

} // namespace vandrel
