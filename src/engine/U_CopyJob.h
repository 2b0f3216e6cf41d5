#pragma once
// What the split and rebuild jobs share: progress fields, the progress step
// run on the GUI thread after every block, and the result of the run.

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/Exceptions.h"
#include "base/Threads.h"
#include "platform/DateTime.h"

namespace vandrel {

/// Copy block of the split and rebuild jobs.
inline constexpr std::int64_t CopyChunk = 262144;

/// Fills each "%s" of format with the next argument, in order.
AnsiString FillPlaceholders(const AnsiString& format, const std::vector<AnsiString>& args);

class TCopyJob : public TThread {
public:
  /// Set just before the first output is created; read by the progress step.
  TDateTime StartTime = 0;
  /// Progress after the last copied block, 0 to 100.
  std::int32_t Percent = 0;
  /// Bytes copied so far, and the bytes the job expects to copy in all.
  std::int64_t DoneBytes = 0;
  std::int64_t TotalBytes = 0;
  /// Why the job stopped short: the file concerned and the system's reason,
  /// in English. Empty when the job did all it had to.
  AnsiString ErrorText;
  /// ErrorText as an English text with "%s" placeholders and their values,
  /// so that a front end can show it translated. When ErrorCode is not 0,
  /// the last argument is the system's reason for that code.
  AnsiString ErrorFormat;
  std::vector<AnsiString> ErrorArgs;
  int ErrorCode = 0;
  /// True when the job stopped at a Terminate request.
  bool Cancelled = false;
  /// The progress step: run on the GUI thread after every block while the
  /// worker waits. Optional.
  std::function<void()> OnShowProgress;

  bool Succeeded() const { return ErrorText.empty(); }

  /// Every English failure text a job may record, for translators.
  static const std::vector<const char*>& ErrorFormats();

protected:
  /// Runs OnShowProgress on the GUI thread and waits for it, after a block
  /// that changed Percent, or when the last step is kProgressRefresh old.
  void ShowProgressStep();
  static constexpr std::chrono::milliseconds kProgressRefresh{250};
  /// Records an error raised by a stream, once: the first failure is the
  /// cause, later ones only follow from it.
  void RecordError(const EStreamError& error);
  void RecordError(const AnsiString& format, std::vector<AnsiString> args = {}, int error_code = 0);
  /// At a Terminate request: records the stop, naming the incomplete file,
  /// and returns true.
  bool StopRequested(const WideString& incomplete_file);
  /// Whatever ended Execute with an exception is a failure with its text,
  /// recorded before the completion callback runs.
  void DoTerminate() override;

private:
  bool progress_shown_ = false;
  std::int32_t shown_percent_ = 0;
  std::chrono::steady_clock::time_point shown_at_;
};

} // namespace vandrel
