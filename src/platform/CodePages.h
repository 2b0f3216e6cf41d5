#pragma once
// The code-page seam: language files hold byte strings in the code page of
// a Windows character set; the program's own strings are UTF-8.
//
// Win32: MultiByteToWideChar / WideCharToMultiByte. POSIX: iconv, with the
// "ANSI code page" being UTF-8.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Strings.h"

namespace vandrel::platform {

inline constexpr unsigned kCodePageUtf8 = 65001;

/// The system's ANSI code page: GetACP() on Windows, UTF-8 (65001) on POSIX.
unsigned AnsiCodePage();

/// The code page the command interpreter reads batch files in: GetOEMCP()
/// on Windows (cmd takes a script's bytes in the console's OEM code page,
/// not the ANSI one), UTF-8 (65001) on POSIX.
unsigned BatchFileCodePage();

/// The code page that belongs to a Windows character-set number (0 ANSI is
/// 1252, 128 Shift-JIS is 932, 204 Russian is 1251, ...). The default
/// character set 1 and unknown numbers give AnsiCodePage(); 2 (symbol)
/// gives 1252, whose bytes pass through unchanged in meaning.
unsigned CodePageOfCharset(std::uint8_t charset);

/// Bytes in code_page to UTF-8. Strict: empty when a byte sequence has no
/// meaning in the code page or the code page is unknown to the system.
std::optional<AnsiString> CodePageToUtf8(std::string_view bytes, unsigned code_page);
/// UTF-8 to bytes in code_page. Strict: empty when a character has no
/// encoding there (or the input is not UTF-8).
std::optional<std::string> Utf8ToCodePage(std::string_view utf8, unsigned code_page);

/// Lossy forms for display: what cannot be converted becomes U+FFFD (to
/// UTF-8) or "?" (to a code page); never fails.
AnsiString CodePageToUtf8Lossy(std::string_view bytes, unsigned code_page);
std::string Utf8ToCodePageLossy(std::string_view utf8, unsigned code_page);

/// True when two UTF-8 texts are equal without regard to letter case, by
/// the user's locale rules (CompareString with NORM_IGNORECASE on Windows;
/// POSIX: simple Unicode case folding of every character).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

} // namespace vandrel::platform
