#include "platform/win32/Windows.h"

#include "platform/NamedLock.h"

namespace vandrel::platform {

NamedLock::~NamedLock() {
  const HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

std::unique_ptr<NamedLock> NamedLock::TryAcquire(std::string_view name, std::error_code& ec) {
  ec.clear();
  const std::string mutex_name(name);
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, mutex_name.c_str());
  if (mutex == nullptr) {
    ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
    return nullptr;
  }
  // The mutex may exist with nobody owning it (a handle left open): only
  // owning it counts.
  const DWORD waited = WaitForSingleObject(mutex, 0);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    return std::unique_ptr<NamedLock>(new NamedLock(reinterpret_cast<std::intptr_t>(mutex)));
  }
  CloseHandle(mutex);
  if (waited != WAIT_TIMEOUT) {
    ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
  }
  return nullptr;
}

bool IsNamedLockHeld(std::string_view name) {
  const std::string mutex_name(name);
  const HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, mutex_name.c_str());
  if (mutex == nullptr) {
    return false;
  }
  CloseHandle(mutex);
  return true;
}

std::string NamedLockLocation(std::string_view name) {
  return std::string(name);
}

} // namespace vandrel::platform
