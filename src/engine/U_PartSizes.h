#pragma once
// The predefined part sizes for common media, the size units, and the
// conversions between a byte count and a number with a unit.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Strings.h"

namespace vandrel {

struct TPredefinedSize {
  const char* Name;   ///< English text, looked up in the text storage
  std::uint64_t Size; ///< bytes
};

/// The 13 predefined sizes in their order (index 13 of the combo is "Custom").
inline constexpr std::array<TPredefinedSize, 13> PredefinedSizeTable{{
    {"Notepad Cut (64 Kb)", 65536},
    {"Floppy Disk (1.39 MB)", 1457664},
    {"74 Mins CD (650 MB)", 681574400},
    {"80 Mins CD (700 MB)", 734003200},
    {"90 Mins CD (800 MB)", 838860800},
    {"99 Mins CD (880 MB)", 922746880},
    {"HD Burn (1400 MB)", 1468006400},
    {"64 MB USB Key", 62914560},
    {"128 MB USB Key", 125829120},
    {"256 MB USB Key", 251658240},
    {"512 MB USB Key", 503316480},
    {"DVD", 4692251770},
    {"Dual Layer DVD", 8536247500},
}};

/// Size units by index (= power of 1024).
inline constexpr std::array<const char*, 4> SizeUnitNames{"b.", "Kb.", "Mb.", "Gb."};

/// A byte count as the size field shows it: the value in the largest unit
/// that keeps it at 1 or above (bytes below 1024 as a whole number).
struct SizeInUnit {
  long double value;
  int unit_index;
};
SizeInUnit SplitIntoUnit(std::int64_t bytes);

/// value * 1024^unit_index, rounded to the nearest byte (halves to even).
std::int64_t BytesFromUnit(long double value, int unit_index);

/// A number as the size field holds it: digits with at most one decimal
/// mark, "." and "," alike, read the same under every locale. Nothing on
/// anything else (empty text, a lone mark, signs, blanks, exponents).
std::optional<long double> ParseDecimalText(std::string_view text);

/// The number (as ParseDecimalText reads it) in the unit of unit_index, in
/// bytes rounded to the nearest (halves to even). Nothing when the number
/// is unreadable or the bytes do not fit in 63 bits.
std::optional<std::int64_t> SizeFromUnitText(std::string_view number, int unit_index);

/// Reads a size such as "700m", "1.39M", "1,5k", "64k", "2g", "1457664"
/// or "10b" (powers of 1024, decimals with "." or ","). Nothing on
/// malformed text, negative numbers or sizes beyond 63 bits.
std::optional<std::int64_t> ParseSizeText(std::string_view text);

/// Part size for a split into parts pieces: ceil(size / parts) as a double
/// quotient (10 bytes in 4 parts gives 3).
std::int64_t PartSizeForCount(std::int64_t size, std::int64_t parts);

} // namespace vandrel
