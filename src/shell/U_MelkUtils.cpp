#include "shell/U_MelkUtils.h"

namespace vandrel {

AnsiString UrlEncode(const AnsiString& text) {
  static const char hex_digits[] = "0123456789ABCDEF";
  AnsiString encoded;
  encoded.reserve(text.size() * 3);
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_') {
      encoded += c;
    } else {
      // A space is "%20" like every other byte outside the safe set.
      encoded += '%';
      encoded += hex_digits[byte >> 4];
      encoded += hex_digits[byte & 0x0F];
    }
  }
  return encoded;
}

} // namespace vandrel
