#pragma once
// Opening a file or web address with the desktop's default program.

#include "platform/Strings.h"

namespace vandrel::platform {

/// Asks the desktop to open target (a file path or a URL) with its default
/// action, shows nothing of its own and never waits for the program it
/// starts. Returns true when the request was handed on; false, quietly,
/// when it could not be (no opener installed, spawning failed).
/// Win32: ShellExecuteEx with no verb, SEE_MASK_DOENVSUBST and
/// SEE_MASK_FLAG_NO_UI. POSIX: "xdg-open" found on PATH, started with
/// posix_spawn, its output sent to /dev/null and the child reaped on a
/// thread of its own.
bool ShellOpen(const AnsiString& target);

} // namespace vandrel::platform
