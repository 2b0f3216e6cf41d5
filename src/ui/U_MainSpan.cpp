// The main window's disk-spanning panel: choosing the file (with the
// number of floppies it needs), the output folder and the drive's folder,
// the set search, the launch of the two disk jobs and their completion.

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "base/Component.h"
#include "base/Numbers.h"
#include "engine/PartSet.h"
#include "engine/U_PartSizes.h"
#include "engine/U_SpanDrive.h"
#include "engine/U_SpanRebuildThread.h"
#include "engine/U_SpanSplitThread.h"
#include "engine/U_SpannedFileStream.h"
#include "engine/U_UnicodeUtils.h"
#include "localization/C_TextStorage.h"
#include "platform/Registry.h"
#include "shell/Settings.h"
#include "shell/U_MsgDlg.h"
#include "shell/qt/C_WideDialogs.h"
#include "ui/QtText.h"
#include "ui/U_Main.h"

namespace vandrel {

namespace {

using qt_text::Ansi;
using qt_text::Format;
using qt_text::Q;
using qt_text::Wide;

AnsiString Format(const AnsiString& text, std::int32_t value) {
  return Format(text, "%d", std::to_string(value));
}

// The English texts of TS_span, in their index order.
const char* const SpanTexts[] = {
    "Disk-span split failed: %s",
    "Disk-span rebuild failed: %s",
    "Disk-span split stopped by the user at disk #%d.",
    "Disk-span rebuild stopped by the user at disk #%d.",
    "Disk-span rebuild stopped by the user at the last disk.",
    "The rebuilt file %s is incomplete.",
    "Disk in the drive: %s",
    "No disk in %s",
    "No removable disk is mounted",
    "Automatic (the removable disk mounted)",
    "No floppy disk drive found.",
};

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

namespace vandrel {

void Tmain::CreateSpanComponents() {
  TS_span = new TTextStorage(component_.get(), "TS_span");
  TS_span->SetItems(TStrings(std::begin(SpanTexts), std::end(SpanTexts)));
  TS_span->Loaded();
}

void Tmain::CreateSpanControls() {
  diskspandrive_grp = new QGroupBox(QStringLiteral("Drive"), diskspan_pnl);
  diskspandrive_grp->setObjectName(QStringLiteral("diskspandrive_grp"));
  diskspan_pnl->layout()->addWidget(diskspandrive_grp);
  auto* column = new QVBoxLayout(diskspandrive_grp);
  column->setContentsMargins(8, 4, 8, 6);
  column->setSpacing(2);
  auto* row = new QHBoxLayout();
  spandrive_txt = new QLineEdit(diskspandrive_grp);
  spandrive_txt->setObjectName(QStringLiteral("spandrive_txt"));
  spandrive_txt->setAcceptDrops(false);
  spandrive_btn = new QPushButton(QStringLiteral("Browse"), diskspandrive_grp);
  spandrive_btn->setObjectName(QStringLiteral("spandrive_btn"));
  row->addWidget(spandrive_txt, 1);
  row->addWidget(spandrive_btn);
  column->addLayout(row);
  // Filled when the panel is shown: its text depends on the disk in the
  // drive, never a design text.
  spandrive_lbl = new QLabel(diskspandrive_grp);
  spandrive_lbl->setObjectName(QStringLiteral("spandrive_lbl"));
  column->addWidget(spandrive_lbl);

  connect(spansplit_btn, &QPushButton::clicked, this, [this] { spansplit_btnClick(); });
  connect(diskspanrbldsearch_btn, &QPushButton::clicked, this,
          [this] { diskspanrbldsearch_btnClick(); });
  connect(spanrebuild_btn, &QPushButton::clicked, this, [this] { spanrebuild_btnClick(); });
  connect(spandrive_btn, &QPushButton::clicked, this, [this] { spandrive_btnClick(); });
  connect(spandrive_txt, &QLineEdit::editingFinished, this, [this] { spandrive_txtChange(); });
}

AnsiString Tmain::SpanTranslate(const AnsiString& english) const {
  if (TS_span != nullptr) {
    const TStrings own = TS_span->EnglishTexts();
    if (std::find(own.begin(), own.end(), english) != own.end()) {
      return TS_span->Translate(english);
    }
  }
  return Translate(english);
}

TSpanDrive Tmain::SpanDrive() const {
  return TSpanDrive(Utf8ToWide(ReadSetting(kSpanDriveSetting)));
}

void Tmain::ShowSpanDrive() {
  const AnsiString setting = ReadSetting(kSpanDriveSetting);
  if (!spandrive_txt->hasFocus()) {
    spandrive_txt->setText(Q(setting));
  }
  spandrive_txt->setPlaceholderText(Q(SpanTranslate("Automatic (the removable disk mounted)")));
  TSpanDrive drive = SpanDrive();
  AnsiString state;
  if (!drive.Exists()) {
    state = SpanTranslate("No floppy disk drive found.");
  } else if (const auto disk = drive.DiskFolder()) {
    state = Format(SpanTranslate("Disk in the drive: %s"), WideToUtf8(*disk));
  } else if (drive.Automatic()) {
    state = SpanTranslate("No removable disk is mounted");
  } else {
    state = Format(SpanTranslate("No disk in %s"), setting);
  }
  spandrive_lbl->setText(Q(state));
}

void Tmain::spandrive_btnClick() {
  if (!BF->Execute()) {
    return;
  }
  spandrive_txt->setText(Q(BF->Folder));
  spandrive_txtChange();
}

void Tmain::spandrive_txtChange() {
  // The folder as typed: names are literal, blanks included.
  const AnsiString folder = Ansi(spandrive_txt);
  if (folder != ReadSetting(kSpanDriveSetting)) {
    platform::RegistryKey key;
    if (key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), true) ==
            platform::RegistryStatus::Ok &&
        key.WriteString(kSpanDriveSetting, folder) == platform::RegistryStatus::Ok) {
      LogAdd("Span Drive : " + (folder.empty() ? AnsiString("automatic") : folder), 1);
    } else {
      LogAdd("Span Drive : unable to keep " + folder, 2);
    }
  }
  ShowSpanDrive();
}

void Tmain::spansplit_btnClick() {
  LogAdd("Span Splitting : " + Ansi(spansplit_txt), 1);
  if (!SpanDrive().Exists()) {
    LogAdd("No floppy disk drive found.", 2);
    Notice(SpanTranslate("No floppy disk drive found."));
    return;
  }
  if (!CheckInput(spansplit_txt, "Disk-span split", "File not found.")) {
    return;
  }
  EnablePanel(diskspan_pnl, false);
  auto job = std::make_unique<TSpanSplitThread>();
  job->SourceFile = Wide(spansplit_txt);
  job->Drive = SpanDrive().ConfiguredFolder();
  job->Owner = static_cast<QWidget*>(this);
  job->Translate = [this](const AnsiString& english) { return SpanTranslate(english); };
  StartJob(std::move(job), spansplit_prg, nullptr,
           [this](TCopyJob* done) { SpanSplitDone(static_cast<TSpanSplitThread*>(done)); });
}

void Tmain::diskspanrbldsearch_btnClick() {
  LogAdd("Span Rebuild : reading floppy drive", 1);
  diskspanflpy_cmb->clear();
  TSpanDrive drive = SpanDrive();
  if (!drive.Exists()) {
    LogAdd("No floppy disk drive found.", 2);
    Notice(SpanTranslate("No floppy disk drive found."));
    return;
  }
  if (const auto disk = drive.DiskFolder()) {
    for (const WideString& set : FindSpanSets(*disk)) {
      diskspanflpy_cmb->addItem(Q(set));
    }
  }
  if (diskspanflpy_cmb->count() > 0) {
    diskspanflpy_cmb->setCurrentIndex(0);
  }
  ShowSpanDrive();
}

void Tmain::spanrebuild_btnClick() {
  LogAdd("Span Rebuild : " + diskspanflpy_cmb->currentText().toStdString(), 1);
  if (!SpanDrive().Exists()) {
    LogAdd("No floppy disk drive found.", 2);
    Notice(SpanTranslate("No floppy disk drive found."));
    return;
  }
  if (diskspanflpy_cmb->count() == 0) {
    return;
  }
  const WideString output_dir = NormalizeFolder(Wide(spanrbld_txt));
  if (!WDirectoryExists(output_dir)) {
    LogAdd("Directory not found.", 2);
    Notice(Format(Translate("Directory %s Not Found."), Ansi(spanrbld_txt)));
    return;
  }
  EnablePanel(diskspan_pnl, false);
  auto job = std::make_unique<TSpanRebuildThread>();
  job->BaseName = diskspanflpy_cmb->currentText().toStdU16String();
  job->OutputDir = output_dir;
  job->Drive = SpanDrive().ConfiguredFolder();
  job->Owner = static_cast<QWidget*>(this);
  job->Translate = [this](const AnsiString& english) { return SpanTranslate(english); };
  StartJob(std::move(job), spanrbld_prg, nullptr,
           [this](TCopyJob* done) { SpanRebuildDone(static_cast<TSpanRebuildThread*>(done)); });
}

void Tmain::SpanSplitDone(TSpanSplitThread* Job) {
  if (closing_) {
    LogAdd("Span Splitting : stopped : " + Job->ErrorText, 2);
    return;
  }
  AnsiString text = Translate("Done.");
  if (Job->Succeeded()) {
    LogAdd("Span Splitting : complete", 1);
  } else {
    LogAdd("Span Splitting : failed : " + Job->ErrorText, 2);
    text = Job->StoppedAtDisk > 0
               ? Format(SpanTranslate("Disk-span split stopped by the user at disk #%d."),
                        Job->StoppedAtDisk)
               : Format(SpanTranslate("Disk-span split failed: %s"), Job->ErrorText);
  }
  EnablePanel(diskspan_pnl, true);
  Notice(text);
  SetJobProgress(spansplit_prg, 0, 100);
  ShowSpanDrive();
}

void Tmain::SpanRebuildDone(TSpanRebuildThread* Job) {
  if (closing_) {
    LogAdd("Span Rebuild : stopped : " + Job->ErrorText, 2);
    return;
  }
  AnsiString text = Translate("Done.");
  if (Job->Succeeded()) {
    LogAdd("Span Rebuild : complete", 1);
  } else {
    LogAdd("Span Rebuild : failed : " + Job->ErrorText, 2);
    if (Job->StoppedAtDisk == 0) {
      text = SpanTranslate("Disk-span rebuild stopped by the user at the last disk.");
    } else if (Job->StoppedAtDisk > 0) {
      text = Format(SpanTranslate("Disk-span rebuild stopped by the user at disk #%d."),
                    Job->StoppedAtDisk);
    } else {
      text = Format(SpanTranslate("Disk-span rebuild failed: %s"), Job->ErrorText);
    }
    // Once the last disk was known the output exists, with what was joined.
    if (Job->LastDisk >= 0) {
      text += '\n';
      text += Format(SpanTranslate("The rebuilt file %s is incomplete."),
                     WideToUtf8(Job->OutputFile()));
    }
  }
  EnablePanel(diskspan_pnl, true);
  Notice(text);
  SetJobProgress(spanrbld_prg, 0, 100);
  ShowSpanDrive();
}

} // namespace vandrel
