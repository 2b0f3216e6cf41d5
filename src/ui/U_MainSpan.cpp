// The main window's disk-spanning panel: choosing the file (with the
// number of floppies it needs) and the output folder.

#include <QLabel>
#include <QLineEdit>

#include "base/Numbers.h"
#include "engine/U_PartSizes.h"
#include "engine/U_SpannedFileStream.h"
#include "engine/U_UnicodeUtils.h"
#include "shell/U_MsgDlg.h"
#include "shell/qt/C_WideDialogs.h"
#include "ui/U_Main.h"

namespace vandrel {

namespace {

QString Q(const AnsiString& s) {
  return QString::fromStdString(s);
}
QString Q(const WideString& s) {
  return QString::fromStdU16String(s);
}

} // namespace

// --- Disk-spanning setup ----------------------------------------------------

void Tmain::spansplitfile_btnClick() {
  WOD->Filter = Utf8ToWide(Translate("All Files") + " (*.*)|*.*");
  if (!WOD->Execute()) {
    return;
  }
  spansplit_txt->setText(Q(WOD->FileName()));
  std::int64_t size = 0;
  try {
    TWFileStream file(WOD->FileName(), fmShareDenyNone);
    size = file.Size();
  } catch (const EStreamError& error) {
    // The open error, as the general error report shows it; the label
    // keeps its previous text.
    AnsiString text = error.Message();
    if (!error.Reason().empty()) {
      text += " (" + error.Reason() + ")";
    }
    MsgBox(static_cast<QWidget*>(this), text, kButtonsOk, kKindError);
    return;
  }
  const auto floppy = static_cast<std::int64_t>(PredefinedSizeTable[1].Size);
  std::int64_t floppies =
      RoundHalfEven(static_cast<long double>(size) / static_cast<long double>(floppy));
  if (floppies * floppy < size) {
    ++floppies;
  }
  Minimal_lbl->setText(
      Q(Translate("Minimal number of floppy disks required :") + " " + std::to_string(floppies)));
}

void Tmain::spanrbld_btnClick() {
  if (BF->Execute()) {
    spanrbld_txt->setText(Q(WIncludeTrailingBackslash(BF->Folder)));
  }
}

} // namespace vandrel
