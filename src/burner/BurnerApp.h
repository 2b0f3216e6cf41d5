#pragma once
// What qivburncd does with its command line, without any window: the
// lock, the project file, the target, and the burn with its progress on
// stderr. A window, when there is one, is handed in.

#include <functional>
#include <vector>

#include "platform/Strings.h"

namespace vandrel::burner {

class TBurnJob;
class TBurnerTexts;

/// Shows the burn in a window and runs it; returns the exit status.
/// target_text is the target as the window names it.
using WindowRunner =
    std::function<int(TBurnJob& job, const TBurnerTexts& texts, const AnsiString& target_text)>;

/// Runs the words after the program name; returns the exit status (0
/// written and verified, 1 failed, 2 bad usage). run_window is used unless
/// --no-window is given or it is empty (no display).
int RunBurnerCommand(const std::vector<AnsiString>& words, const WindowRunner& run_window);

} // namespace vandrel::burner
