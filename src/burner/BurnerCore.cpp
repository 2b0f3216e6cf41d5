#include "burner/BurnerCore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/U_CopyJob.h"
#include "engine/U_PartSizes.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

namespace vandrel::burner {

namespace {

constexpr std::int64_t kBlock = 2048;

constexpr const char* kNotAFile = "Cannot burn %s: it is not a regular file";
constexpr const char* kNoFolder = "Cannot write the image of %s: the folder %s does not exist";
constexpr const char* kNoDrive = "Cannot burn %s: no optical drive holds a writable disc";
constexpr const char* kNoXorriso = "Cannot burn %s: xorriso could not be started (%s)";
constexpr const char* kTooLarge =
    "Cannot burn %s on %s: it needs %s bytes, the disc has room for %s bytes";
constexpr const char* kXorrisoFailed = "Cannot burn %s on %s: %s";
constexpr const char* kVerifyFailed =
    "Burning %s on %s failed: the copy read back from the disc differs from the file";
constexpr const char* kCancelled = "Burning %s on %s was cancelled";
constexpr const char* kCannotKeep = "Cannot keep the image %s: %s";
constexpr const char* kNotADrive = "Cannot burn %s: %s is not an optical drive";

AnsiString FileNameOf(const AnsiString& path) {
  const size_t slash = path.rfind('/');
  return slash == AnsiString::npos ? path : path.substr(slash + 1);
}

// The last problem xorriso reported, for the message.
AnsiString LastProblem(const std::string& output) {
  AnsiString found;
  for (const std::string& line : SplitTextLines(output)) {
    for (const char* severity : {": FAILURE : ", ": SORRY : ", ": FATAL : "}) {
      const size_t at = line.find(severity);
      if (at != std::string::npos && line.find("aborting") == std::string::npos) {
        found = line.substr(at + std::char_traits<char>::length(severity));
      }
    }
  }
  return found.empty() ? AnsiString("xorriso reported an error") : found;
}

} // namespace

// --- Command line -------------------------------------------------------------

AnsiString BurnerUsage() {
  return "Usage:\n"
         "  qivburncd /datafl PROJECT [--target DEVICE|image:FOLDER] [--medium-size SIZE] "
         "[--no-window]\n"
         "  qivburncd --set-target DEVICE|image:FOLDER   (an empty text: the first drive "
         "with a writable disc)\n"
         "  qivburncd --show-target\n";
}

bool ParseBurnerCommandLine(const std::vector<AnsiString>& words, BurnerCommand& command,
                            AnsiString& error) {
  command = BurnerCommand{};
  bool any = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const AnsiString& word = words[i];
    auto value = [&](AnsiString& into) {
      if (i + 1 >= words.size()) {
        error = "option " + word + " needs a value";
        return false;
      }
      into = words[++i];
      return true;
    };
    AnsiString text;
    if (word == "/datafl" || word == "-datafl" || word == "--datafl") {
      if (!value(command.project_file)) {
        return false;
      }
      command.kind = BurnerCommand::Kind::Burn;
      any = true;
    } else if (word == "--target") {
      if (!value(text)) {
        return false;
      }
      command.target = text;
    } else if (word == "--medium-size") {
      if (!value(text)) {
        return false;
      }
      const auto size = ParseSizeText(text);
      if (!size || *size <= 0) {
        error = "cannot read the size '" + text + "' (examples: 700m, 4.38g, 25g)";
        return false;
      }
      command.medium_size = size;
    } else if (word == "--no-window") {
      command.no_window = true;
    } else if (word == "--set-target") {
      if (!value(command.new_target)) {
        return false;
      }
      command.kind = BurnerCommand::Kind::SetTarget;
      any = true;
    } else if (word == "--show-target") {
      command.kind = BurnerCommand::Kind::ShowTarget;
      any = true;
    } else if (word == "--help" || word == "-h") {
      command.kind = BurnerCommand::Kind::Help;
      return true;
    } else {
      error = "unexpected argument " + word;
      return false;
    }
  }
  if (!any) {
    error = "nothing to do";
    return false;
  }
  if (command.kind == BurnerCommand::Kind::Burn && command.project_file.empty()) {
    error = "/datafl needs a project file";
    return false;
  }
  BurnTarget target;
  if (command.target && !ParseTarget(*command.target, target, error)) {
    return false;
  }
  if (command.kind == BurnerCommand::Kind::SetTarget &&
      !ParseTarget(command.new_target, target, error)) {
    return false;
  }
  return true;
}

// --- Target -------------------------------------------------------------------

bool ParseTarget(const AnsiString& text, BurnTarget& target, AnsiString& error) {
  target = BurnTarget{};
  if (text.rfind(kImagePrefix, 0) == 0) {
    target.image = true;
    target.folder = text.substr(std::char_traits<char>::length(kImagePrefix));
    if (target.folder.empty()) {
      error = "image: needs a folder (image:FOLDER)";
      return false;
    }
    // xorriso and the messages want a full name; a relative one is the
    // current folder's.
    if (target.folder[0] != '/') {
      std::error_code ec;
      const auto absolute = std::filesystem::absolute(target.folder, ec);
      if (!ec) {
        target.folder = absolute.string();
      }
    }
    while (target.folder.size() > 1 && target.folder.back() == '/') {
      target.folder.pop_back();
    }
    return true;
  }
  target.device = text;
  return true;
}

