// The main window's way to the About box, the settings dialog and the
// vendor's web pages.

#include <QAction>
#include <QToolButton>

#include "shell/U_VendorPages.h"
#include "shell/qt/Settings.h"
#include "shell/qt/U_about.h"
#include "ui/U_Main.h"

namespace vandrel {

void Tmain::ConnectHelpCommands() {
  connect(About1, &QAction::triggered, this, [this] { about_btnClick(); });
  connect(Help1, &QAction::triggered, this, [this] { Help1Click(); });
  connect(BugreportFeaturerequestKnownissues1, &QAction::triggered, this,
          [this] { BugreportFeaturerequestKnownissues1Click(); });
  connect(ChangeLog1, &QAction::triggered, this, [this] { ChangeLog1Click(); });
}

void Tmain::about_btnClick() {
  if (AboutDlg != nullptr) {
    AboutDlg->ShowAbout();
  }
}

void Tmain::settings_btnClick() {
  if (SettingsDlg != nullptr) {
    SettingsDlg->exec();
  }
}

void Tmain::Help1Click() {
  OpenAddress(VendorPageUrl(kForumPath));
}

void Tmain::BugreportFeaturerequestKnownissues1Click() {
  OpenAddress(VendorPageUrl(kBugReportPath));
}

void Tmain::ChangeLog1Click() {
  OpenAddress(VendorPageUrl(kChangeLogPath));
}

} // namespace vandrel
