#pragma once
// Requests to end the program that come from outside it: a logout, a closed
// terminal, Ctrl+C in the terminal that started it. The front end turns
// them into its ordinary close on its own thread.
//
// POSIX: SIGTERM, SIGHUP and SIGINT. Their handler writes one byte (the
// signal number) to a pipe and does nothing else, which is all a signal
// handler may safely do; the event loop watches the pipe's read end.
// Win32: the console's control events (SetConsoleCtrlHandler): Ctrl+C and
// Ctrl+Break come as SIGINT, a closed console as SIGHUP, logoff and
// shutdown as SIGTERM, through the same kind of pipe.

namespace vandrel::platform {

/// Starts catching the three signals. Returns the descriptor that becomes
/// readable when one arrives (non-blocking, close-on-exec), or -1 when the
/// pipe or the handlers could not be set up. Calling it again while
/// watching returns the same descriptor.
int WatchTerminationSignals();
/// Empties the pipe without waiting; returns the number of the last signal
/// read from it, 0 when none was waiting.
int TakeTerminationSignal();
/// Gives the three signals back the handling they had before and closes
/// the pipe.
void StopWatchingTerminationSignals();

/// Runs handler when the user presses Ctrl+C in the terminal, instead of
/// ending the process; nullptr gives Ctrl+C back its earlier handling.
/// POSIX: a SIGINT handler, so handler may only store to lock-free
/// atomics. Win32: SetConsoleCtrlHandler, on a thread the system makes.
void SetInterruptHandler(void (*handler)());

} // namespace vandrel::platform
