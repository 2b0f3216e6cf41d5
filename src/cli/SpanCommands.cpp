// span-split and span-join: the window's disk spanning, from a terminal.
// The drive's folder is --drive, else the window's setting, else the
// removable volume mounted at each question.

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/JobRunner.h"
#include "engine/PartSet.h"
#include "engine/U_SpanDrive.h"
#include "engine/U_SpanRebuildThread.h"
#include "engine/U_SpanSplitThread.h"
#include "engine/U_SpannedFileStream.h"
#include "engine/U_UnicodeUtils.h"
#include "platform/Console.h"
#include "platform/Registry.h"
#include "shell/Settings.h"
#include "shell/U_MsgDlg.h"

namespace vandrel::cli {

namespace {

struct SpanOptions {
  std::string input;
  std::optional<std::string> drive;
  std::string output_dir = ".";
  bool quiet = false;
};

bool ParseSpanOptions(const Arguments& arguments, bool join, SpanOptions& options) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    const bool takes_value = word == "--drive" || (join && (word == "-o" || word == "--output"));
    if (takes_value && i + 1 >= arguments.size()) {
      PrintError("option " + word + " needs a value");
      return false;
    }
    if (word == "--drive") {
      options.drive = arguments[++i];
    } else if (takes_value) {
      options.output_dir = arguments[++i];
    } else if (word == "-q" || word == "--quiet") {
      options.quiet = true;
    } else if (!word.empty() && word[0] == '-' && word != "-") {
      PrintError("unknown option " + word);
      return false;
    } else if (options.input.empty()) {
      options.input = word;
    } else {
      PrintError("unexpected argument " + word);
      return false;
    }
  }
  if (options.input.empty()) {
    PrintError(join ? "no set name given" : "no file to split given");
    return false;
  }
  return true;
}

// The window's setting, read without creating the product key.
std::string SpanDriveSetting() {
  platform::RegistryKey key;
  std::string folder;
  if (key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), false, false) ==
      platform::RegistryStatus::Ok) {
    key.ReadString(kSpanDriveSetting, folder);
  }
  return folder;
}

