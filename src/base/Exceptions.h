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
  EStreamError(const AnsiString& message, WideString file_name, AnsiString reason)
      : Exception(message), file_name_(std::move(file_name)), reason_(std::move(reason)) {}
  const WideString& FileName() const { return file_name_; }
  /// The system's reason ("No space left on device"); may be empty.
  const AnsiString& Reason() const { return reason_; }

private:
  WideString file_name_;
  AnsiString reason_;
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
