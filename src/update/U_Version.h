#pragma once
// Four-field program version numbers (major, minor, release, build): parsed
// from text, packed into two 32-bit halves for the update request, compared.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Strings.h"

namespace vandrel {

/// FieldCount (shell/U_MelkUtils.h) under the name the version code uses:
/// 0 for an empty text, otherwise 1 plus the count of its characters found
/// in `separators`.
int CountFields(std::string_view text, std::string_view separators);

/// Reads one version field: leading blanks skipped, an optional sign, then
/// decimal digits or up to eight hexadecimal digits after "$", "x", "X", "0x"
/// or "0X", and nothing after the digits. Anything else, including a decimal
/// value outside 32-bit signed range, gives 0.
int32_t ParseVersionField(std::string_view text);

class TTarvixVersion {
public:
  int32_t Major = 0;
  int32_t Minor = 0;
  int32_t Release = 0;
  int32_t Build = 0;

  /// All fields 0.
  TTarvixVersion() = default;
  /// Parses `text` (see Parse); never fails.
  explicit TTarvixVersion(std::string_view text) { Parse(text); }
  /// Major = high >> 16, Minor = high & 0xFFFF, Release = low >> 16,
  /// Build = low & 0xFFFF.
  static TTarvixVersion CreatePacked(uint32_t high, uint32_t low);

  /// Replaces the four fields by the parse of `text`: padded with ".0" to
  /// four fields, split at the first three dots (the fourth field keeps any
  /// further dots), each read with ParseVersionField; a value above 65535
  /// becomes 0, negative values stay.
  void Parse(std::string_view text);

  /// Major * 65536 + Minor, modulo 2^32.
  uint32_t High() const;
  /// Release * 65536 + Build, modulo 2^32.
  uint32_t Low() const;
  /// "%d.%d.%d.%d" of the four fields, e.g. "4.12.0.33".
  AnsiString ToText() const;
  /// High() and Low() as unsigned decimal text ("262156" for 4.12).
  AnsiString HighText() const;
  AnsiString LowText() const;
  /// True when the sum of the four fields, as a 32-bit signed number, is
  /// above 0; all zeros is not valid.
  bool IsValid() const;
  /// Field-by-field signed comparison, Major first; equal gives false.
  bool IsNewerThan(const TTarvixVersion& other) const;
  /// Unsigned comparison of (High, Low) against the given pair, High first;
  /// equal gives false.
  bool IsNewerThanPacked(uint32_t high, uint32_t low) const;
};

} // namespace vandrel
