#include "burner/BurnerApp.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "burner/BurnerCore.h"
#include "burner/BurnerTexts.h"
#include "engine/U_UnicodeUtils.h"
#include "platform/AtomicFile.h"
#include "platform/NamedLock.h"
#include "platform/SystemInfo.h"
#include "shell/U_BurnHandOff.h"

namespace vandrel::burner {

namespace {

std::atomic<TBurnJob*> running_job{nullptr};

void OnStopSignal(int) {
  if (TBurnJob* job = running_job.load()) {
    job->Cancel();
  }
}

void Say(const AnsiString& text) {
  std::fprintf(stderr, "qivburncd: %s\n", text.c_str());
}

AnsiString StageText(const TBurnerTexts& texts, BurnStage stage, int percent) {
  switch (stage) {
  case BurnStage::Preparing:
    return texts.Translate("Preparing...");
  case BurnStage::Writing:
    return texts.Format("Writing... %s%", {std::to_string(percent < 0 ? 0 : percent)});
  case BurnStage::Verifying:
    return texts.Translate("Verifying...");
  case BurnStage::Done:
    return texts.Translate("The part is written and verified.");
  }
  return AnsiString();
}

// Progress on stderr: one line redrawn on a terminal, a line per change of
// stage or tenth otherwise.
int RunWithoutWindow(TBurnJob& job, const TBurnerTexts& texts) {
  const bool terminal = isatty(STDERR_FILENO) != 0;
  BurnStage shown_stage = BurnStage::Done;
  int shown_tenth = -1;
  bool first = true;
  job.OnProgress = [&](BurnStage stage, int percent) {
    const int tenth = percent < 0 ? -1 : percent / 10;
    if (!terminal && !first && stage == shown_stage && tenth == shown_tenth) {
      return;
    }
    first = false;
    shown_stage = stage;
    shown_tenth = tenth;
    const AnsiString line = StageText(texts, stage, percent);
    if (terminal) {
      std::fprintf(stderr, "\r%s\033[K", line.c_str());
    } else {
      std::fprintf(stderr, "%s\n", line.c_str());
    }
  };
  const bool written = job.Run();
  if (terminal) {
    std::fputc('\n', stderr);
  }
  if (!written) {
    Say(texts.Format(job.ErrorFormat, job.ErrorArgs));
    return kExitFailed;
  }
  Say(texts.Translate("The part is written and verified.") + " " + job.Device);
  return kExitWritten;
}

WideString ExeFolder() {
  const WideString program = platform::RunningModuleFileName();
  return WIncludeTrailingBackslash(WExtractFileDir(program));
}

} // namespace

int RunBurnerCommand(const std::vector<AnsiString>& words, const WindowRunner& run_window) {
  BurnerCommand command;
  AnsiString error;
  if (!ParseBurnerCommandLine(words, command, error)) {
    Say(error);
    std::fputs(BurnerUsage().c_str(), stderr);
    return kExitUsage;
  }
  switch (command.kind) {
  case BurnerCommand::Kind::Help:
    std::fputs(BurnerUsage().c_str(), stdout);
    return kExitWritten;
  case BurnerCommand::Kind::ShowTarget:
    std::printf("%s\n", ReadTargetSetting().c_str());
    return kExitWritten;
  case BurnerCommand::Kind::SetTarget: {
    // An image folder is stored by its full name: later runs start in
    // whatever folder the program that starts them is in.
    BurnTarget target;
    AnsiString text = command.new_target;
    if (ParseTarget(text, target, error) && target.image) {
      text = kImagePrefix + target.folder;
    }
    if (!WriteTargetSetting(text)) {
      Say("cannot store the target in the settings");
      return kExitFailed;
    }
    return kExitWritten;
  }
  case BurnerCommand::Kind::Burn:
    break;
  }

  // The lock first: whoever started us waits on it from now on.
  std::error_code ec;
  const auto lock = platform::NamedLock::TryAcquire(kBurnerLockName, ec);
  const TBurnerTexts texts(ExeFolder());
  if (!lock) {
    const AnsiString where = platform::NamedLockLocation(kBurnerLockName);
    Say(ec ? where + ": " + ec.message()
           : texts.Format("Another burner is running (%s).", {where}));
    return kExitFailed;
  }

  std::string bytes;
  if (platform::ReadWholeFile(command.project_file, bytes) != platform::ReadResult::Ok) {
    Say(texts.Format("Cannot read the project file %s: %s",
                     {command.project_file, platform::ErrorText(errno)}));
    return kExitFailed;
  }
  WideString part;
  if (!DecodeProjectFile(bytes, part, error)) {
    Say(texts.Format("The project file %s cannot be used: %s",
                     {command.project_file, texts.Translate(error)}));
    return kExitFailed;
  }

  const AnsiString target_text = command.target.value_or(ReadTargetSetting());
  TBurnJob job;
  if (!ParseTarget(target_text, job.Target, error)) {
    Say(texts.Format("The stored target cannot be used: %s", {error}));
    return kExitFailed;
  }
  job.PartFile = EncodeNativeName(part);
  job.MediumSize = command.medium_size;

  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  running_job = &job;
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signal_number, &action, nullptr);
  }
  const AnsiString shown_target =
      job.Target.image            ? texts.Format("Image in the folder %s", {job.Target.folder})
      : job.Target.device.empty() ? texts.Translate("The first drive with a writable disc")
                                  : job.Target.device;
  const int status = !command.no_window && run_window ? run_window(job, texts, shown_target)
                                                      : RunWithoutWindow(job, texts);
  running_job = nullptr;
  return status;
}

} // namespace vandrel::burner
