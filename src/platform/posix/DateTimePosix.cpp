#include <time.h>

#include "platform/DateTime.h"

namespace vandrel {

namespace {
constexpr double kUnixEpochDays = 25569.0; // 1970-01-01 in days since 1899-12-30
constexpr double kSecondsPerDay = 86400.0;
} // namespace

TDateTime FromUnixTime(std::time_t seconds, long nanoseconds) {
  struct tm local {};
  localtime_r(&seconds, &local);
  const double local_seconds =
      static_cast<double>(seconds + local.tm_gmtoff) + static_cast<double>(nanoseconds) / 1e9;
  return kUnixEpochDays + local_seconds / kSecondsPerDay;
}

TDateTime Now() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return FromUnixTime(now.tv_sec, now.tv_nsec);
}

} // namespace vandrel
