#pragma once
// The few error objects the program raises: a stream that cannot be opened
// or created, a copy that came up short, a failed system call.

#include <stdexcept>
#include <string>

#include "platform/Strings.h"

namespace vandrel {

/// Base of every error object; Message() is the English (or, for the file
/// errors, the historical French) text the user sees.
class Exception : public std::runtime_error {
public:
  explicit Exception(const AnsiString& message) : std::runtime_error(message) {}
  AnsiString Message() const { return what(); }
};

/// A stream error that knows which file and why: the jobs turn it into
/// their ErrorText.
class EStreamError : public Exception {
public:
  EStreamError(const AnsiString& message, WideString file_name, AnsiString reason,
               int error_code = 0)
      : Exception(message), file_name_(std::move(file_name)), reason_(std::move(reason)),
        error_code_(error_code) {}
  const WideString& FileName() const { return file_name_; }
  /// The system's reason ("No space left on device"); may be empty.
  const AnsiString& Reason() const { return reason_; }
  /// The system error code behind Reason(), 0 when there is none.
  int ErrorCode() const { return error_code_; }

private:
  WideString file_name_;
  AnsiString reason_;
  int error_code_ = 0;
};

class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};
/// A system call failed (SetSize, for one).
class EOSError : public EStreamError {
  using EStreamError::EStreamError;
};

/// A programming error, such as a wrong argument to a constructor.
class EAssertionFailed : public Exception {
  using Exception::Exception;
};

} // namespace vandrel
