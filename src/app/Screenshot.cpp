// Takes a picture of the main window for the README: run under an X server
// (scripts/screenshot.sh starts Xvfb), writes a PNG of the window as a
// user sees it after choosing a file and a preset.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "base/ApplicationEvents.h"
#include "ui/ModePictures.h"
#include "ui/QtMainThread.h"
#include "ui/U_Main.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vandrel-screenshot OUTPUT.png\n");
    return 2;
  }
  // Settings, log and data folders of this run stay in a throw-away home.
  QTemporaryDir home;
  for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
    const QString folder = home.path() + QLatin1Char('/') + QLatin1String(variable);
    QDir().mkpath(folder);
    setenv(variable, folder.toLocal8Bit().constData(), 1);
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vandrel"));
  QApplication::setWindowIcon(vandrel::ProgramIcon());
  vandrel::InstallQtMainThreadDispatcher();
  const QString output = QString::fromLocal8Bit(argv[1]);

  vandrel::Tmain window({});
  window.show();
  window.activateWindow();
  QTimer::singleShot(1500, &window, [&] {
    vandrel::ActivateApplication();
    window.splitfile_txt->setText(QStringLiteral("/home/anna/Videos/Holiday in Lisbon.mkv"));
    window.splitoutput_txt->setText(QStringLiteral("/media/anna/USB KEY/"));
    window.splitpredef_cmb->setCurrentIndex(3);
    window.splitpredef_cmbChange();
    window.splitautoregen_chk->setChecked(true);
  });
  QTimer::singleShot(2500, &window, [&] {
    const QPixmap picture = window.grab();
    const bool saved = picture.save(output, "PNG");
    std::fprintf(stderr, saved ? "wrote %s\n" : "cannot write %s\n", argv[1]);
    QApplication::exit(saved ? 0 : 1);
  });
  return QApplication::exec();
}
