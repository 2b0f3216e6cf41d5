#include "shell/U_Log.h"

#include <cmath>
#include <cstdio>

#include "engine/U_UnicodeUtils.h"
#include "platform/AtomicFile.h"
#include "platform/ShellOpen.h"

namespace vandrel {

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(long long days, int& year, int& month, int& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long day_of_era = days - era * 146097;
  const long long year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const long long day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const long long shifted_month = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
}

} // namespace

AnsiString LogLevelName(int Level) {
  switch (Level) {
  case kLogVerbose:
    return "Verbose";
  case kLogInfo:
    return "Info";
  default:
    return "Error";
  }
}

AnsiString FormatLogTimestamp(TDateTime When) {
  // Whole milliseconds first, then cut to seconds, so 14:07:09.9996 does
  // not read as 14:07:10 in one field and :09 in another.
  constexpr long long kMsPerDay = 86400000;
  const auto total_ms = static_cast<long long>(std::llround(When * kMsPerDay));
  long long days = total_ms / kMsPerDay;
  long long ms_of_day = total_ms % kMsPerDay;
  if (ms_of_day < 0) {
    ms_of_day += kMsPerDay;
    --days;
  }
  int year = 0;
  int month = 0;
  int day = 0;
  CivilFromDays(days - 25569, year, month, day);
  const long long seconds = ms_of_day / 1000;
  char text[48];
  // On Linux the time separator is a colon.
  std::snprintf(text, sizeof text, "[%02d-%02d-%02d %02lld:%02lld:%02lld]", year % 100, month, day,
                seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

AnsiString FormatLogLine(const AnsiString& Message, int Level, TDateTime When) {
  return LogLevelName(Level) + "\t" + FormatLogTimestamp(When) + "\t" + Message;
}

TKLog::TKLog(const AnsiString& FileName, bool Debug, std::int32_t MaxLines)
    : FileName(FileName), MaxLines(MaxLines), Debug(Debug) {}

TKLog::~TKLog() {
  Save();
}

void TKLog::Add(const AnsiString& Message, int Level) {
  if (Level == kLogVerbose && !Debug) {
    return;
  }
  if (Level > kLogError) {
    Level = kLogError;
  }
  Lines.push_front(FormatLogLine(Message, Level, Now()));
  while (!Lines.empty() && static_cast<long long>(Lines.size()) > MaxLines) {
    Lines.pop_back();
  }
  if (Debug) {
    Save();
  }
}

void TKLog::Save() {
  if (closed_) {
    return;
  }
  try {
    AnsiString text;
    for (const AnsiString& line : Lines) {
      text += line;
      text += "\r\n";
    }
    // A link or FIFO at the log's name is refused, never followed.
    platform::WriteRegularFile(FileName, text);
  } catch (...) {
    // A log that cannot be saved keeps working in memory.
  }
}

void TKLog::Close(bool SaveFirst) {
  if (SaveFirst) {
    Save();
  }
  closed_ = true;
}

void TKLog::Open() {
  Save();
  platform::ShellOpen(FileName);
}

void LogAdd(TKLog* Log, const AnsiString& Message, int Level) {
  if (Log != nullptr) {
    Log->Add(Message, Level);
  }
}

} // namespace vandrel
