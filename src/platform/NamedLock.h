#pragma once
// Locks shared between processes by name, so that two programs can tell
// whether the other is running (the burner hand-off).
//
// Win32: a named mutex (CreateMutexA to own it, OpenMutexA to test it).
// POSIX: the file "$XDG_RUNTIME_DIR/NAME.lock" (without that variable,
// "/tmp/vandrel-<uid>/NAME.lock" in a folder of mode 0700), held with
// flock(LOCK_EX) by its owner for as long as it runs.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace vandrel::platform {

/// A lock owned by this process; released when destroyed (or when the
/// process ends, however it ends).
class NamedLock {
public:
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;
  ~NamedLock();

  /// Takes the lock without waiting. nullptr with `ec` cleared when another
  /// process holds it; nullptr with `ec` set when it cannot be made.
  static std::unique_ptr<NamedLock> TryAcquire(std::string_view name, std::error_code& ec);

private:
  explicit NamedLock(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;
};

/// True while another process holds the lock (Win32: the mutex can be
/// opened). False when nobody holds it or it cannot be looked at.
bool IsNamedLockHeld(std::string_view name);

/// Where the lock lives: POSIX, the lock file's full name; Win32, the
/// mutex's name.
std::string NamedLockLocation(std::string_view name);

} // namespace vandrel::platform
