#include "engine/U_PartSizes.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/Numbers.h"

namespace vandrel {

SizeInUnit SplitIntoUnit(std::int64_t bytes) {
  if (bytes < 1024) {
    return {static_cast<long double>(bytes), 0};
  }
  if (bytes < 1048576) {
    return {static_cast<long double>(bytes) / 1024.0L, 1};
  }
  if (bytes < 1073741824) {
    return {static_cast<long double>(bytes) / 1048576.0L, 2};
  }
  return {static_cast<long double>(bytes) / 1073741824.0L, 3};
}

std::int64_t BytesFromUnit(long double value, int unit_index) {
  for (int i = 0; i < unit_index; ++i) {
    value *= 1024;
  }
  return RoundHalfEven(value);
}

std::optional<std::int64_t> ParseSizeText(std::string_view text) {
  std::string number(text);
  int unit = 0;
  if (!number.empty()) {
    switch (std::tolower(static_cast<unsigned char>(number.back()))) {
    case 'b':
      unit = 0;
      number.pop_back();
      break;
    case 'k':
      unit = 1;
      number.pop_back();
      break;
    case 'm':
      unit = 2;
      number.pop_back();
      break;
    case 'g':
      unit = 3;
      number.pop_back();
      break;
    default:
      break;
    }
  }
  if (number.empty() || number.find_first_not_of("0123456789.") != std::string::npos ||
      number.find('.') != number.rfind('.') || number == ".") {
    return std::nullopt;
  }
  const long double value = std::strtold(number.c_str(), nullptr);
  long double bytes = value;
  for (int i = 0; i < unit; ++i) {
    bytes *= 1024;
  }
  if (!(bytes < 9.2e18L)) {
    return std::nullopt;
  }
  return BytesFromUnit(value, unit);
}

std::int64_t PartSizeForCount(std::int64_t size, std::int64_t parts) {
  return static_cast<std::int64_t>(
      std::ceil(static_cast<double>(size) / static_cast<double>(parts)));
}

} // namespace vandrel
