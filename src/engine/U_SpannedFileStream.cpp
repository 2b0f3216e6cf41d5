#include "engine/U_SpannedFileStream.h"

#include <cstdio>

namespace vandrel {

namespace {

AnsiString FormatWithName(const char* format, const WideString& name) {
  const AnsiString utf8 = WideToUtf8(name);
  AnsiString text = format;
  const size_t at = text.find("%s");
  if (at != AnsiString::npos) {
    text.replace(at, 2, utf8);
  }
  return text;
}

} // namespace

TWFileStream::TWFileStream(const WideString& file_name, std::uint16_t mode, std::uint32_t rights)
    : file_name_(file_name) {
  if (rights != 0) {
    throw EAssertionFailed("Wrong rights");
  }
  if (mode == fmCreate) {
    handle_ = WCreateFile(file_name, platform::kGenericRead | platform::kGenericWrite, 0,
                          platform::kCreateAlways, platform::kFileAttributeNormal);
    if (handle_ == kInvalidHandle) {
      const int error = platform::LastError();
      throw EFCreateError(FormatWithName("Impossible de créer le fichier %s", file_name), file_name,
                          platform::ErrorText(error), error);
    }
  } else {
    handle_ = WFileOpen(file_name, mode);
    if (handle_ == kInvalidHandle) {
      const int error = platform::LastError();
      throw EFOpenError(FormatWithName("Impossible d'ouvrir le fichier %s", file_name), file_name,
                        platform::ErrorText(error), error);
    }
  }
}

TWFileStream::~TWFileStream() {
  platform::CloseFile(handle_);
}

void TWFileStream::FlushAndClose() {
  const bool flushed = platform::FlushFile(handle_);
  const int flush_error = platform::LastError();
  const FileHandle handle = handle_;
  handle_ = kInvalidHandle;
  const bool closed = platform::CloseFile(handle);
  if (!flushed || !closed) {
    const int error = flushed ? platform::LastError() : flush_error;
    throw EWriteError("Stream write error", file_name_, platform::ErrorText(error), error);
  }
}

std::int64_t TWFileStream::Size() {
  const std::int64_t position = Seek(0, Origin::soCurrent);
  const std::int64_t end = Seek(0, Origin::soEnd);
  Seek(position, Origin::soBeginning);
  return end;
}

std::int64_t TWFileStream::Position() {
  return Seek(0, Origin::soCurrent);
}

void TWFileStream::SetPosition(std::int64_t position) {
  Seek(position, Origin::soBeginning);
}

std::int64_t TWFileStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t n = platform::ReadFile(handle_, buffer, count);
  return n < 0 ? 0 : n;
}

std::int64_t TWFileStream::Write(const void* buffer, std::int64_t count) {
  const std::int64_t n = platform::WriteFile(handle_, buffer, count);
  return n < 0 ? 0 : n;
}

std::int64_t TWFileStream::Seek(std::int64_t offset, Origin origin) {
  return platform::SeekFile(handle_, offset, static_cast<platform::SeekOrigin>(origin));
}

void TWFileStream::SetSize(std::int64_t new_size) {
  Seek(new_size, Origin::soBeginning);
  if (!platform::SetEndOfFile(handle_)) {
    const int error = platform::LastError();
    throw EOSError("System Error. Code: " + std::to_string(error) + ".\n" +
                       platform::ErrorText(error),
                   file_name_, platform::ErrorText(error));
  }
}

std::int64_t TWFileStream::CopyFrom(TWFileStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  const platform::CopyResult result = platform::CopyData(source.handle_, handle_, count);
  switch (result.failure) {
  case platform::CopyResult::Failure::None:
    break;
  case platform::CopyResult::Failure::ShortRead:
    throw EReadError("Stream read error", source.file_name_, "unexpected end of file");
  case platform::CopyResult::Failure::Read:
    throw EReadError("Stream read error", source.file_name_, platform::ErrorText(result.error),
                     result.error);
  case platform::CopyResult::Failure::Write:
    throw EWriteError("Stream write error", file_name_, platform::ErrorText(result.error),
                      result.error);
  }
  return result.copied;
}

} // namespace vandrel
