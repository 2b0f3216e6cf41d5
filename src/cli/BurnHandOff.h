#pragma once
// split --burn: the parts of a finished split handed to the disc burner,
// as the window's "Burn on CD/DVD" does.

#include "engine/U_SplitThread.h"

namespace vandrel::cli {

/// Writes a project file per part into the data folder, then starts the
/// burner once per part, each run after the previous one has ended (the
/// burner's lock), printing "Burner run N of M" unless quiet. Returns 0
/// when every part was handed over, 1 when no burner was found or a part
/// could not be handed over, 130 after Ctrl+C (a run already started goes
/// on by itself).
int HandPartsToBurner(const TSplitThread& job, bool quiet);

} // namespace vandrel::cli
