// Drives the real main window (offscreen) through one split or one rebuild
// as its tests do, and prints the job's wall time in seconds: from the
// click on the panel's button to the end of its completion handler.
//
//   vandrel-window-bench split SOURCE OUTPUT_DIR PART_BYTES
//   vandrel-window-bench join FIRST_PART OUTPUT_DIR
//
// Settings, log and data go to a throw-away home; the start-up update
// check goes to a closed loopback port. Boxes are answered at once (Yes,
// OK) and their texts printed on stderr.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/ApplicationEvents.h"
#include "platform/Registry.h"
#include "shell/Settings.h"
#include "shell/U_MsgDlg.h"
#include "ui/QtMainThread.h"
#include "ui/QtTranslations.h"
#include "ui/U_Main.h"
#include "update/U_Tarvix_Lite.h"

namespace {

class AnsweringPresenter : public vandrel::MessagePresenter {
public:
  int Present(const vandrel::MessageRequest& request) override {
    std::fprintf(stderr, "box: %s\n", request.text.c_str());
    if (request.text != "Done.") {
      failed = true;
    }
    return request.buttons == vandrel::MessageButtons::YesNo ||
                   request.buttons == vandrel::MessageButtons::YesNoCancel
               ? vandrel::kIdYes
               : vandrel::kIdOk;
  }
  bool failed = false;
};

int Usage() {
  std::fprintf(stderr, "usage: vandrel-window-bench split SOURCE OUTPUT_DIR PART_BYTES\n"
                       "       vandrel-window-bench join FIRST_PART OUTPUT_DIR\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    return Usage();
  }
  const std::string mode = argv[1];
  if ((mode == "split" && argc != 5) || (mode == "join" && argc != 4) ||
      (mode != "split" && mode != "join")) {
    return Usage();
  }
  QTemporaryDir home;
  for (const char* variable :
       {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
    const QString folder = home.path() + QLatin1Char('/') + QLatin1String(variable);
    QDir().mkpath(folder);
    setenv(variable, folder.toLocal8Bit().constData(), 1);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // An installed copy (a portable one would write settings.ini beside this
  // program at the end).
  QDir().mkpath(home.path() + QStringLiteral("/XDG_DATA_HOME/applications"));
  std::ofstream(home.path().toStdString() + "/XDG_DATA_HOME/applications/tolvane-vandrel.desktop")
      << "[Desktop Entry]\nType=Application\nName=Tolvane Vandrel\nExec=vandrel %f\n";

  QApplication application(argc, argv);
  vandrel::KeepSystemMessagesInEnglish();
  QApplication::setApplicationName(QStringLiteral("Vandrel"));
  vandrel::InstallQtMainThreadDispatcher();
  auto presenter = std::make_shared<AnsweringPresenter>();
  vandrel::SetMessagePresenter(presenter);
  {
    vandrel::platform::RegistryKey key;
    key.Open(vandrel::platform::RegistryRoot::CurrentUser, vandrel::ProductKeyPath(), true);
    key.WriteString(vandrel::kUpdateServerSetting, "127.0.0.1:1");
  }

  vandrel::Tmain window({});
  window.show();
  vandrel::ActivateApplication();
  QCoreApplication::processEvents();

  QElapsedTimer timer;
  if (mode == "split") {
    window.splitfile_txt->setText(QString::fromLocal8Bit(argv[2]));
    window.splitoutput_txt->setText(QString::fromLocal8Bit(argv[3]));
    window.splitsize_rdo->setChecked(true);
    window.splitsizepart_txt->setText(QString::fromLocal8Bit(argv[4]));
    window.splitsizeunit_cmb->setCurrentIndex(0);
    window.splitautoregen_chk->setChecked(false);
    timer.start();
    window.splitgo_btn->click();
  } else {
    window.rebuild_btnClick();
    window.rbldfile_txt->setText(QString::fromLocal8Bit(argv[2]));
    window.rbldoutput_txt->setText(QString::fromLocal8Bit(argv[3]));
    window.rblddelparts_chk->setChecked(false);
    timer.start();
    window.rbldgo_btn->click();
  }
  while (window.JobRunning()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  std::printf("%.3f\n", seconds);
  window.close();
  return presenter->failed ? 1 : 0;
}
