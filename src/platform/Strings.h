#pragma once
// String types shared by every layer, and the conversions between them.

#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

/// File names: UTF-16 everywhere in the engine.
using WideString = std::u16string;
/// Settings, log lines, language texts, requests: 8-bit text. On Linux the
/// "ANSI code page" is UTF-8.
using AnsiString = std::string;

/// UTF-8 to UTF-16. Invalid sequences become U+FFFD; never throws.
WideString Utf8ToWide(std::string_view text);
/// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD; never throws.
AnsiString WideToUtf8(std::u16string_view text);

/// File names as the system stores them (bytes) to UTF-16 and back. Valid
/// UTF-8 decodes as usual; every byte that is not part of a valid sequence
/// becomes the lone surrogate U+DC80..U+DCFF and turns back into the same
/// byte, so any name round-trips. Other lone surrogates encode as U+FFFD.
/// For display, WideToUtf8 shows such bytes as U+FFFD.
WideString DecodeNativeName(std::string_view bytes);
AnsiString EncodeNativeName(std::u16string_view name);

/// Shorthand for literals and tests: ASCII/UTF-8 text as a WideString.
inline WideString W(std::string_view utf8) {
  return Utf8ToWide(utf8);
}

/// Decimal text of a number as a WideString (the "%d" of part names).
WideString WideFromInt(long long value);

/// The lines of a text, split at LF, each without a final CR; no empty last
/// line for a text that ends in LF.
std::vector<std::string> SplitTextLines(std::string_view text);

/// A letter A-Z in lower case; every other byte unchanged.
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
/// Equal without regard to ASCII letter case (names, keys, addresses); for
/// texts in any script see platform::SameTextIgnoringCase.
bool SameTextAscii(std::string_view a, std::string_view b);
/// Ordered without regard to ASCII letter case.
bool LessTextAscii(std::string_view a, std::string_view b);

} // namespace vandrel
