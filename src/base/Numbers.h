#pragma once
// Numeric helpers shared by every layer.

#include <cmath>
#include <cstdint>

namespace vandrel {

/// Rounds to the nearest whole number, halves to the even neighbour (the
/// floating-point unit's default mode). The one place that rounding is done.
inline std::int64_t RoundHalfEven(long double value) {
  return static_cast<std::int64_t>(std::nearbyintl(value));
}

/// round(done * 100 / total) as the copy jobs compute it: the product as a
/// 64-bit integer, the division in extended precision. total must be above 0.
inline std::int32_t ComputePercent(std::int64_t done, std::int64_t total) {
  return static_cast<std::int32_t>(
      RoundHalfEven(static_cast<long double>(done * 100) / static_cast<long double>(total)));
}

} // namespace vandrel
