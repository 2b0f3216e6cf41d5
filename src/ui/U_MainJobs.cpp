// The main window's split and rebuild setup, the launch of the jobs and
// what happens when they end.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>

#include <set>

#include "base/Numbers.h"
#include "engine/U_PartSizes.h"
#include "engine/U_RebuildThread.h"
#include "engine/U_SpannedFileStream.h"
#include "engine/U_SplitThread.h"
#include "engine/U_UnicodeUtils.h"
#include "shell/U_MsgDlg.h"
#include "shell/qt/C_WideDialogs.h"
#include "ui/U_Main.h"
#include "ui/U_RebuildScript.h"

namespace vandrel {

namespace {

QString Q(const WideString& s) {
  return QString::fromStdU16String(s);
}
WideString Wide(const QLineEdit* edit) {
  return edit->text().toStdU16String();
}
AnsiString Ansi(const QLineEdit* edit) {
  return edit->text().toStdString();
}

// Fills the first "%s" of a translated text.
AnsiString Format(const AnsiString& text, const AnsiString& value) {
  AnsiString result = text;
  const size_t at = result.find("%s");
  if (at != AnsiString::npos) {
    result.replace(at, 2, value);
  }
  return result;
}

// The folder part of a file name with its final separator: "up to the
// last delimiter", so a file in a root folder gives the root.
WideString FolderWithSeparator(const WideString& file) {
  for (size_t i = file.size(); i > 0; --i) {
    if (platform::IsPathDelimiter(file[i - 1])) {
      return file.substr(0, i);
    }
  }
  return WideString();
}

std::optional<std::int64_t> FileSize(const WideString& name) {
  TWin32FindDataW data;
  const FileHandle search = WFindFirstFile(name, data);
  if (search == kInvalidHandle) {
    return std::nullopt;
  }
  WFindClose(search);
  return data.size;
}

bool IsFolder(const TWin32FindDataW& data) {
  return (data.attributes & platform::kFileAttributeDirectory) != 0;
}

// The first entry matching the pattern that is a file, not a folder.
bool FindEarlierPart(const WideString& pattern, TWin32FindDataW& data) {
  const FileHandle search = WFindFirstFile(pattern, data);
  if (search == kInvalidHandle) {
    return false;
  }
  bool found = !IsFolder(data);
  while (!found && WFindNextFile(search, data)) {
    found = !IsFolder(data);
  }
  WFindClose(search);
  return found;
}
} // namespace

// --- Split setup ------------------------------------------------------------

void Tmain::splitfile_btnClick() {
  WOD->Filter = Utf8ToWide(Translate("All Files") + " (*.*)|*.*");
  if (!WOD->Execute()) {
    return;
  }
  const WideString chosen = WOD->FileName();
  splitfile_txt->setText(Q(chosen));
  if (splitoutput_txt->text().isEmpty()) {
    splitoutput_txt->setText(Q(FolderWithSeparator(chosen)));
  }
}

void Tmain::splitoutput_btnClick() {
  if (BF->Execute()) {
    splitoutput_txt->setText(Q(WIncludeTrailingBackslash(BF->Folder)));
  }
}

bool Tmain::DeleteEarlierParts() {
  const WideString folder = WIncludeTrailingBackslash(Wide(splitoutput_txt));
  const WideString pattern = folder + WExtractFileName(Wide(splitfile_txt)) + u".vd*";
  // Folders named like parts are neither a reason to ask nor deleted; a
  // part file anywhere in the listing is, whatever order the folder lists.
  TWin32FindDataW data;
  if (!FindEarlierPart(pattern, data)) {
    return true;
  }
  LogAdd("Splitting : Non empty output folder", 1);
  if (!AskYes(Translate(MainTexts[27]))) {
    return false;
  }
  // A part that cannot be deleted ends the loop (and the split) instead of
  // being found again forever.
  std::set<WideString> deleted;
  while (FindEarlierPart(pattern, data)) {
    const WideString path = folder + data.name;
    LogAdd("Splitting : deleting " + WideToUtf8(path), 1);
    if (deleted.count(data.name) != 0 || !WDeleteFile(path)) {
      const AnsiString reason = platform::ErrorText(platform::LastError());
      LogAdd("Splitting : unable to delete " + WideToUtf8(path) + " : " + reason, 2);
      Notice(Format(Translate("Unable to delete %s"), WideToUtf8(path) + " (" + reason + ")"));
      return false;
    }
    deleted.insert(data.name);
  }
  return true;
}

void Tmain::splitgo_btnClick() {
  LogAdd("Splitting : " + Ansi(splitfile_txt), 1);
  if (!WFileExists(Wide(splitfile_txt))) {
    LogAdd("File not found", 2);
    Notice(Format(Translate("File %s Not Found."), Ansi(splitfile_txt)));
    return;
  }
  if (!WDirectoryExists(WExcludeTrailingBackslash(Wide(splitoutput_txt)))) {
    LogAdd("Directory not found", 2);
    Notice(Format(Translate("Directory %s Not Found."), Ansi(splitoutput_txt)));
    return;
  }
  std::int64_t part_size = 0;
  if (splitsize_rdo->isChecked()) {
    part_size = ReadPartSize();
    if (part_size == 0) {
      LogAdd("Null size", 2);
      Notice(Translate("Please set a size of parts greater than 1 byte"));
      return;
    }
  } else {
    bool readable = false;
    const long long parts = splitnumpart_txt->text().toLongLong(&readable);
    if (!readable || parts < 2) {
      LogAdd("Not enougth parts :" + Ansi(splitnumpart_txt), 2);
      Notice(Translate("Please set a number of parts greater than 1"));
      return;
    }
    try {
      TWFileStream source(Wide(splitfile_txt), fmShareDenyNone);
      part_size = PartSizeForCount(source.Size(), parts);
    } catch (const EStreamError&) {
      LogAdd("Unable to open file", 2);
      Notice(Translate("Unable to open file"));
      return;
    }
  }
  if (!DeleteEarlierParts()) {
    return;
  }
  EnablePanel(split_pnl, false);
  auto job = std::make_unique<TSplitThread>();
  job->SourceFile = Wide(splitfile_txt);
  job->OutputDir = Wide(splitoutput_txt);
  job->PartSize = part_size;
  StartJob(std::move(job), split_prg, splittimeleft_lbl,
           [this](TCopyJob* done) { SplitDone(static_cast<TSplitThread*>(done)); });
}

// --- Rebuild setup ----------------------------------------------------------

void Tmain::rbldfile_btnClick() {
  WOD->Filter = Utf8ToWide(Translate("Vandrel Files") + " (*.vd0)|*.vd0");
  if (!WOD->Execute()) {
    return;
  }
  const WideString chosen = WOD->FileName();
  rbldfile_txt->setText(Q(chosen));
  if (rbldoutput_txt->text().isEmpty()) {
    rbldoutput_txt->setText(Q(FolderWithSeparator(chosen)));
  }
}

void Tmain::rbldoutput_btnClick() {
  if (BF->Execute()) {
    rbldoutput_txt->setText(Q(WIncludeTrailingBackslash(BF->Folder)));
  }
}

void Tmain::rbldgo_btnClick() {
  LogAdd("Rebuild : " + Ansi(rbldfile_txt), 1);
  if (!WFileExists(Wide(rbldfile_txt))) {
    LogAdd("File not found.", 2);
    Notice(Format(Translate("File %s Not Found."), Ansi(rbldfile_txt)));
    return;
  }
  if (!WDirectoryExists(WExcludeTrailingBackslash(Wide(rbldoutput_txt)))) {
    LogAdd("Directory not found.", 2);
    Notice(Format(Translate("Directory %s Not Found."), Ansi(rbldoutput_txt)));
    return;
  }
  EnablePanel(rebuild_pnl, false);
  auto job = std::make_unique<TRebuildThread>();
  job->FirstPart = Wide(rbldfile_txt);
  job->OutputDir = Wide(rbldoutput_txt);
  StartJob(std::move(job), rbld_prg, rbldtimeleft_lbl,
           [this](TCopyJob* done) { RebuildDone(static_cast<TRebuildThread*>(done)); });
}

// --- Jobs -------------------------------------------------------------------

void Tmain::StartJob(std::unique_ptr<TCopyJob> job, QProgressBar* bar, QLabel* time_left,
                     std::function<void(TCopyJob*)> done) {
  TCopyJob* raw = job.get();
  raw->OnShowProgress = [this, raw, bar, time_left] { ShowProgress(raw, bar, time_left); };
  raw->OnTerminate = [this, done](TThread* sender) {
    auto* finished = static_cast<TCopyJob*>(sender);
    job_delivered_ = true;
    done(finished);
    // The worker ends once this call returns; it is joined from the loop.
    QTimer::singleShot(0, this, [this, finished] {
      if (job_.get() == finished) {
        job_.reset();
      }
    });
  };
  job_delivered_ = false;
  job_ = std::move(job);
  raw->Start();
}

void Tmain::SplitDone(TSplitThread* Job) {
  if (closing_) {
    LogAdd("Split : stopped : " + Job->ErrorText, 2);
    return;
  }
  AnsiString script_error;
  const bool succeeded = Job->Succeeded();
  if (succeeded) {
    LogAdd("Split : complete", 1);
    if (splitautoregen_chk->isChecked()) {
      LogAdd("Split : batch generation...", 1);
      try {
        WriteRebuildScript(Job->OutputDir, Job->SourceFile, Job->PartCount);
        LogAdd("Split : batch generation complete", 1);
      } catch (const EStreamError& error) {
        script_error = WideToUtf8(error.FileName());
        if (!error.Reason().empty()) {
          script_error += " (" + error.Reason() + ")";
        }
        LogAdd("Split : batch generation failed : " + script_error, 2);
      }
    }
  } else {
    LogAdd("Split : failed : " + Job->ErrorText, 2);
  }
  splittimeleft_lbl->clear();
  EnablePanel(split_pnl, true);
  if (!script_error.empty()) {
    Notice(Format(Translate("Unable to create the rebuild file: %s"), script_error));
  }
  Notice(succeeded ? Translate("Done.") : Format(Translate("Split failed: %s"), Job->ErrorText));
  SetJobProgress(split_prg, 0, 100);
}

void Tmain::RebuildDone(TRebuildThread* Job) {
  if (closing_) {
    LogAdd("Rebuild : stopped : " + Job->ErrorText, 2);
    return;
  }
  // Parts are deleted only after a complete rebuild: no recorded error and
  // an output as large as all the parts together.
  AnsiString failure = Job->ErrorText;
  if (failure.empty()) {
    std::int64_t parts_total = 0;
    for (std::int32_t i = 0; i < Job->PartCount; ++i) {
      parts_total += FileSize(Job->PartName(i)).value_or(0);
    }
    const std::int64_t output = FileSize(Job->OutputFile()).value_or(-1);
    if (output != parts_total) {
      failure = "The rebuilt file " + WideToUtf8(Job->OutputFile()) + " holds " +
                std::to_string(output < 0 ? 0 : output) + " bytes instead of " +
                std::to_string(parts_total);
    }
  }
  const bool delete_parts = rblddelparts_chk->isChecked();
  if (failure.empty()) {
    LogAdd("Rebuild : complete", 1);
    if (delete_parts) {
      for (std::int32_t i = 0; i < Job->PartCount; ++i) {
        const WideString part = Job->PartName(i);
        LogAdd("Rebuild : deleting " + WideToUtf8(part), 1);
        WDeleteFile(part);
      }
    }
  } else {
    LogAdd("Rebuild : failed : " + failure, 2);
  }
  rbldtimeleft_lbl->clear();
  EnablePanel(rebuild_pnl, true);
  if (failure.empty()) {
    Notice(Translate("Done."));
  } else {
    AnsiString text = Format(Translate("Rebuild failed: %s"), failure);
    if (delete_parts) {
      text += '\n';
      text += Translate("The parts were not deleted.");
    }
    Notice(text);
  }
  SetJobProgress(rbld_prg, 0, 100);
}

} // namespace vandrel
