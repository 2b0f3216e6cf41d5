// split, join and presets: the window's split and rebuild, from a terminal.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/BurnHandOff.h"
#include "cli/Commands.h"
#include "cli/JobRunner.h"
#include "engine/PartSet.h"
#include "engine/U_PartSizes.h"
#include "engine/U_RebuildScript.h"
#include "engine/U_RebuildThread.h"
#include "engine/U_SpannedFileStream.h"
#include "engine/U_SplitThread.h"
#include "engine/U_UnicodeUtils.h"
#include "platform/Console.h"
#include "shell/U_MsgDlg.h"

namespace vandrel::cli {

namespace {

struct Options {
  WideString input;
  std::string input_text; // as typed, for messages
  WideString output_dir;
  std::string output_text;
  std::optional<std::string> parts;
  std::optional<std::string> size;
  std::optional<std::string> preset;
  bool quiet = false;
  bool yes = false;
  bool script = false;
  bool burn = false;
};

// Command-line words are file names as the system gave them: bytes.
WideString NameFromArgument(const std::string& word) {
  return DecodeNativeName(word);
}

bool ParseOptions(const Arguments& arguments, bool split, Options& options) {
  bool options_ended = false;
  bool have_input = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    auto value = [&](std::optional<std::string>& into) {
      if (i + 1 >= arguments.size()) {
        PrintError("option " + word + " needs a value");
        return false;
      }
      into = arguments[++i];
      return true;
    };
    std::optional<std::string> text;
    if (options_ended || word.empty() || word[0] != '-' || word == "-") {
      if (have_input) {
        PrintError("unexpected argument " + word);
        return false;
      }
      options.input_text = word;
      options.input = NameFromArgument(word);
      have_input = true;
    } else if (word == "--") {
      options_ended = true;
    } else if (word == "-o" || word == "--output") {
      if (!value(text)) {
        return false;
      }
      options.output_text = *text;
      options.output_dir = NameFromArgument(*text);
    } else if (word == "-q" || word == "--quiet") {
      options.quiet = true;
    } else if (split && (word == "-y" || word == "--yes")) {
      options.yes = true;
    } else if (split && word == "--script") {
      options.script = true;
    } else if (split && word == "--burn") {
      options.burn = true;
    } else if (split && (word == "-n" || word == "--parts")) {
      if (!value(options.parts)) {
        return false;
      }
    } else if (split && (word == "-s" || word == "--size")) {
      if (!value(options.size)) {
        return false;
      }
    } else if (split && (word == "-p" || word == "--preset")) {
      if (!value(options.preset)) {
        return false;
      }
    } else {
      PrintError("unknown option " + word);
      return false;
    }
  }
  if (!have_input || options.input.empty()) {
    PrintError(split ? "no file to split given" : "no part file given");
    return false;
  }
  return true;
}

// "1 part", "2 parts".
std::string Count(long long value, const char* unit) {
  return std::to_string(value) + " " + unit + (value == 1 ? "" : "s");
}

// The input file's checks, as the window makes them.
bool CheckInput(const Options& options) {
  switch (CheckInputFile(options.input)) {
  case FileProblem::None:
    return true;
  case FileProblem::Missing:
    PrintError("File " + options.input_text + " Not Found.");
    return false;
  case FileProblem::NotRegular:
    PrintError(options.input_text + " is not a regular file.");
    return false;
  }
  return false;
}

// The output folder: as given, or the input's folder as the window fills
// it in (the current folder for a bare name). False when it does not exist.
bool ResolveOutputFolder(Options& options) {
  if (options.output_text.empty()) {
    options.output_dir = NormalizeFolder(FolderOfName(options.input));
    options.output_text = WideToUtf8(options.output_dir);
  }
  options.output_dir = NormalizeFolder(options.output_dir);
  if (!WDirectoryExists(options.output_dir)) {
    PrintError("Directory " + options.output_text + " Not Found.");
    return false;
  }
  return true;
}

std::optional<std::int64_t> PresetSize(const std::string& key) {
  for (size_t i = 0; i < PredefinedSizeTable.size(); ++i) {
    if (key == std::to_string(i) || SameTextAscii(key, PredefinedSizeTable[i].Name)) {
      return static_cast<std::int64_t>(PredefinedSizeTable[i].Size);
    }
  }
  return std::nullopt;
}

void PrintFileList(const char* heading, const std::vector<WideString>& files) {
  std::fprintf(stderr, "%s\n", heading);
  for (const WideString& file : files) {
    std::fprintf(stderr, "  %s\n", WideToUtf8(file).c_str());
  }
}

// Parts of an earlier split of the same file in the output folder: a later
// join would take leftover higher-numbered parts for part of the file.
int RemoveEarlierParts(const Options& options) {
  const std::vector<WideString> found = FindEarlierParts(options.output_dir, options.input);
  if (found.empty()) {
    return kExitSuccess;
  }
  if (!options.yes) {
    PrintFileList("Parts of an earlier split were found in the output folder:", found);
    if (!platform::StandardStreamIsTerminal(0)) {
      PrintError("run again with --yes to delete them; nothing was deleted and the split was "
                 "not started");
      return kExitUsage;
    }
    if (AskYesNo(nullptr, EarlierPartsQuestion) != kIdYes) {
      PrintError("nothing was deleted and the split was not started");
      return kExitUsage;
    }
  }
  const auto failure = DeleteFiles(found, [&](const WideString& file) {
    if (!options.quiet) {
      std::fprintf(stderr, "deleting %s\n", WideToUtf8(file).c_str());
    }
  });
  if (failure) {
    PrintError("Cannot delete " + WideToUtf8(failure->file) + ": " +
               platform::ErrorText(failure->error) + "; the split was not started");
    return kExitFailed;
  }
  return kExitSuccess;
}

// The rebuild script, as the window's "Generate automatic rebuild file"
// writes it. The parts are complete either way, so this never fails the run.
void WriteScriptFor(const TSplitThread& job) {
  const WideString name = WExtractFileName(job.SourceFile);
  if (!ScriptCanQuoteName(name)) {
    PrintError("the parts are complete, but no rebuild script was written: the name " +
               WideToUtf8(name) + " holds a character that a batch script cannot quote");
    return;
  }
  try {
    WriteRebuildScript(job.OutputDir, job.SourceFile, job.PartCount);
  } catch (const EStreamError& error) {
    PrintError("the parts are complete, but the rebuild script " + WideToUtf8(error.FileName()) +
               " could not be written: " + error.Reason());
  }
}

int RunSplit(const Arguments& arguments) {
  Options options;
  if (!ParseOptions(arguments, true, options)) {
    return kExitUsage;
  }
  const int ways =
      options.parts.has_value() + options.size.has_value() + options.preset.has_value();
  if (ways != 1) {
    PrintError("give exactly one of --parts N, --size SIZE or --preset NAME");
    return kExitUsage;
  }
  if (!CheckInput(options) || !ResolveOutputFolder(options)) {
    return kExitUsage;
  }
  std::int64_t part_size = 0;
  if (options.size) {
    const auto parsed = ParseSizeText(*options.size);
    if (!parsed) {
      PrintError("cannot read the size '" + *options.size +
                 "' (examples: 700m, 1.39m, 64k, 1457664)");
      return kExitUsage;
    }
    part_size = *parsed;
    if (part_size == 0) {
      PrintError("Please set a size of parts greater than 1 byte");
      return kExitUsage;
    }
  } else if (options.preset) {
    const auto preset = PresetSize(*options.preset);
    if (!preset) {
      PrintError("unknown preset '" + *options.preset + "' (vandrel-cli presets lists them)");
      return kExitUsage;
    }
    part_size = *preset;
  } else {
    const std::string& text = *options.parts;
    long long count = 0;
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
        text.size() < 10) {
      count = std::stoll(text);
    }
    if (count < 2) {
      PrintError("Please set a number of parts greater than 1");
      return kExitUsage;
    }
    try {
      TWFileStream file(options.input, fmShareDenyNone);
      part_size = PartSizeForCount(file.Size(), count);
    } catch (const EStreamError& error) {
      PrintError("Unable to open file " + options.input_text + ": " + error.Reason());
      return kExitFailed;
    }
  }
  if (const int status = RemoveEarlierParts(options); status != kExitSuccess) {
    return status;
  }

