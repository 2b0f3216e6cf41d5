#include <windows.h>

#include "platform/NamedLock.h"

namespace vandrel::platform {

NamedLock::~NamedLock() {
  ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

std::unique_ptr<NamedLock> NamedLock::TryAcquire(std::string_view name, std::error_code& ec) {
  ec.clear();
  const std::string text(name);
  HANDLE mutex = ::CreateMutexA(nullptr, TRUE, text.c_str());
  if (mutex == nullptr) {
    ec.assign(static_cast<int>(::GetLastError()), std::system_category());
    return nullptr;
  }
  // Opened rather than created: another process owns it.
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mutex);
    return nullptr;
  }
  return std::unique_ptr<NamedLock>(new NamedLock(reinterpret_cast<std::intptr_t>(mutex)));
}

bool IsNamedLockHeld(std::string_view name) {
  const std::string text(name);
  HANDLE mutex = ::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, text.c_str());
  if (mutex == nullptr) {
    return false;
  }
  ::CloseHandle(mutex);
  return true;
}

std::string NamedLockLocation(std::string_view name) {
  return std::string(name);
}

} // namespace vandrel::platform
