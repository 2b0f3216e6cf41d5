#include "engine/U_PartSizes.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
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

std::optional<long double> ParseDecimalText(std::string_view text) {
  std::string number(text);
  size_t marks = 0;
  for (char& c : number) {
    if (c == ',' || c == '.') {
      c = '.';
      ++marks;
    } else if (c < '0' || c > '9') {
      return std::nullopt;
    }
  }
  if (marks > 1 || number.size() == marks) {
    return std::nullopt;
  }
  // from_chars ignores the C library's locale (Qt hands it the desktop's).
  // The whole part is read as an integer: some C libraries (mingw's) read
  // long double only as precisely as double, which would round the largest
  // sizes up to 2^63.
  const size_t mark = number.find('.');
  const std::string whole = number.substr(0, mark);
  long double value = 0;
  if (!whole.empty()) {
    std::uint64_t integer = 0;
    const char* end = whole.data() + whole.size();
    const auto [stop, error] = std::from_chars(whole.data(), end, integer);
    if (error == std::errc::result_out_of_range) {
      return std::numeric_limits<long double>::infinity(); // beyond every size
    }
    if (error != std::errc() || stop != end) {
      return std::nullopt;
    }
    value = static_cast<long double>(integer);
  }
  if (mark != std::string::npos && mark + 1 < number.size()) {
    std::string fraction = "0";
    fraction.append(number, mark, std::string::npos);
    long double part = 0;
    const char* end = fraction.data() + fraction.size();
    const auto [stop, error] =
        std::from_chars(fraction.data(), end, part, std::chars_format::fixed);
    if (error != std::errc() || stop != end) {
      return std::nullopt;
    }
    value += part;
  }
  return value;
}

std::optional<std::int64_t> SizeFromUnitText(std::string_view number, int unit_index) {
  const std::optional<long double> value = ParseDecimalText(number);
  if (!value) {
    return std::nullopt;
  }
  long double bytes = *value;
  for (int i = 0; i < unit_index; ++i) {
    bytes *= 1024;
  }
  // 2^63 is exact in long double; compare after rounding, which may reach it.
  const long double rounded = std::nearbyintl(bytes);
  if (!(rounded < 9223372036854775808.0L)) {
    return std::nullopt;
  }
  return RoundHalfEven(bytes);
}

std::optional<std::int64_t> ParseSizeText(std::string_view text) {
  int unit = 0;
  if (!text.empty()) {
    switch (std::tolower(static_cast<unsigned char>(text.back()))) {
    case 'b':
      unit = 0;
      text.remove_suffix(1);
      break;
    case 'k':
      unit = 1;
      text.remove_suffix(1);
      break;
    case 'm':
      unit = 2;
      text.remove_suffix(1);
      break;
    case 'g':
      unit = 3;
      text.remove_suffix(1);
      break;
    default:
      break;
    }
  }
  return SizeFromUnitText(text, unit);
}

std::int64_t PartSizeForCount(std::int64_t size, std::int64_t parts) {
  return static_cast<std::int64_t>(
      std::ceil(static_cast<double>(size) / static_cast<double>(parts)));
}

} // namespace vandrel
