#include "update/U_Version.h"

#include <cstdio>
#include <tuple>

#include "shell/U_MelkUtils.h"

namespace vandrel {

int CountFields(std::string_view text, std::string_view separators) {
  return FieldCount(text, separators);
}

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

} // namespace

int32_t ParseVersionField(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::string_view rest = text.substr(i);
  bool hex = false;
  size_t digits_start = 0;
  if (rest.starts_with("0x") || rest.starts_with("0X")) {
    hex = true;
    digits_start = 2;
  } else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    hex = true;
    digits_start = 1;
  }
  const std::string_view digits = rest.substr(digits_start);
  if (digits.empty()) {
    return 0;
  }
  if (hex) {
    if (digits.size() > 8) {
      return 0;
    }
    uint32_t value = 0;
    for (char c : digits) {
      const int digit = HexDigitValue(c);
      if (digit < 0) {
        return 0;
      }
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    // Eight hexadecimal digits cover the whole 32-bit word, sign bit included.
    return static_cast<int32_t>(negative ? 0u - value : value);
  }
  // Accumulate the magnitude; -2147483648 is the one value whose magnitude
  // exceeds INT32_MAX.
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') {
      return 0;
    }
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > limit) {
      return 0;
    }
  }
  return static_cast<int32_t>(negative ? 0u - static_cast<uint32_t>(value)
                                       : static_cast<uint32_t>(value));
}

TTarvixVersion TTarvixVersion::CreatePacked(uint32_t high, uint32_t low) {
  TTarvixVersion version;
  version.Major = static_cast<int32_t>(high >> 16);
  version.Minor = static_cast<int32_t>(high & 0xFFFF);
  version.Release = static_cast<int32_t>(low >> 16);
  version.Build = static_cast<int32_t>(low & 0xFFFF);
  return version;
}

void TTarvixVersion::Parse(std::string_view text) {
  std::string padded(text);
  while (CountFields(padded, ".") < 4) {
    padded += ".0";
  }
  const size_t first = padded.find('.');
  const size_t second = padded.find('.', first + 1);
  const size_t third = padded.find('.', second + 1);
  const std::string_view all(padded);
  int32_t* const fields[] = {&Major, &Minor, &Release, &Build};
  const std::string_view texts[] = {all.substr(0, first), all.substr(first + 1, second - first - 1),
                                    all.substr(second + 1, third - second - 1),
                                    all.substr(third + 1)};
  for (int i = 0; i < 4; ++i) {
    const int32_t value = ParseVersionField(texts[i]);
    *fields[i] = value > 65535 ? 0 : value;
  }
}

uint32_t TTarvixVersion::High() const {
  return static_cast<uint32_t>(Major) * 65536u + static_cast<uint32_t>(Minor);
}

uint32_t TTarvixVersion::Low() const {
  return static_cast<uint32_t>(Release) * 65536u + static_cast<uint32_t>(Build);
}

AnsiString TTarvixVersion::ToText() const {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", Major, Minor, Release, Build);
  return buffer;
}

AnsiString TTarvixVersion::HighText() const {
  return std::to_string(High());
}

AnsiString TTarvixVersion::LowText() const {
  return std::to_string(Low());
}

bool TTarvixVersion::IsValid() const {
  const uint32_t sum = static_cast<uint32_t>(Major) + static_cast<uint32_t>(Minor) +
                       static_cast<uint32_t>(Release) + static_cast<uint32_t>(Build);
  return static_cast<int32_t>(sum) > 0;
}

bool TTarvixVersion::IsNewerThan(const TTarvixVersion& other) const {
  return std::tie(Major, Minor, Release, Build) >
         std::tie(other.Major, other.Minor, other.Release, other.Build);
}

bool TTarvixVersion::IsNewerThanPacked(uint32_t high, uint32_t low) const {
  return High() > high || (High() == high && Low() > low);
}

} // namespace vandrel
