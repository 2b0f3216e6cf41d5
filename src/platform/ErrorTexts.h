#pragma once
// The system's reason for a failure in the language the window shows,
// whatever the process's own locale says.

#include <cstdint>

#include "platform/Strings.h"

namespace vandrel::platform {

/// The system's text for an error code (as ErrorText gives it) in the
/// language of a Windows language identifier. POSIX: strerror_l in the
/// locale "<ll_CC>.UTF-8" of the identifier (LocaleOfLangId), tried as it
/// is and then as the main locale of its primary language, with the C
/// library's message catalogue of that language; English when the system
/// has neither locale generated, for English and for 0. Any thread may
/// call it; the text is UTF-8.
AnsiString ErrorTextInLanguage(int error, std::uint16_t lang_id);

} // namespace vandrel::platform
