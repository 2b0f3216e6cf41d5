#include "engine/U_CopyJob.h"

#include <new>

namespace vandrel {

namespace {

// The formats of RecordError(const EStreamError&), by kind of stream error.
constexpr const char* kCannotUse = "Cannot use %s: %s";
constexpr const char* kCannotCreate = "Cannot create %s: %s";
constexpr const char* kCannotOpen = "Cannot open %s: %s";
constexpr const char* kCannotRead = "Cannot read %s: %s";
constexpr const char* kCannotWrite = "Cannot write %s: %s";
constexpr const char* kStopped = "Stopped before the end: %s is incomplete";
constexpr const char* kUnexpected = "Unexpected error: %s";
constexpr const char* kOutOfMemory = "Not enough memory to go on";

} // namespace

AnsiString FillPlaceholders(const AnsiString& format, const std::vector<AnsiString>& args) {
  AnsiString text;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next < args.size()) {
      text += args[next++];
      ++i;
    } else {
      text += format[i];
    }
  }
  return text;
}

const std::vector<const char*>& TCopyJob::ErrorFormats() {
  static const std::vector<const char*> formats{
      kCannotUse,
      kCannotCreate,
      kCannotOpen,
      kCannotRead,
      kCannotWrite,
      kStopped,
      kUnexpected,
      kOutOfMemory,
      "Cannot open %s: file not found",
      "Cannot split %s: the part size must be at least 1 byte",
      "%s is not a regular file",
      "Missing part %s",
      "Part %s holds %s bytes instead of %s",
      "Part %s holds %s bytes, more than the %s bytes of the first part",
  };
  return formats;
}

void TCopyJob::ShowProgressStep() {
  if (!OnShowProgress) {
    return;
  }
  // Each step waits for the GUI thread; a block whose percentage shows
  // nothing new is not worth that wait, unless the time left is due again.
  const auto now = std::chrono::steady_clock::now();
  if (progress_shown_ && Percent == shown_percent_ && now - shown_at_ < kProgressRefresh) {
    return;
  }
  progress_shown_ = true;
  shown_percent_ = Percent;
  shown_at_ = now;
  Synchronize(OnShowProgress);
}

void TCopyJob::RecordError(const AnsiString& format, std::vector<AnsiString> args, int error_code) {
  if (!ErrorText.empty()) {
    return;
  }
  ErrorText = FillPlaceholders(format, args);
  ErrorFormat = format;
  ErrorArgs = std::move(args);
  ErrorCode = error_code;
}

void TCopyJob::RecordError(const EStreamError& error) {
  const char* format = kCannotUse;
  if (dynamic_cast<const EFCreateError*>(&error) != nullptr) {
    format = kCannotCreate;
  } else if (dynamic_cast<const EFOpenError*>(&error) != nullptr) {
    format = kCannotOpen;
  } else if (dynamic_cast<const EReadError*>(&error) != nullptr) {
    format = kCannotRead;
  } else if (dynamic_cast<const EWriteError*>(&error) != nullptr) {
    format = kCannotWrite;
  }
  const AnsiString name = WideToUtf8(error.FileName());
  if (error.Reason().empty()) {
    const AnsiString with_reason = format;
    RecordError(with_reason.substr(0, with_reason.rfind(": %s")), {name});
  } else {
    RecordError(format, {name, error.Reason()}, error.ErrorCode());
  }
}

bool TCopyJob::StopRequested(const WideString& incomplete_file) {
  if (!Terminated()) {
    return false;
  }
  Cancelled = true;
  RecordError(kStopped, {WideToUtf8(incomplete_file)});
  return true;
}

void TCopyJob::DoTerminate() {
  if (FatalException) {
    try {
      std::rethrow_exception(FatalException);
    } catch (const EStreamError& error) {
      RecordError(error);
    } catch (const std::bad_alloc&) {
      RecordError(kOutOfMemory);
    } catch (const std::exception& error) {
      RecordError(kUnexpected, {error.what()});
    } catch (...) {
      RecordError(kUnexpected, {"unknown exception"});
    }
  }
  TThread::DoTerminate();
}

} // namespace vandrel
