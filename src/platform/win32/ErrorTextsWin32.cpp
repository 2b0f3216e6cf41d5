#include "platform/win32/Windows.h"

#include <string>

#include "platform/ErrorTexts.h"
#include "platform/FileSystem.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

namespace {

// The one place a native error becomes text: FormatMessageW in the given
// language (0: the system's choice), without the final line end.
bool SystemText(int error, DWORD lang_id, AnsiString& text) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), lang_id, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) {
    return false;
  }
  std::wstring message(buffer, length);
  LocalFree(buffer);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  text = win32::Utf8(message);
  return !text.empty();
}

} // namespace

AnsiString ErrorText(int error) {
  AnsiString text;
  if (SystemText(error, 0, text)) {
    return text;
  }
  return "System error " + std::to_string(error);
}

AnsiString ErrorTextInLanguage(int error, std::uint16_t lang_id) {
  AnsiString text;
  if (lang_id != 0 && SystemText(error, lang_id, text)) {
    return text;
  }
  // English, as the POSIX side falls back to.
  if (SystemText(error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text)) {
    return text;
  }
  return ErrorText(error);
}

} // namespace vandrel::platform
