#include "platform/Strings.h"

#include <algorithm>

namespace vandrel {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(WideString& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(AnsiString& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes UTF-8; an invalid byte goes through on_invalid.
template <typename OnInvalid> WideString DecodeUtf8(std::string_view text, OnInvalid on_invalid) {
  WideString out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      out.push_back(on_invalid(lead));
      ++i;
      continue;
    }
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (!valid || cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(on_invalid(lead));
      ++i;
      continue;
    }
    AppendUtf16(out, cp);
    i += extra + 1;
  }
  return out;
}

} // namespace

WideString Utf8ToWide(std::string_view text) {
  return DecodeUtf8(text, [](unsigned char) { return static_cast<char16_t>(kReplacement); });
}

WideString DecodeNativeName(std::string_view bytes) {
  return DecodeUtf8(bytes, [](unsigned char byte) { return static_cast<char16_t>(0xDC00 + byte); });
}

namespace {

template <typename OnLoneSurrogate>
AnsiString EncodeUtf8(std::u16string_view text, OnLoneSurrogate on_lone) {
  AnsiString out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      if (on_lone(out, cp)) {
        continue;
      }
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

} // namespace

AnsiString WideToUtf8(std::u16string_view text) {
  return EncodeUtf8(text, [](AnsiString&, char32_t) { return false; });
}

AnsiString EncodeNativeName(std::u16string_view name) {
  return EncodeUtf8(name, [](AnsiString& out, char32_t cp) {
    if (cp >= 0xDC80 && cp <= 0xDCFF) {
      out.push_back(static_cast<char>(cp - 0xDC00));
      return true;
    }
    return false;
  });
}

WideString WideFromInt(long long value) {
  return Utf8ToWide(std::to_string(value));
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

bool LessTextAscii(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return AsciiLower(a[i]) < AsciiLower(b[i]);
    }
  }
  return a.size() < b.size();
}

} // namespace vandrel
