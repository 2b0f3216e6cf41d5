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
#include "engine/PartSet.h"
#include "engine/U_PartSizes.h"
#include "engine/U_RebuildScript.h"
#include "engine/U_RebuildThread.h"
#include "engine/U_SpannedFileStream.h"
#include "engine/U_SplitThread.h"
#include "engine/U_UnicodeUtils.h"
#include "localization/C_TextStorage.h"
#include "shell/U_MsgDlg.h"
#include "shell/qt/C_WideDialogs.h"
#include "ui/QtText.h"
#include "ui/U_Main.h"

namespace vandrel {

namespace {

using namespace qt_text;

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

// Texts of the window's own about a finished job, besides the jobs' own.
constexpr const char* kRebuiltSizeMismatch = "The rebuilt file %s holds %s bytes instead of %s";
constexpr const char* kCannotStart = "Cannot start the job: %s";
} // namespace

AnsiString Tmain::JobFailureText(const TCopyJob& job) const {
  if (job.ErrorFormat.empty()) {
    return job.ErrorText;
  }
  std::vector<AnsiString> args = job.ErrorArgs;
  if (job.ErrorCode != 0 && !args.empty()) {
    args.back() = SystemReason(job.ErrorCode);
  }
  return FillPlaceholders(TS_jobs->Translate(job.ErrorFormat), args);
}

void Tmain::CreateJobComponents() {
  TStrings texts(TCopyJob::ErrorFormats().begin(), TCopyJob::ErrorFormats().end());
  texts.push_back(kRebuiltSizeMismatch);
  texts.push_back(kCannotStart);
  TS_jobs = new TTextStorage(component_.get(), "TS_jobs");
  TS_jobs->SetItems(texts);
  TS_jobs->Loaded();
}

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
  // Folders named like parts are neither a reason to ask nor deleted.
  const std::vector<WideString> parts =
      FindEarlierParts(Wide(splitoutput_txt), Wide(splitfile_txt));
  if (parts.empty()) {
    return true;
  }
  LogAdd("Splitting : Non empty output folder", 1);
  if (!AskYes(Translate(MainTexts[27]))) {
    return false;
  }
  // A part that cannot be deleted ends the deletion, and the split.
  const auto failure = DeleteFiles(parts, [this](const WideString& path) {
    LogAdd("Splitting : deleting " + WideToUtf8(path), 1);
  });
  if (failure) {
    const AnsiString path = WideToUtf8(failure->file);
    LogAdd("Splitting : unable to delete " + path + " : " + platform::ErrorText(failure->error), 2);
    Notice(
        Format(Translate("Unable to delete %s"), path + " (" + SystemReason(failure->error) + ")"));
    return false;
  }
  return true;
}

bool Tmain::CheckInput(const QLineEdit* file, const char* area, const char* not_found_log) {
  switch (CheckInputFile(Wide(file))) {
  case FileProblem::None:
    return true;
  case FileProblem::Missing:
    LogAdd(not_found_log, 2);
    Notice(Format(Translate("File %s Not Found."), Ansi(file)));
    return false;
  case FileProblem::NotRegular:
    LogAdd(std::string(area) + " : not a regular file : " + Ansi(file), 2);
    Notice(Format(Translate("%s is not a regular file."), Ansi(file)));
    return false;
  }
  return false;
}

void Tmain::splitgo_btnClick() {
  LogAdd("Splitting : " + Ansi(splitfile_txt), 1);
  if (!CheckInput(splitfile_txt, "Splitting", "File not found")) {
    return;
  }
  const WideString output_dir = NormalizeFolder(Wide(splitoutput_txt));
  if (!WDirectoryExists(output_dir)) {
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
  job->OutputDir = output_dir;
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
  if (!CheckInput(rbldfile_txt, "Rebuild", "File not found.")) {
    return;
  }
  const WideString output_dir = NormalizeFolder(Wide(rbldoutput_txt));
  if (!WDirectoryExists(output_dir)) {
    LogAdd("Directory not found.", 2);
    Notice(Format(Translate("Directory %s Not Found."), Ansi(rbldoutput_txt)));
    return;
  }
  EnablePanel(rebuild_pnl, false);
  auto job = std::make_unique<TRebuildThread>();
  job->FirstPart = Wide(rbldfile_txt);
  job->OutputDir = output_dir;
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
    in_completion_ = true;
    done(finished);
    in_completion_ = false;
    // The worker ends once this call returns; it is joined from the loop.
    QTimer::singleShot(0, this, [this, finished] {
      if (job_.get() == finished) {
        job_.reset();
      }
    });
  };
  job_delivered_ = false;
  job_ = std::move(job);
  try {
    raw->Start();
  } catch (const std::exception& error) {
    // No worker: nothing will call back, so the window ends the job here.
    job_.reset();
    job_delivered_ = true;
    const bool split = bar == split_prg;
    LogAdd(AnsiString(split ? "Split : failed : " : "Rebuild : failed : ") +
               FillPlaceholders(kCannotStart, {error.what()}),
           2);
    EnablePanel(split ? split_pnl : rebuild_pnl, true);
    Notice(Format(Translate(split ? "Split failed: %s" : "Rebuild failed: %s"),
                  FillPlaceholders(TS_jobs->Translate(kCannotStart), {error.what()})));
  }
}

