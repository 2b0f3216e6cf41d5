#pragma once
// Program entry of the window: the application object, the main window and
// the message loop.

namespace vandrel {

/// Runs the program with its command line; returns the exit status.
int RunVandrel(int argc, char** argv);

} // namespace vandrel
