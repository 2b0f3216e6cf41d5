#pragma once
// Helpers the Win32 backend shares: the program's UTF-8 text and UTF-16
// names to and from what the W and A calls take. Windows headers stay in
// the backend's sources.

#include <string>
#include <string_view>

#include "platform/Strings.h"

namespace vandrel::platform::win32 {

/// UTF-8 to the wchar_t text of the W calls (invalid bytes become U+FFFD).
std::wstring Wide(std::string_view utf8);
/// A UTF-16 name as wchar_t text.
std::wstring Wide(std::u16string_view name);
/// wchar_t text of the W calls to UTF-8.
AnsiString Utf8(std::wstring_view text);
/// wchar_t text to our UTF-16 names.
WideString Name(std::wstring_view text);
/// A UTF-16 name in the ANSI code page for the A calls; false when some
/// character has no exact encoding there (no best-fit guesses: a guessed
/// name could be another file).
bool ToAnsiExactly(std::u16string_view name, std::string& ansi);

/// The long-path form: "\\?\UNC\" and the rest for "\\server\share\...",
/// else "\\?\" before the whole name.
std::wstring LongPathForm(std::u16string_view name);

/// An entry point of a system DLL looked up by name at the time of the
/// call, for calls older systems lack; null when it is not there.
using AnyFunction = void (*)();
AnyFunction LookUpFunction(const wchar_t* module, const char* name);
template <typename F> F LookUp(const wchar_t* module, const char* name) {
  return reinterpret_cast<F>(LookUpFunction(module, name));
}

/// Days since 30 December 1899, local time, of a FILETIME given as its two
/// halves (UTC).
double FileTimeToDateTime(unsigned long low, unsigned long high);

} // namespace vandrel::platform::win32