// A job delivered while the window closes is logged as what it was.
void Tmain::LogEndWhileClosing(const char* area, const TCopyJob& job) {
  if (job.Succeeded()) {
    LogAdd(AnsiString(area) + " : complete", 1);
  } else if (job.Cancelled) {
    LogAdd(AnsiString(area) + " : stopped : " + job.ErrorText, 2);
  } else {
    LogAdd(AnsiString(area) + " : failed : " + job.ErrorText, 2);
  }
}

void Tmain::SplitDone(TSplitThread* Job) {
  if (closing_) {
    LogEndWhileClosing("Split", *Job);
    return;
  }
  AnsiString script_error;
  bool script_refused = false;
  const bool succeeded = Job->Succeeded();
  if (succeeded) {
    LogAdd("Split : complete", 1);
    if (splitautoregen_chk->isChecked()) {
      if (!ScriptCanQuoteName(WExtractFileName(Job->SourceFile))) {
        script_refused = true;
        LogAdd("Split : no batch file : the name " + WideToUtf8(WExtractFileName(Job->SourceFile)) +
                   " cannot be quoted in a batch file",
               2);
      } else {
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
    }
    // Only a complete set of parts goes to the burner.
    if (splitburn_chk->isChecked()) {
      BurnParts(Job);
      // The window closed during the hand-off: nothing more to show.
      if (closing_) {
        return;
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
  if (script_refused) {
    Notice(Format(Translate("The parts are complete, but no rebuild file could be written: the "
                            "name %s holds a character that a batch file cannot quote."),
                  WideToUtf8(WExtractFileName(Job->SourceFile))));
  }
  Notice(succeeded ? Translate("Done.")
                   : Format(Translate("Split failed: %s"), JobFailureText(*Job)));
  SetJobProgress(split_prg, 0, 100);
}

void Tmain::RebuildDone(TRebuildThread* Job) {
  if (closing_) {
    LogEndWhileClosing("Rebuild", *Job);
    return;
  }
  // Parts are deleted only after a complete rebuild: no recorded error and
  // an output as large as all the parts together.
  AnsiString failure = JobFailureText(*Job);
  if (Job->Succeeded()) {
    std::int64_t parts_total = 0;
    for (std::int32_t i = 0; i < Job->PartCount; ++i) {
      parts_total += RegularFileSize(Job->PartName(i)).value_or(0);
    }
    const std::int64_t output = RegularFileSize(Job->OutputFile()).value_or(-1);
    if (output != parts_total) {
      failure =
          FillPlaceholders(TS_jobs->Translate(kRebuiltSizeMismatch),
                           {WideToUtf8(Job->OutputFile()), std::to_string(output < 0 ? 0 : output),
                            std::to_string(parts_total)});
    }
  }
  const bool delete_parts = rblddelparts_chk->isChecked();
  if (failure.empty()) {
    LogAdd("Rebuild : complete", 1);
    if (delete_parts) {
      std::vector<WideString> parts;
      for (std::int32_t i = 0; i < Job->PartCount; ++i) {
        parts.push_back(Job->PartName(i));
      }
      const auto refused = DeleteFiles(parts, [this](const WideString& part) {
        LogAdd("Rebuild : deleting " + WideToUtf8(part), 1);
      });
      if (refused) {
        LogAdd("Rebuild : unable to delete " + WideToUtf8(refused->file) + " : " +
                   platform::ErrorText(refused->error),
               2);
        Notice(Format(Translate("Unable to delete %s"),
                      WideToUtf8(refused->file) + " (" + SystemReason(refused->error) + ")"));
      }
    }
  } else {
    LogAdd("Rebuild : failed : " + Job->ErrorText, 2);
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