  TSplitThread job;
  job.SourceFile = options.input;
  job.OutputDir = options.output_dir;
  job.PartSize = part_size;
  const int status = RunJob(job, !options.quiet);
  if (status != kExitSuccess) {
    return status;
  }
  if (!options.quiet) {
    std::fprintf(stderr, "%s of %s written to %s\n", Count(job.PartCount, "part").c_str(),
                 Count(part_size, "byte").c_str(), options.output_text.c_str());
  }
  if (options.script) {
    WriteScriptFor(job);
  }
  if (options.burn) {
    return HandPartsToBurner(job, options.quiet);
  }
  return kExitSuccess;
}

int RunJoin(const Arguments& arguments) {
  Options options;
  if (!ParseOptions(arguments, false, options)) {
    return kExitUsage;
  }
  if (!CheckInput(options) || !ResolveOutputFolder(options)) {
    return kExitUsage;
  }
  TRebuildThread job;
  job.FirstPart = options.input;
  job.OutputDir = options.output_dir;
  const int status = RunJob(job, !options.quiet);
  if (status == kExitSuccess && !options.quiet) {
    std::fprintf(stderr, "%s joined into %s\n", Count(job.PartCount, "part").c_str(),
                 WideToUtf8(job.OutputFile()).c_str());
  }
  return status;
}

