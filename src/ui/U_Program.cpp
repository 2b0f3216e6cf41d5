#include "ui/U_Program.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <string>
#include <vector>

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
  main_window.show();
  return QApplication::exec();
}

} // namespace vandrel
