#include "engine/U_JobProgress.h"

#include <cmath>
#include <cstdio>

namespace vandrel {

std::int32_t TimeLeftSeconds(std::int32_t percent, TDateTime elapsed_days) {
  const long double left =
      (100.0L / static_cast<long double>(percent) - 1.0L) * static_cast<long double>(elapsed_days);
  const double left_days = static_cast<double>(left);
  return static_cast<std::int32_t>(std::floor(left_days * 3600 * 24));
}

AnsiString TimeLeftText(const AnsiString& translated_caption, std::int32_t seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " %.2d:%.2d", seconds / 60, seconds % 60);
  return translated_caption + buffer;
}

} // namespace vandrel
