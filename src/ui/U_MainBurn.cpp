// The main window's part in burning: the check of the burner when a split
// option is ticked, and the hand-off of the parts after a split.

#include <QCheckBox>

#include <set>

#include "engine/U_SplitThread.h"
#include "engine/U_UnicodeUtils.h"
#include "shell/Settings.h"
#include "shell/U_BurnHandOff.h"
#include "shell/U_VendorPages.h"
#include "ui/Qburn.h"
#include "ui/QtText.h"
#include "ui/U_Main.h"

namespace vandrel {

using qt_text::Format;

void Tmain::splitburn_chkClick() {
  if (!splitburn_chk->isChecked()) {
    return;
  }
  if (!FindBurnerExe().empty()) {
    return;
  }
  if (AskYes(Translate(MainTexts[21]))) {
    OpenAddress(GetBurnerPageUrl());
  }
}

void Tmain::BurnParts(TSplitThread* Job) {
  const AnsiString data_folder = GetDataFolder(ProgramPath(), "Vandrel");
  std::set<std::int32_t> skipped;
  for (std::int32_t part = 0; part < Job->PartCount; ++part) {
    const AnsiString file = ProjectFileName(data_folder, kProjectPrefix, part);
    if (!WriteProjectFile(file, Job->PartName(part))) {
      // The other parts still go; this one cannot, and the user is told.
      LogAdd("Split : unable to write the burner project file " + file, 2);
      Notice(Format(
          Translate(
              "Unable to write the burner project file %s: its part is not handed to the burner."),
          file));
      skipped.insert(part);
    }
  }
  if (QburnDlg != nullptr) {
    QburnDlg->DataFolder = data_folder;
    QburnDlg->ProjectPrefix = kProjectPrefix;
    QburnDlg->BurnTotal = Job->PartCount;
    QburnDlg->SkippedParts = skipped;
    QburnDlg->OnLaunchFailed = [this](const AnsiString& burner, const AnsiString& reason) {
      LogAdd("Split : unable to start the burner " + burner + " : " + reason, 2);
    };
    QburnDlg->StartBurning();
  }
  LogAdd("Split : starting burning operation", 1);
}

} // namespace vandrel