int RunPresets(const Arguments& arguments) {
  if (!arguments.empty()) {
    PrintError("presets takes no arguments");
    return kExitUsage;
  }
  for (size_t i = 0; i < PredefinedSizeTable.size(); ++i) {
    std::printf("%2zu  %11llu  %s\n", i,
                static_cast<unsigned long long>(PredefinedSizeTable[i].Size),
                PredefinedSizeTable[i].Name);
  }
  return kExitSuccess;
}

const CommandRegistration split_command{
    {"split",
     "split FILE [-o DIR] (--parts N | --size SIZE | --preset NAME) [--script] [--burn] [--yes] "
     "[--quiet]",
     &RunSplit,
     "Cuts FILE into the parts FILE.vd0, FILE.vd1, ... in DIR (default: the\n"
     "folder of FILE). Parts of an earlier split found there are listed and\n"
     "deleted after a question.\n"
     "\n"
     "  -n, --parts N      N parts of ceil(size / N) bytes\n"
     "  -s, --size SIZE    parts of SIZE: a number with an optional unit b, k, m\n"
     "                     or g (powers of 1024, decimals allowed): 700m, 1.39m\n"
     "  -p, --preset NAME  parts of a preset's size, by name or index (see\n"
     "                     'vandrel-cli presets')\n"
     "  -o, --output DIR   the folder of the parts\n"
     "      --script       also write the rebuild script FILE.bat beside the parts\n"
     "      --burn         then hand each part to the disc burner, one run at a\n"
     "                     time (\"Burner run N of M\")\n"
     "  -y, --yes          delete leftover parts without asking\n"
     "  -q, --quiet        no progress line\n"
     "      --             the next word is the file, even if it starts with '-'\n"}};
const CommandRegistration join_command{
    {"join", "join PART [-o DIR] [--quiet]", &RunJoin,
     "Joins the set that PART belongs to (any of FILE.vd0, FILE.vd1, ...) into\n"
     "FILE in DIR (default: the folder of the parts). The whole set is checked\n"
     "before anything is written.\n"
     "\n"
     "  -o, --output DIR   the folder of the joined file\n"
     "  -q, --quiet        no progress line\n"
     "      --             the next word is the part, even if it starts with '-'\n"}};
const CommandRegistration presets_command{
    {"presets", "presets", &RunPresets,
     "Lists the preset part sizes: index, bytes and name. 'split --preset'\n"
     "takes either the index or the name.\n"}};

} // namespace

} // namespace vandrel::cli
