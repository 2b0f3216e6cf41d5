#pragma once
// Small probes of the system the program runs on and of an executable's
// version, for the start-up description in the log, the window title and
// the About box. They keep no state and show nothing.

#include "platform/Strings.h"
#include "platform/SystemInfo.h"

namespace vandrel {

/// The system's version as "%d.%d" and a suffix that names it: the Windows
/// tables (" (Windows10)", " (98SE)", ...; " (Unknown)" for an unknown 9x
/// pair, nothing for an unknown NT pair); on POSIX the kernel's release and
/// the distribution's name in parentheses (" (Debian GNU/Linux 12
/// (bookworm))"), nothing when it is unknown. "Unknown" when no version
/// can be read.
AnsiString GetWindowsVersionText();
/// GetWindowsVersionText for a given version record.
AnsiString FormatWindowsVersionText(const platform::OperatingSystemVersion& version);

/// True when the program, a 32-bit process, runs on a 64-bit system; a
/// 64-bit build answers false, as IsWow64Process does.
bool IsWow64();
/// True when the process runs with the administrator's rights (Windows: the
/// Administrators group of the token, not deny-only; POSIX: effective user
/// id 0).
bool IsAdministrator();
/// "Yes" or "No" (fixed English, never translated).
AnsiString YesNoText(bool flag);

/// The file version of an executable from its fixed version information,
/// as four decimal numbers joined by "." (4.12.0.33); an empty text when
/// the file has no usable version resource; "File not found" when the file
/// does not exist.
WideString GetFileVersionText(const WideString& file_name);

} // namespace vandrel
