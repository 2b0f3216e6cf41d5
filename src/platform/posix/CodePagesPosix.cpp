#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <string>

#include "platform/CodePages.h"

namespace vandrel::platform {

unsigned AnsiCodePage() {
  return kCodePageUtf8;
}

unsigned BatchFileCodePage() {
  return kCodePageUtf8;
}

namespace {

std::string IconvName(unsigned code_page) {
  switch (code_page) {
  case kCodePageUtf8:
    return "UTF-8";
  case 10000:
    return "MACINTOSH";
  default:
    return "CP" + std::to_string(code_page);
  }
}

// A character that has no encoding in the target is one replacement, not one
// per byte; a broken sequence is skipped byte by byte.
size_t Utf8SequenceLength(const char* p, size_t left) {
  const auto lead = static_cast<unsigned char>(p[0]);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length > left) {
    return 1;
  }
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) {
      return 1;
    }
  }
  return length;
}

// One conversion. With a replacement, undecodable input is replaced and
// skipped byte by byte; without one, the first failure fails the call.
std::optional<std::string> Convert(std::string_view input, const std::string& from,
                                   const std::string& to, const char* replacement) {
  if (from == to && from != "UTF-8") {
    return std::string(input); // UTF-8 to UTF-8 still goes through iconv, which validates
  }
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (replacement == nullptr) {
      return std::nullopt;
    }
    // Unknown code page: show the bytes as they are rather than nothing.
    return std::string(input);
  }
  std::string out;
  char buffer[1024];
  char* in = const_cast<char*>(input.data());
  size_t in_left = input.size();
  bool ok = true;
  for (;;) {
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    const size_t r = in_left == 0 ? iconv(cd, nullptr, nullptr, &out_ptr, &out_left)
                                  : iconv(cd, &in, &in_left, &out_ptr, &out_left);
    out.append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (r != static_cast<size_t>(-1)) {
      if (in_left == 0) {
        break; // flushed
      }
      continue;
    }
    if (errno == E2BIG) {
      continue;
    }
    // EILSEQ or EINVAL (an incomplete sequence at the end)
    if (replacement == nullptr) {
      ok = false;
      break;
    }
    out += replacement;
    const size_t skip = from == "UTF-8" ? Utf8SequenceLength(in, in_left) : 1;
    in += skip;
    in_left -= skip;
  }
  iconv_close(cd);
  if (!ok) {
    return std::nullopt;
  }
  return out;
}

} // namespace

std::optional<AnsiString> CodePageToUtf8(std::string_view bytes, unsigned code_page) {
  return Convert(bytes, IconvName(code_page), "UTF-8", nullptr);
}

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, unsigned code_page) {
  return Convert(utf8, "UTF-8", IconvName(code_page), nullptr);
}

AnsiString CodePageToUtf8Lossy(std::string_view bytes, unsigned code_page) {
  return *Convert(bytes, IconvName(code_page), "UTF-8", "\xEF\xBF\xBD");
}

std::string Utf8ToCodePageLossy(std::string_view utf8, unsigned code_page) {
  return *Convert(utf8, "UTF-8", IconvName(code_page), "?");
}

namespace {
locale_t CaseLocale() {
  // The user's locale may be anything (or "C"); case folding only needs a
  // UTF-8 character table, which C.UTF-8 always has on glibc.
  static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return loc;
}
} // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  const std::u16string wa = Utf8ToWide(a);
  const std::u16string wb = Utf8ToWide(b);
  if (wa.size() != wb.size()) {
    return false;
  }
  const locale_t loc = CaseLocale();
  for (size_t i = 0; i < wa.size(); ++i) {
    wint_t ca = wa[i];
    wint_t cb = wb[i];
    if (ca == cb) {
      continue;
    }
    if (loc != static_cast<locale_t>(0)) {
      ca = towlower_l(towupper_l(ca, loc), loc);
      cb = towlower_l(towupper_l(cb, loc), loc);
    } else {
      ca = ca < 0x80 ? towlower(ca) : ca;
      cb = cb < 0x80 ? towlower(cb) : cb;
    }
    if (ca != cb) {
      return false;
    }
  }
  return true;
}

} // namespace vandrel::platform