std::string Lowered(std::string text) {
  for (char& ch : text) {
    ch = AsciiLower(ch);
  }
  const size_t first = text.find_first_not_of(" \t\r");
  const size_t last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The disk prompts as terminal questions: the prompt's text as one line on
// stderr, the answer as one line on stdin (empty or "ok": OK; "c",
// "cancel" or the end of input: Cancel). Other boxes go to the presenter
// installed before.
class SpanPromptPresenter : public MessagePresenter {
public:
  SpanPromptPresenter(std::shared_ptr<MessagePresenter> other, const TThread& job)
      : other_(std::move(other)), job_(job) {}

  int Present(const MessageRequest& request) override {
    if (request.buttons != MessageButtons::OkCancel) {
      return other_ ? other_->Present(request) : UnattendedAnswer(request.buttons);
    }
    for (;;) {
      std::fprintf(stderr, "%s\n", request.text.c_str());
      std::fflush(stderr);
      std::string line;
      if (!ReadLine(line)) {
        return kIdCancel;
      }
      const std::string answer = Lowered(line);
      if (answer.empty() || answer == "ok") {
        return kIdOk;
      }
      if (answer == "c" || answer == "cancel") {
        return kIdCancel;
      }
      std::fprintf(stderr,
                   "vandrel-cli: answer with an empty line or \"ok\", or \"c\" to cancel\n");
    }
  }

private:
  // One line of stdin; false at the end of input, or when the job was told
  // to stop (Ctrl+C) while waiting.
  bool ReadLine(std::string& line) {
    for (;;) {
      if (job_.Terminated()) {
        return false;
      }
      const int ready = platform::WaitForStandardInput(100);
      if (ready < 0) {
        return false;
      }
      if (ready == 0) {
        continue;
      }
      char ch = 0;
      const int got = platform::ReadStandardInputByte(ch);
      if (got <= 0) {
        return !line.empty();
      }
      if (ch == '\n') {
        return true;
      }
      line.push_back(ch);
    }
  }

  std::shared_ptr<MessagePresenter> other_;
  const TThread& job_;
};

// Runs the job with its prompts on the terminal.
int RunSpanJob(TCopyJob& job, bool quiet) {
  auto previous = SetMessagePresenter(nullptr);
  SetMessagePresenter(std::make_shared<SpanPromptPresenter>(previous, job));
  const int status = RunJob(job, !quiet);
  SetMessagePresenter(previous);
  return status;
}

bool CheckDrive(const TSpanDrive& drive) {
  if (!drive.Exists()) {
    PrintError(drive.Automatic() ? std::string("No floppy disk drive found.")
                                 : "No floppy disk drive found. (" +
                                       WideToUtf8(drive.ConfiguredFolder()) + " is no folder)");
    return false;
  }
  return true;
}

int RunSpanSplit(const Arguments& arguments) {
  SpanOptions options;
  if (!ParseSpanOptions(arguments, false, options)) {
    return kExitUsage;
  }
  const TSpanDrive drive(DecodeNativeName(options.drive.value_or(SpanDriveSetting())));
  if (!CheckDrive(drive)) {
    return kExitUsage;
  }
  switch (CheckInputFile(DecodeNativeName(options.input))) {
  case FileProblem::None:
    break;
  case FileProblem::Missing:
    PrintError("File " + options.input + " Not Found.");
    return kExitUsage;
  case FileProblem::NotRegular:
    PrintError(options.input + " is not a regular file.");
    return kExitUsage;
  }
  if (!options.quiet) {
    try {
      TWFileStream file(DecodeNativeName(options.input), fmShareDenyNone);
      std::fprintf(stderr, "Minimal number of floppy disks required : %lld\n",
                   static_cast<long long>(MinimalFloppyCount(file.Size())));
    } catch (const EStreamError& error) {
      PrintError("Unable to open file " + options.input + ": " + error.Reason());
      return kExitFailed;
    }
  }
  TSpanSplitThread job;
  job.SourceFile = DecodeNativeName(options.input);
  job.Drive = drive.ConfiguredFolder();
  const int status = RunSpanJob(job, options.quiet);
  if (status == kExitSuccess && !options.quiet) {
    std::fprintf(stderr, "%d part%s written\n", job.PartCount, job.PartCount == 1 ? "" : "s");
  }
  return status;
}

// The set's base name: NAME itself, or, for the name of one of its parts
// (NAME ending in ".vd" and digits), NAME without them unless the disk in
// the drive holds parts of a set called NAME.
WideString SetBaseName(const std::string& name, TSpanDrive& drive) {
  const WideString given = WExtractFileName(DecodeNativeName(name));
  const size_t marker = given.rfind(u".vd");
  if (marker == WideString::npos || marker + 3 == given.size() ||
      given.find_first_not_of(u"0123456789", marker + 3) != WideString::npos) {
    return given;
  }
  if (const auto disk = drive.DiskFolder()) {
    try {
      if (FindDiskNumber(*disk, given).found) {
        return given;
      }
    } catch (const EConvertError&) {
    }
  }
  return given.substr(0, marker);
}

int RunSpanJoin(const Arguments& arguments) {
  SpanOptions options;
  if (!ParseSpanOptions(arguments, true, options)) {
    return kExitUsage;
  }
  TSpanDrive drive(DecodeNativeName(options.drive.value_or(SpanDriveSetting())));
  if (!CheckDrive(drive)) {
    return kExitUsage;
  }
  const WideString output_dir = NormalizeFolder(DecodeNativeName(options.output_dir));
  if (!WDirectoryExists(output_dir)) {
    PrintError("Directory " + options.output_dir + " Not Found.");
    return kExitUsage;
  }
  TSpanRebuildThread job;
  job.BaseName = SetBaseName(options.input, drive);
  job.OutputDir = output_dir;
  job.Drive = drive.ConfiguredFolder();
  const int status = RunSpanJob(job, options.quiet);
  if (status == kExitSuccess && !options.quiet) {
    std::fprintf(stderr, "%d part%s joined into %s\n", job.PartCount, job.PartCount == 1 ? "" : "s",
                 WideToUtf8(job.OutputFile()).c_str());
  }
  return status;
}

const CommandRegistration span_split_command{
    {"span-split", "span-split FILE [--drive DIR] [--quiet]", &RunSpanSplit,
     "Spreads FILE over removable disks, one part per disk as large as its free\n"
     "space, asking for the next disk on stderr whenever one is full. Answer a\n"
     "prompt with an empty line or 'ok' for OK, 'c' or 'cancel' for Cancel.\n"
     "\n"
     "  --drive DIR        the folder that plays the drive (default: the\n"
     "                     removable volume mounted at each prompt)\n"
     "  -q, --quiet        no progress line\n"}};
const CommandRegistration span_join_command{
    {"span-join", "span-join NAME [--drive DIR] [-o DIR] [--quiet]", &RunSpanJoin,
     "Rebuilds a file spread over removable disks. NAME is the set's base name\n"
     "(movie.avi) or any of its parts (movie.avi.vd2). The last disk is asked\n"
     "for first, then every disk from the first.\n"
     "\n"
     "  --drive DIR        the folder that plays the drive (default: the\n"
     "                     removable volume mounted at each prompt)\n"
     "  -o, --output DIR   the folder of the rebuilt file (default: the current\n"
     "                     folder)\n"
     "  -q, --quiet        no progress line\n"}};

} // namespace

} // namespace vandrel::cli