AnsiString ReadTargetSetting() {
  platform::RegistryKey key;
  AnsiString text;
  if (key.Open(platform::RegistryRoot::CurrentUser, kBurnerSettingsKey, false, false) !=
          platform::RegistryStatus::Ok ||
      key.ReadString(kTargetValue, text) != platform::RegistryStatus::Ok) {
    return AnsiString();
  }
  return text;
}

bool WriteTargetSetting(const AnsiString& text) {
  platform::RegistryKey key;
  return key.Open(platform::RegistryRoot::CurrentUser, kBurnerSettingsKey, true) ==
             platform::RegistryStatus::Ok &&
         key.WriteString(kTargetValue, text) == platform::RegistryStatus::Ok;
}

// --- Output of xorriso --------------------------------------------------------

std::optional<int> ParseXorrisoPercent(const std::string& line) {
  const size_t percent = line.find('%');
  if (percent == std::string::npos || line.find("Writing:") == std::string::npos) {
    return std::nullopt;
  }
  size_t start = percent;
  while (start > 0 && (std::isdigit(static_cast<unsigned char>(line[start - 1])) != 0 ||
                       line[start - 1] == '.')) {
    --start;
  }
  if (start == percent) {
    return std::nullopt;
  }
  const int value = std::atoi(line.substr(start, percent - start).c_str());
  return std::clamp(value, 0, 100);
}

std::optional<std::int64_t> ParseXorrisoBlocks(const std::string& output, const char* label) {
  for (const std::string& line : SplitTextLines(output)) {
    if (line.rfind(label, 0) != 0) {
      continue;
    }
    const std::string rest = line.substr(std::char_traits<char>::length(label));
    const size_t digits = rest.find_first_of("0123456789");
    if (digits == std::string::npos) {
      return std::nullopt;
    }
    return std::strtoll(rest.c_str() + digits, nullptr, 10);
  }
  return std::nullopt;
}

// --- The burn -------------------------------------------------------------------

const std::vector<const char*>& TBurnJob::ErrorFormats() {
  static const std::vector<const char*> formats = {
      kNotAFile,      kNoFolder,     kNoDrive,   kNoXorriso,  kTooLarge,
      kXorrisoFailed, kVerifyFailed, kCancelled, kCannotKeep, kNotADrive};
  return formats;
}

AnsiString TBurnJob::ErrorText() const {
  return FillPlaceholders(ErrorFormat, ErrorArgs);
}

bool TBurnJob::Fail(const char* format, std::vector<AnsiString> args) {
  ErrorFormat = format;
  ErrorArgs = std::move(args);
  return false;
}

AnsiString TBurnJob::NameOnDisc() const {
  AnsiString name(1, '/');
  name += FileNameOf(PartFile);
  return name;
}

std::vector<AnsiString> TBurnJob::CommonArguments() const {
  // Names are bytes: no pattern matching, no conversion guesses from the
  // locale; level 3 takes files of 4 GiB and more.
  return {"-no_rc",        "-abort_on", "FAILURE",        "-return_with", "FAILURE",         "32",
          "-report_about", "UPDATE",    "-local_charset", "UTF-8",        "-iso_rr_pattern", "off",
          "-disk_pattern", "off"};
}

bool TBurnJob::RunXorriso(const std::vector<AnsiString>& arguments, int& status,
                          std::string& output,
                          const std::function<void(const std::string&)>& on_line) {
  output.clear();
  if (cancelled_) {
    return Fail(kCancelled, {PartFile, Device});
  }
  std::error_code ec;
  std::vector<AnsiString> all = CommonArguments();
  all.insert(all.end(), arguments.begin(), arguments.end());
  auto process = platform::Process::Start(Xorriso, all, {true, true}, ec);
  if (!process) {
    return Fail(kNoXorriso, {PartFile, platform::ErrorText(ec.value())});
  }
  size_t line_start = 0;
  bool terminated = false;
  while (process->ReadOutput(output, std::chrono::milliseconds(100))) {
    if (cancelled_ && !terminated) {
      process->Terminate();
      terminated = true;
    }
    // Progress lines end in CR or LF.
    for (size_t end; (end = output.find_first_of("\r\n", line_start)) != std::string::npos;) {
      if (on_line) {
        on_line(output.substr(line_start, end - line_start));
      }
      line_start = end + 1;
    }
  }
  status = process->Wait();
  if (cancelled_) {
    return Fail(kCancelled, {PartFile, Device});
  }
  return true;
}

bool TBurnJob::ChooseDrive() {
  // The drives in number order; the first with a blank or appendable disc.
  for (int number = 0; number < 16; ++number) {
    const AnsiString device = "/dev/sr" + std::to_string(number);
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) {
      continue;
    }
    int status = 0;
    std::string output;
    Device = device;
    if (!RunXorriso({"-outdev", device, "-end"}, status, output, {})) {
      return false;
    }
    if (status == 0 && (output.find("is blank") != std::string::npos ||
                        output.find("is appendable") != std::string::npos)) {
      return true;
    }
  }
  Device.clear();
  return Fail(kNoDrive, {PartFile});
}

