#pragma once
// The companion burner's work, without any window: its command line, its
// target setting, and writing one part onto a disc (or into an ISO image)
// with xorriso, then reading it back to compare.
//
// Every failure is an English text with "%s" placeholders and their values,
// so that a front end can show it translated.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Process.h"
#include "platform/Strings.h"

namespace vandrel::burner {

/// Exit statuses of qivburncd.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

/// The burner's own key under HKEY_CURRENT_USER and its target value.
inline constexpr char kBurnerSettingsKey[] = "Software\\Qiv\\Burner";
inline constexpr char kTargetValue[] = "Target";
/// The prefix of a target that writes ISO images into a folder.
inline constexpr char kImagePrefix[] = "image:";

struct BurnerCommand {
  enum class Kind { Burn, SetTarget, ShowTarget, Help };
  Kind kind = Kind::Help;
  /// Burn: the project file after /datafl.
  AnsiString project_file;
  /// Burn: --target, for this run instead of the setting.
  std::optional<AnsiString> target;
  /// Burn: the capacity of the disc an image is meant for (--medium-size).
  std::optional<std::int64_t> medium_size;
  bool no_window = false;
  /// SetTarget: the new setting.
  AnsiString new_target;
};

/// Reads the words after the program name. False with an English reason
/// for bad usage.
bool ParseBurnerCommandLine(const std::vector<AnsiString>& words, BurnerCommand& command,
                            AnsiString& error);
/// The usage lines.
AnsiString BurnerUsage();

/// Where a part goes: the first drive with a writable disc (device empty),
/// a given drive, or an ISO image in a folder.
struct BurnTarget {
  bool image = false;
  AnsiString device; ///< drive path; empty = the first drive with a writable disc
  AnsiString folder; ///< image: the folder of the images
};
/// "" (automatic), "image:FOLDER" or a drive's path. False with a reason
/// for "image:" without a folder.
bool ParseTarget(const AnsiString& text, BurnTarget& target, AnsiString& error);
/// The target setting; "" when none is stored.
AnsiString ReadTargetSetting();
/// Stores the target setting; false when the settings could not be written.
bool WriteTargetSetting(const AnsiString& text);

/// The stages of a burn, for the progress display.
enum class BurnStage { Preparing, Writing, Verifying, Done };

/// Writes one part file to the target and verifies it. Run on any thread;
/// Cancel from any other (or from a signal handler).
class TBurnJob {
public:
  /// The part's full name, as the system stores it.
  AnsiString PartFile;
  BurnTarget Target;
  std::optional<std::int64_t> MediumSize;
  /// The xorriso program (found on PATH unless it holds a "/").
  AnsiString Xorriso = "xorriso";

  /// Called on the running thread: the stage and its percentage (-1 when
  /// xorriso tells none).
  std::function<void(BurnStage stage, int percent)> OnProgress;

  /// True once the part is written and read back equal. On false, Error*
  /// say why.
  bool Run();
  /// Stops a running xorriso; Run then fails as cancelled. Safe in a
  /// signal handler.
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }

  /// The drive or image file written (known once chosen).
  AnsiString Device;
  AnsiString ErrorFormat;
  std::vector<AnsiString> ErrorArgs;
  /// ErrorFormat filled in, in English.
  AnsiString ErrorText() const;

  /// The English failure texts a job may give, for translators.
  static const std::vector<const char*>& ErrorFormats();

private:
  bool Fail(const char* format, std::vector<AnsiString> args);
  /// Runs xorriso with the arguments; its output lines go to on_line.
  /// False when it could not start or was cancelled (the error is set).
  bool RunXorriso(const std::vector<AnsiString>& arguments, int& status, std::string& output,
                  const std::function<void(const std::string&)>& on_line);
  bool ChooseDrive();
  std::vector<AnsiString> CommonArguments() const;
  AnsiString NameOnDisc() const;

  std::atomic<bool> cancelled_{false};
};
static_assert(std::atomic<bool>::is_always_lock_free);

/// The percentage in one line of xorriso's output ("Writing: ... 12.5%"
/// gives 12); nothing when the line tells none.
std::optional<int> ParseXorrisoPercent(const std::string& line);
/// The number of 2048-byte blocks after label (such as "Image size   :")
/// in xorriso's output; nothing when the label is missing.
std::optional<std::int64_t> ParseXorrisoBlocks(const std::string& output, const char* label);

} // namespace vandrel::burner
