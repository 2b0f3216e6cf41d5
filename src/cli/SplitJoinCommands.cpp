// split, join and presets: the window's split and rebuild, from a terminal.

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/JobRunner.h"
#include "engine/U_PartSizes.h"
#include "engine/U_RebuildThread.h"
#include "engine/U_SpannedFileStream.h"
#include "engine/U_SplitThread.h"
#include "engine/U_UnicodeUtils.h"
#include "shell/U_MsgDlg.h"

namespace vandrel::cli {

namespace {

struct Options {
  std::string input;
  std::string output_dir;
  std::optional<std::string> parts;
  std::optional<std::string> size;
  std::optional<std::string> preset;
  bool quiet = false;
  bool yes = false;
};

bool ParseOptions(const Arguments& arguments, bool split, Options& options) {
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
    if (word == "-o" || word == "--output") {
      if (!value(text)) {
        return false;
      }
      options.output_dir = *text;
    } else if (word == "-q" || word == "--quiet") {
      options.quiet = true;
    } else if (split && (word == "-y" || word == "--yes")) {
      options.yes = true;
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
    PrintError(split ? "no file to split given" : "no part file given");
    return false;
  }
  return true;
}

// The folder of a file name as the window fills it in: up to the last
// separator, or the current folder for a bare name.
std::string FolderOf(const std::string& file) {
  const WideString folder = WExtractFileDir(W(file));
  return folder.empty() ? std::string(".") : WideToUtf8(folder);
}

bool CheckOutputFolder(const std::string& folder) {
  if (!WDirectoryExists(WExcludeTrailingBackslash(W(folder)))) {
    PrintError("Directory " + folder + " Not Found.");
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

// Parts of an earlier split of the same file in the output folder: a later
// join would take leftover higher-numbered parts for part of the file.
int RemoveEarlierParts(const std::string& output_dir, const std::string& source, bool yes) {
  const WideString folder = WIncludeTrailingBackslash(W(output_dir));
  const WideString pattern = folder + WExtractFileName(W(source)) + u".vd*";
  std::vector<WideString> found;
  TWin32FindDataW data;
  FileHandle search = WFindFirstFile(pattern, data);
  if (search != kInvalidHandle) {
    do {
      if ((data.attributes & platform::kFileAttributeDirectory) == 0) {
        found.push_back(folder + data.name);
      }
    } while (WFindNextFile(search, data));
    WFindClose(search);
  }
  if (found.empty()) {
    return kExitSuccess;
  }
  const std::string question =
      "Parts of the file have been found in the output directory. Vandrel will now delete these "
      "file. This action can not been undone. Continue anyway ?";
  if (!yes) {
    if (!isatty(STDIN_FILENO)) {
      PrintError("parts of an earlier split were found in the output folder (" +
                 WideToUtf8(found.front()) + "); run again with --yes to delete them");
      return kExitUsage;
    }
    if (AskYesNo(nullptr, question) != kIdYes) {
      return kExitUsage;
    }
  }
  for (const WideString& name : found) {
    if (!WDeleteFile(name)) {
      PrintError("Cannot delete " + WideToUtf8(name) + ": " +
                 platform::ErrorText(platform::LastError()));
      return kExitFailed;
    }
  }
  return kExitSuccess;
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
  if (!WFileExists(W(options.input))) {
    PrintError("File " + options.input + " Not Found.");
    return kExitUsage;
  }
  if (options.output_dir.empty()) {
    options.output_dir = FolderOf(options.input);
  }
  if (!CheckOutputFolder(options.output_dir)) {
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
      TWFileStream file(W(options.input), fmShareDenyNone);
      part_size = PartSizeForCount(file.Size(), count);
    } catch (const EStreamError& error) {
      PrintError("Unable to open file " + options.input + ": " + error.Reason());
      return kExitFailed;
    }
  }
  if (const int status = RemoveEarlierParts(options.output_dir, options.input, options.yes);
      status != kExitSuccess) {
    return status;
  }

  TSplitThread job;
  job.SourceFile = W(options.input);
  job.OutputDir = W(options.output_dir);
  job.PartSize = part_size;
  const int status = RunJob(job, !options.quiet);
  if (status == kExitSuccess && !options.quiet) {
    std::fprintf(stderr, "%d part%s of %lld bytes written to %s\n", job.PartCount,
                 job.PartCount == 1 ? "" : "s", static_cast<long long>(part_size),
                 options.output_dir.c_str());
  }
  return status;
}

int RunJoin(const Arguments& arguments) {
  Options options;
  if (!ParseOptions(arguments, false, options)) {
    return kExitUsage;
  }
  if (!WFileExists(W(options.input))) {
    PrintError("File " + options.input + " Not Found.");
    return kExitUsage;
  }
  if (options.output_dir.empty()) {
    options.output_dir = FolderOf(options.input);
  }
  if (!CheckOutputFolder(options.output_dir)) {
    return kExitUsage;
  }
  TRebuildThread job;
  job.FirstPart = W(options.input);
  job.OutputDir = W(options.output_dir);
  const int status = RunJob(job, !options.quiet);
  if (status == kExitSuccess && !options.quiet) {
    std::fprintf(stderr, "%d part%s joined into %s\n", job.PartCount, job.PartCount == 1 ? "" : "s",
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
    {"split", "split FILE [-o DIR] (--parts N | --size SIZE | --preset NAME) [--yes] [--quiet]",
     &RunSplit}};
const CommandRegistration join_command{{"join", "join PART [-o DIR] [--quiet]", &RunJoin}};
const CommandRegistration presets_command{{"presets", "presets", &RunPresets}};

} // namespace

} // namespace vandrel::cli
