#pragma once
// The terminal the command-line tool talks to: whether a standard stream is
// a terminal, and reading answers from standard input without blocking past
// a time limit.

namespace vandrel::platform {

/// True when the standard stream fd (0, 1, 2) is a terminal (POSIX isatty;
/// Win32: a console).
bool StandardStreamIsTerminal(int fd);
/// Waits at most timeout_ms for standard input to have a byte to read or to
/// reach its end: 1 ready, 0 not yet, -1 failure. Win32: a console counts
/// as ready once it has input events (a read then waits for the line).
int WaitForStandardInput(int timeout_ms);
/// Reads one byte of standard input: 1 read, 0 at the end, -1 failure.
int ReadStandardInputByte(char& byte);

} // namespace vandrel::platform
