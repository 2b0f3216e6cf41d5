#pragma once
// The activity log: one timestamped line per event, newest first, kept in
// memory and written whole to one file when saved.
//
// A line is the level name ("Verbose", "Info", "Error"), a TAB, the local
// time as "[yy-mm-dd hh:mm:ss]", a TAB and the message as passed. The file
// holds the lines newest first, each ended by CR LF, as 8-bit text. Only
// the GUI thread writes to the log; it has no lock.

#include <cstdint>
#include <deque>

#include "platform/DateTime.h"
#include "platform/Strings.h"

namespace vandrel {

/// Log levels used by every caller.
inline constexpr int kLogVerbose = 0; ///< recorded only in debug mode
inline constexpr int kLogInfo = 1;
inline constexpr int kLogError = 2;

class TKLog {
public:
  /// Stores the three values; Lines starts empty. Touches nothing on disk.
  TKLog(const AnsiString& FileName, bool Debug, std::int32_t MaxLines);
  /// Saves, then releases the lines.
  ~TKLog();
  TKLog(const TKLog&) = delete;
  TKLog& operator=(const TKLog&) = delete;

  /// Records one line at index 0: level 0 only in debug mode, a level above
  /// 2 as 2; drops the oldest line beyond MaxLines; in debug mode saves
  /// after the line. To log through a pointer that may be null, use LogAdd.
  void Add(const AnsiString& Message, int Level);
  /// Writes every line to FileName, creating or truncating it; only a
  /// regular file is written (a symbolic link or FIFO at the name is left
  /// alone). Every failure is swallowed; Lines is never changed. Nothing
  /// after Close.
  void Save();
  /// The end of the log on disk: saves one last time (when SaveFirst), then
  /// no save writes the file again, the destructor's and debug mode's
  /// included, so a clean-up may delete it. Recording in memory goes on.
  void Close(bool SaveFirst = true);
  /// Saves, then asks the desktop to open FileName with its default
  /// program; nothing is shown when that fails.
  void Open();

  std::deque<AnsiString> Lines; ///< index 0 = the newest
  const AnsiString FileName;
  const std::int32_t MaxLines;
  const bool Debug;

private:
  bool closed_ = false;
};

/// Log->Add(Message, Level), or nothing when Log is null (before start-up
/// has made the log). Callers log through this without checking.
void LogAdd(TKLog* Log, const AnsiString& Message, int Level);

/// "Verbose", "Info" or "Error" for a level (above 2 gives "Error").
AnsiString LogLevelName(int Level);
/// "[yy-mm-dd hh:mm:ss]" of a local date-time.
AnsiString FormatLogTimestamp(TDateTime When);
/// One log line as Add builds it.
AnsiString FormatLogLine(const AnsiString& Message, int Level, TDateTime When);

} // namespace vandrel
