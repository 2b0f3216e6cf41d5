#pragma once
// Runs one copy job from the terminal: the GUI-thread pump, the progress
// line, Ctrl+C.

#include "engine/U_CopyJob.h"

namespace vandrel::cli {

/// Starts the job, pumps its progress steps until it has finished, and
/// returns the exit status: 0 when it succeeded, 1 with its ErrorText
/// printed, 130 after Ctrl+C (the job stops at its next block). The progress
/// line goes to stderr when show_progress and stderr is a terminal.
int RunJob(TCopyJob& job, bool show_progress);

/// "1.5 GiB"-style text of a byte count.
std::string HumanBytes(double bytes);

} // namespace vandrel::cli
