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

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/ApplicationEvents.h"
#include "localization/C_LangList.h"
#include "shell/qt/Settings.h"
#include "shell/qt/U_about.h"
#include "ui/ModePictures.h"
#include "ui/QtMainThread.h"
#include "ui/U_Main.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vandrel-screenshot OUTPUT.png [split|rebuild|diskspan|about|"
                         "settings] [LANGUAGE-CODE]\n");
    return 2;
  }
  const std::string mode = argc > 2 ? argv[2] : "split";
  // A language code in hexadecimal (40C for French, 409 for English, the
  // default); the language files lie beside this tool in the build tree.
  // Chosen every time: a portable copy remembers the last one.
  const unsigned long language = argc > 3 ? std::strtoul(argv[3], nullptr, 16) : 0x409;
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
  vandrel::TAboutDlg about(&window);
  vandrel::TSettingsDlg settings(&window, window.Langue);
  window.AboutDlg = &about;
  window.SettingsDlg = &settings;
  QWidget* shown = &window;
  window.show();
  window.activateWindow();
  QTimer::singleShot(1500, &window, [&] {
    vandrel::ActivateApplication();
    window.splitfile_txt->setText(QStringLiteral("/home/anna/Videos/Holiday in Lisbon.mkv"));
    window.splitoutput_txt->setText(QStringLiteral("/media/anna/USB KEY/"));
    window.splitpredef_cmb->setCurrentIndex(3);
    window.splitpredef_cmbChange();
    window.splitautoregen_chk->setChecked(true);
    window.rbldfile_txt->setText(QStringLiteral("/media/anna/USB KEY/Holiday in Lisbon.mkv.vd0"));
    window.rbldoutput_txt->setText(QStringLiteral("/home/anna/Videos/"));
    window.Langue->SelectByCode(static_cast<std::uint32_t>(language));
    if (mode == "rebuild") {
      window.rebuild_btnClick();
    } else if (mode == "diskspan") {
      window.diskspan_btnClick();
    } else if (mode == "about") {
      about.FillAbout();
      shown = &about;
    } else if (mode == "settings") {
      shown = &settings;
    }
    if (shown != &window) {
      shown->show();
    }
  });
  QTimer::singleShot(2500, &window, [&] {
    const QPixmap picture = shown->grab();
    const bool saved = picture.save(output, "PNG");
    std::fprintf(stderr, saved ? "wrote %s\n" : "cannot write %s\n", argv[1]);
    QApplication::exit(saved ? 0 : 1);
  });
  return QApplication::exec();
}