bool TBurnJob::Run() {
  ErrorFormat.clear();
  ErrorArgs.clear();
  auto progress = [this](BurnStage stage, int percent) {
    if (OnProgress) {
      OnProgress(stage, percent);
    }
  };
  progress(BurnStage::Preparing, -1);
  struct stat st {};
  if (::stat(PartFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return Fail(kNotAFile, {PartFile});
  }
  // xorriso would put a symbolic link on the disc as a link: the data it
  // names is what goes, under the part's own name.
  AnsiString source = PartFile;
  if (char* resolved = ::realpath(PartFile.c_str(), nullptr)) {
    source = resolved;
    std::free(resolved);
  }

  AnsiString write_to; // xorriso's name of the output
  AnsiString partial;  // image mode: written here, renamed once verified
  if (Target.image) {
    struct stat folder {};
    if (::stat(Target.folder.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
      return Fail(kNoFolder, {PartFile, Target.folder});
    }
    const AnsiString name = FileNameOf(PartFile);
    Device = Target.folder;
    Device += '/';
    Device += name;
    Device += ".iso";
    // xorriso would add to an image already there; it starts afresh here.
    partial = Target.folder;
    partial += "/.";
    partial += name;
    partial += ".iso.";
    partial += std::to_string(::getpid());
    ::unlink(partial.c_str());
    write_to = "stdio:" + partial;
  } else if (Target.device.empty()) {
    if (!ChooseDrive()) {
      return false;
    }
    write_to = Device;
  } else {
    Device = Target.device;
    // xorriso would take any other name for an image file to create.
    struct stat drive {};
    if (::stat(Device.c_str(), &drive) != 0 ||
        !(S_ISBLK(drive.st_mode) || S_ISCHR(drive.st_mode))) {
      return Fail(kNotADrive, {PartFile, Device});
    }
    write_to = Device;
  }
  auto discard = [&] {
    if (!partial.empty()) {
      ::unlink(partial.c_str());
    }
  };
  const std::vector<AnsiString> tree = {"-compliance", "iso_9660_level=3:joliet_long_names",
                                        "-joliet",     "on",
                                        "-rockridge",  "on",
                                        "-volid",      "VANDREL",
                                        "-md5",        "on",
                                        "-map",        source,
                                        NameOnDisc()};

  // What the session needs against what the disc holds, before writing.
  int status = 0;
  std::string output;
  std::vector<AnsiString> estimate = {"-outdev", write_to};
  estimate.insert(estimate.end(), tree.begin(), tree.end());
  estimate.insert(estimate.end(), {"-print_size", "-tell_media_space", "-rollback_end"});
  if (!RunXorriso(estimate, status, output, {})) {
    discard();
    return false;
  }
  const auto needed = ParseXorrisoBlocks(output, "Image size   :");
  auto room = ParseXorrisoBlocks(output, "Media space  :");
  if (status != 0 || !needed || !room) {
    discard();
    return Fail(kXorrisoFailed, {PartFile, Device, LastProblem(output)});
  }
  if (MediumSize) {
    room = std::min(*room, *MediumSize / kBlock);
  }
  if (*needed > *room) {
    discard();
    return Fail(kTooLarge, {PartFile, Device, std::to_string(*needed * kBlock),
                            std::to_string(*room * kBlock)});
  }

  progress(BurnStage::Writing, 0);
  std::vector<AnsiString> write = {"-outdev", write_to};
  write.insert(write.end(), tree.begin(), tree.end());
  write.insert(write.end(), {"-commit", "-end"});
  const bool ran = RunXorriso(write, status, output, [&](const std::string& line) {
    if (const auto percent = ParseXorrisoPercent(line)) {
      progress(BurnStage::Writing, *percent);
    }
  });
  if (!ran) {
    discard();
    return false;
  }
  if (status != 0 || output.find("completed successfully") == std::string::npos) {
    discard();
    return Fail(kXorrisoFailed, {PartFile, Device, LastProblem(output)});
  }

  // Read back from the disc and compared with the file, byte for byte.
  progress(BurnStage::Verifying, -1);
  const AnsiString read_from = partial.empty() ? write_to : "stdio:" + partial;
  if (!RunXorriso({"-indev", read_from, "-compare", source, NameOnDisc(), "-end"}, status, output,
                  {})) {
    discard();
    return false;
  }
  if (status != 0 || output.find("Both file objects match") == std::string::npos) {
    discard();
    return Fail(kVerifyFailed, {PartFile, Device});
  }
  if (!partial.empty() && std::rename(partial.c_str(), Device.c_str()) != 0) {
    const int error = errno;
    discard();
    return Fail(kCannotKeep, {Device, platform::ErrorText(error)});
  }
  progress(BurnStage::Done, 100);
  return true;
}

} // namespace vandrel::burner
