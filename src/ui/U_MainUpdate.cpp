// The main window's update check: at start-up (silent when up to date) and
// from "Check for update...".

#include <QAction>
#include <QWidget>

#include "platform/ShellOpen.h"
#include "shell/U_Log.h"
#include "shell/U_MsgDlg.h"
#include "ui/U_Main.h"
#include "update/U_Tarvix_Lite.h"

namespace vandrel {

void Tmain::Checkforupdate1Click() {
  if (!UpdateChecker || UpdateChecker->Busy) {
    return;
  }
  Checkforupdate1->setEnabled(false);
  LogAdd("Self update check...", kLogInfo);
  UpdateChecker->Check(ProgramPath(), [this](TTarvixLite*) { UpdateCheckDone(); });
}

void Tmain::UpdateCheckDone() {
  if (UpdateChecker->NewVersion) {
    LogAdd("New version of Vandrel is detected", kLogInfo);
    if (AskYes(Translate(
            "A new version of Vandrel is available. Do you want to download update now ?"))) {
      platform::ShellOpen(DownloadPageUrl());
    }
  } else if (UpdateChecker->Answered) {
    LogAdd("Vandrel is already up to date.", kLogInfo);
    if (!SilentUpdateCheck) {
      ShowMessage(Translate("Vandrel is already up to date."));
    }
  }
  Checkforupdate1->setEnabled(true);
  SilentUpdateCheck = false;
}

} // namespace vandrel
