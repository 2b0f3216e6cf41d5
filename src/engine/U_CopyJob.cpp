#include "engine/U_CopyJob.h"

namespace vandrel {

void TCopyJob::ShowProgressStep() {
  if (OnShowProgress) {
    Synchronize(OnShowProgress);
  }
}

void TCopyJob::RecordError(const AnsiString& text) {
  if (ErrorText.empty()) {
    ErrorText = text;
  }
}

void TCopyJob::RecordError(const EStreamError& error) {
  const char* operation = "Cannot use";
  if (dynamic_cast<const EFCreateError*>(&error) != nullptr) {
    operation = "Cannot create";
  } else if (dynamic_cast<const EFOpenError*>(&error) != nullptr) {
    operation = "Cannot open";
  } else if (dynamic_cast<const EReadError*>(&error) != nullptr) {
    operation = "Cannot read";
  } else if (dynamic_cast<const EWriteError*>(&error) != nullptr) {
    operation = "Cannot write";
  }
  AnsiString text = AnsiString(operation) + " " + WideToUtf8(error.FileName());
  if (!error.Reason().empty()) {
    text += ": " + error.Reason();
  }
  RecordError(text);
}

bool TCopyJob::StopRequested(const WideString& incomplete_file) {
  if (!Terminated()) {
    return false;
  }
  Cancelled = true;
  RecordError("Stopped before the end: " + WideToUtf8(incomplete_file) + " is incomplete");
  return true;
}

} // namespace vandrel
