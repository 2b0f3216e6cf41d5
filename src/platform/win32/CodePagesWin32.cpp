#include "platform/win32/Windows.h"

#include <string>

#include "platform/CodePages.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

namespace {

// UTF-8 itself, UTF-7 and the like take no flags at all.
bool TakesNoFlags(unsigned code_page) {
  return code_page == CP_UTF7 || code_page == 42 || (code_page >= 50220 && code_page <= 50229) ||
         code_page == 52936 || code_page == 54936 || (code_page >= 57002 && code_page <= 57011);
}

std::optional<std::wstring> ToWide(std::string_view bytes, unsigned code_page, bool strict) {
  if (bytes.empty()) {
    return std::wstring();
  }
  const DWORD flags = strict && !TakesNoFlags(code_page) ? MB_ERR_INVALID_CHARS : 0;
  const int size = MultiByteToWideChar(code_page, flags, bytes.data(),
                                       static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0) {
    return std::nullopt;
  }
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                      size);
  return wide;
}

std::optional<std::string> FromWide(const std::wstring& wide, unsigned code_page, bool strict) {
  if (wide.empty()) {
    return std::string();
  }
  const bool utf8 = code_page == CP_UTF8;
  DWORD flags = 0;
  if (strict) {
    flags = utf8 ? WC_ERR_INVALID_CHARS : (TakesNoFlags(code_page) ? 0 : WC_NO_BEST_FIT_CHARS);
  }
  BOOL used_default = FALSE;
  BOOL* used = utf8 || TakesNoFlags(code_page) ? nullptr : &used_default;
  const char* fallback = utf8 || TakesNoFlags(code_page) ? nullptr : "?";
  const int size = WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, fallback, used);
  if (size <= 0 || (strict && used_default)) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                      size, fallback, used);
  return bytes;
}

} // namespace

unsigned AnsiCodePage() {
  return GetACP();
}

unsigned BatchFileCodePage() {
  return GetOEMCP();
}

std::optional<AnsiString> CodePageToUtf8(std::string_view bytes, unsigned code_page) {
  const auto wide = ToWide(bytes, code_page, true);
  if (!wide) {
    return std::nullopt;
  }
  return win32::Utf8(*wide);
}

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, unsigned code_page) {
  // Strict on the input too: bytes that are not UTF-8 have no characters.
  const auto wide = ToWide(utf8, CP_UTF8, true);
  if (!wide) {
    return std::nullopt;
  }
  return FromWide(*wide, code_page, true);
}

AnsiString CodePageToUtf8Lossy(std::string_view bytes, unsigned code_page) {
  const auto wide = ToWide(bytes, code_page, false);
  if (!wide) {
    // A code page the system does not know: nothing of the text can be read.
    AnsiString unknown;
    for (size_t i = 0; i < bytes.size(); ++i) {
      unknown += "\xEF\xBF\xBD";
    }
    return unknown;
  }
  return win32::Utf8(*wide);
}

std::string Utf8ToCodePageLossy(std::string_view utf8, unsigned code_page) {
  const auto bytes = FromWide(win32::Wide(utf8), code_page, false);
  return bytes ? *bytes : std::string(utf8.size(), '?');
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  const std::wstring wide_a = win32::Wide(a);
  const std::wstring wide_b = win32::Wide(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wide_a.data(),
                        static_cast<int>(wide_a.size()), wide_b.data(),
                        static_cast<int>(wide_b.size())) == CSTR_EQUAL;
}

} // namespace vandrel::platform
