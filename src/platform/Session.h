#pragma once
// The user's session as the language list needs it: the default language,
// the input method, and the bell.
//
// Win32: GetUserDefaultLangID, the default keyboard layout's input method
// name, Beep. POSIX: the locale of LC_ALL, LC_MESSAGES or LANG (the first
// that is set) mapped onto Windows language identifiers, the input method
// named by QT_IM_MODULE, GTK_IM_MODULE or XMODIFIERS, and the terminal bell
// unless a front end installs a handler of its own.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Strings.h"

namespace vandrel::platform {

/// The user's default language identifier. POSIX: from the locale, as in
/// LangIdOfLocale; 0x0409 when none is set or it has no identifier.
std::uint16_t UserDefaultLangId();
/// POSIX backend only (the Qt window's translations): the Windows
/// language identifier of a POSIX locale name such as "fr_CA.UTF-8" or
/// "sr_RS@latin" (0x0C0C, 0x081A): the language and country when the pair
/// has an identifier, else the language's main identifier; 0 for "C",
/// "POSIX", empty or unknown languages.
std::uint16_t LangIdOfLocale(std::string_view locale);
/// POSIX backend only: the POSIX locale name of a Windows language
/// identifier, without a character set: "fr_FR" for 0x040C, "sr_RS@latin"
/// for 0x081A; for an identifier without a locale of its own, the main
/// locale of its primary language (low 10 bits); empty when the language
/// has none.
std::string LocaleOfLangId(std::uint16_t lang_id);

/// The name of the default input method; empty when there is none.
AnsiString DefaultInputMethodName();

/// Sounds a tone (Win32: Beep). POSIX: the installed handler, else the
/// terminal bell on stderr when it is a terminal.
void Beep(unsigned frequency_hz, unsigned duration_ms);
/// Replaces what Beep does (the Qt program rings the desktop's bell; tests
/// record the call); nullptr restores the default.
void SetBeepHandler(std::function<void(unsigned frequency_hz, unsigned duration_ms)> handler);

} // namespace vandrel::platform
