#include "platform/win32/Windows.h"

#include "platform/DateTime.h"
#include "platform/win32/Win32Text.h"

namespace vandrel {

TDateTime FromUnixTime(std::time_t seconds, long nanoseconds) {
  // 100-ns ticks since 1601-01-01 UTC.
  const ULONGLONG ticks = (static_cast<ULONGLONG>(seconds) + 11644473600ull) * 10000000ull +
                          static_cast<ULONGLONG>(nanoseconds / 100);
  return platform::win32::FileTimeToDateTime(static_cast<unsigned long>(ticks & 0xFFFFFFFFu),
                                             static_cast<unsigned long>(ticks >> 32));
}

TDateTime Now() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  return platform::win32::FileTimeToDateTime(now.dwLowDateTime, now.dwHighDateTime);
}

} // namespace vandrel
