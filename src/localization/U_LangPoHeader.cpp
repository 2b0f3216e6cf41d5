#include "localization/U_LangPoHeader.h"

#include <charconv>
#include <cstdio>
#include <limits>

#include "localization/U_FlagBitmap.h"
#include "localization/U_PoFile.h"
#include "platform/CodePages.h"

namespace vandrel {

namespace {

using F = TLangField;

constexpr std::int64_t kInt32Lowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kUInt32Highest = std::numeric_limits<std::uint32_t>::max();

// The PO name of every field but Head, which is Revision and LangId.
const char* FieldName(TLangField field) {
  switch (field) {
  case F::Head:
    return "Head";
  case F::Title:
    return "Title";
  case F::Heading:
    return "Heading";
  case F::Detail:
    return "Detail";
  case F::Notes:
    return "Notes";
  case F::Flag:
    return "Flag";
  case F::ProgramVersion:
    return "ProgramVersion";
  case F::ExtraByte:
    return "ExtraByte";
  case F::ExtraText1:
    return "ExtraText1";
  case F::ExtraText2:
    return "ExtraText2";
  case F::ImeName:
    return "ImeName";
  case F::FontName:
    return "FontName";
  case F::Charset:
    return "Charset";
  case F::MinFontSize:
    return "MinFontSize";
  }
  return "";
}

const TLangField kTextFields[] = {F::Title,      F::Heading,    F::Detail,  F::Notes,
                                  F::ExtraText1, F::ExtraText2, F::ImeName, F::FontName};
const TLangField kIntegerFields[] = {F::ProgramVersion, F::ExtraByte, F::Charset, F::MinFontSize};

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// Header values are one line: backslash, CR and LF are escaped.
void AppendEscaped(std::string& out, const std::string& s) {
  for (const char c : s) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
}

std::string Unescaped(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char n = s[++i];
      out += n == 'r' ? '\r' : n == 'n' ? '\n' : n;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string& TextOf(TLangHeaderValues& v, TLangField field) {
  switch (field) {
  case F::Title:
    return v.Title;
  case F::Heading:
    return v.Heading;
  case F::Detail:
    return v.Detail;
  case F::Notes:
    return v.Notes;
  case F::Flag:
    return v.Flag;
  case F::ExtraText1:
    return v.ExtraText1;
  case F::ExtraText2:
    return v.ExtraText2;
  case F::ImeName:
    return v.ImeName;
  default:
    return v.FontName;
  }
}

std::int32_t& IntegerOf(TLangHeaderValues& v, TLangField field) {
  switch (field) {
  case F::ProgramVersion:
    return v.ProgramVersion;
  case F::ExtraByte:
    return v.ExtraByte;
  case F::Charset:
    return v.Charset;
  default:
    return v.MinFontSize;
  }
}

// What the program reads from record 0.
bool SameHead(const std::string& a, const std::string& b) {
  auto reading = [](const std::string& d) {
    const auto v = static_cast<std::uint32_t>(LangInteger(d));
    return d.size() >= 4 ? v : (v & 0xFFFF); // revision 0 and LangId
  };
  return reading(a) == reading(b);
}

// The fields the header of a file holds, and the program's defaults for the
// others; the texts only when asked for (the flag may be large).
TLangHeaderValues ValuesOf(const TLangFile& file, bool with_texts) {
  TLangHeaderValues v;
  v.Revision = file.Revision();
  v.LangId = file.LangId();
  if (with_texts) {
    for (const TLangField field : kTextFields) {
      TextOf(v, field) = file.Text(field);
    }
    v.Flag = file.Text(F::Flag);
  }
  const bool old = v.Revision == 0 || v.Revision > kLangNewestRevision;
  v.ProgramVersion = file.Integer(F::ProgramVersion);
  v.ExtraByte = file.Integer(F::ExtraByte);
  v.Charset = file.Integer(F::Charset, old ? 1 : 0);
  v.MinFontSize = file.Integer(F::MinFontSize, 8);
  return v;
}

} // namespace

unsigned LangCodePage(std::uint16_t revision, std::int32_t charset) {
  const bool has_charset = revision >= 1 && revision <= kLangNewestRevision;
  return platform::CodePageOfCharset(has_charset ? static_cast<std::uint8_t>(charset) : 1);
}

unsigned LangCodePage(const TLangFile& file) {
  return LangCodePage(file.Revision(), file.Integer(F::Charset));
}

std::string BytesToPoText(const std::string& bytes, unsigned code_page, bool& exact) {
  if (auto text = platform::CodePageToUtf8(bytes, code_page)) {
    const auto back = platform::Utf8ToCodePage(*text, code_page);
    exact = back && *back == bytes;
    if (exact) {
      return std::move(*text);
    }
  }
  exact = false;
  return platform::CodePageToUtf8Lossy(bytes, code_page);
}

bool PoTextToBytes(const std::string& text, const std::string* kept, unsigned code_page,
                   std::string& bytes) {
  if (kept != nullptr && platform::CodePageToUtf8Lossy(*kept, code_page) == text) {
    bytes = *kept;
    return true;
  }
  auto converted = platform::Utf8ToCodePage(text, code_page);
  if (!converted) {
    return false;
  }
  bytes = std::move(*converted);
  return true;
}

bool ParsePoNumber(const std::string& text, std::int64_t& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    begin += 2;
    base = 16;
  }
  if (begin == end || (base == 16 && *begin == '-')) {
    return false;
  }
  const auto [at, problem] = std::from_chars(begin, end, value, base);
  return problem == std::errc() && at == end;
}

std::string LanguageHeaderToPo(const TLangFile& file) {
  const TLangHeaderValues v = ValuesOf(file, false);
  const unsigned code_page = LangCodePage(file);
  std::string out;
  size_t size = 1024;
  for (const TLangRecord& record : file.Header) {
    size += record.Data.size() * 2;
  }
  out.reserve(size);
  out += "Project-Id-Version: Vandrel\n"
         "MIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=UTF-8\n"
         "Content-Transfer-Encoding: 8bit\n";
  out += "X-Vandrel-Revision: " + std::to_string(v.Revision) + "\n";
  out += "X-Vandrel-LangId: " + Hex(v.LangId, 4) + "\n";
  std::vector<bool> exact(LangHeaderFields(v.Revision).size(), true);
  auto text_field = [&](TLangField field) {
    bool is_exact = true;
    out += std::string("X-Vandrel-") + FieldName(field) + ": ";
    AppendEscaped(out, BytesToPoText(file.Text(field), code_page, is_exact));
    out += "\n";
    const int index = LangFieldIndex(v.Revision, field);
    if (index >= 0 && static_cast<size_t>(index) < exact.size()) {
      exact[static_cast<size_t>(index)] = is_exact;
    }
  };
  auto integer_field = [&](TLangField field, std::int32_t value) {
    out += std::string("X-Vandrel-") + FieldName(field) + ": " + std::to_string(value) + "\n";
  };
  for (const TLangField field : {F::Title, F::Heading, F::Detail, F::Notes}) {
    text_field(field);
  }
  out += "X-Vandrel-Flag: ";
  AppendPoBase64(out, file.Text(F::Flag));
  out += "\n";
  out +=
      "X-Vandrel-ProgramVersion: 0x" + Hex(static_cast<std::uint32_t>(v.ProgramVersion), 8) + "\n";
  integer_field(F::ExtraByte, v.ExtraByte);
  for (const TLangField field : {F::ExtraText1, F::ExtraText2, F::ImeName, F::FontName}) {
    text_field(field);
  }
  integer_field(F::Charset, v.Charset);
  integer_field(F::MinFontSize, v.MinFontSize);

  // What the fields above cannot give back exactly.
  const auto& fields = LangHeaderFields(v.Revision);
  if (file.Header.size() < fields.size()) {
    out += "X-Vandrel-HeaderRecords: " + std::to_string(file.Header.size()) + "\n";
  }
  for (size_t i = 0; i < file.Header.size(); ++i) {
    const TLangRecord& record = file.Header[i];
    const TLangField field = fields[i];
    const bool kept = LangFieldIsInteger(field) ? record == MakeLanguageField(v, field)
                      : field == F::Flag        ? record.Tag == LangFieldTag(field)
                                                : exact[i] && record.Tag == LangFieldTag(field);
    if (!kept) {
      out += std::string("X-Vandrel-Record-") + FieldName(field) + ": 0x" +
             Hex(static_cast<std::uint32_t>(record.Tag), 1) + " =" + PoBase64(record.Data) + "\n";
    }
  }
  return out;
}

bool PoToLanguageHeader(const std::string& po_header, const TLangFile* base, TLangRecords& header,
                        std::string& error) {
  auto field = [&po_header](const std::string& name) {
    return PoHeaderField(po_header, "X-Vandrel-" + name);
  };
  auto fail = [&error](const std::string& what) {
    error = what;
    return false;
  };
  TLangHeaderValues v = base ? ValuesOf(*base, true) : TLangHeaderValues();
  const unsigned base_code_page = base ? LangCodePage(*base) : 0;

  // Every number is checked in full before it is narrowed.
  std::int64_t revision = v.Revision;
  if (const auto value = field("Revision")) {
    if (!ParsePoNumber(*value, revision)) {
      return fail("the header field X-Vandrel-Revision is not a number");
    }
  }
  if (revision < 0 || revision > kLangNewestRevision) {
    return fail("X-Vandrel-Revision must be 0 to 4: Format not supported in this revision");
  }
  v.Revision = static_cast<std::uint16_t>(revision);
  std::int64_t lang_id = v.LangId;
  if (const auto value = field("LangId")) {
    if (value->empty() || (*value)[0] == '-' || !ParsePoNumber("0x" + *value, lang_id) ||
        lang_id > 0xFFFF) {
      return fail("the header field X-Vandrel-LangId must be 4 hexadecimal digits (0000 to FFFF)");
    }
  }
  v.LangId = static_cast<std::uint16_t>(lang_id);
  for (const TLangField f : kIntegerFields) {
    if (const auto value = field(FieldName(f))) {
      std::int64_t number = 0;
      if (!ParsePoNumber(*value, number)) {
        return fail(std::string("the header field X-Vandrel-") + FieldName(f) + " is not a number");
      }
      if (number < kInt32Lowest || number > kUInt32Highest) {
        return fail(std::string("the header field X-Vandrel-") + FieldName(f) +
                    " does not fit in 32 bits");
      }
      IntegerOf(v, f) = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
    }
  }
  const unsigned code_page = LangCodePage(v.Revision, v.Charset);
  std::string texts[std::size(kTextFields)];
  for (size_t k = 0; k < std::size(kTextFields); ++k) {
    if (const auto value = field(FieldName(kTextFields[k]))) {
      texts[k] = Unescaped(*value);
    } else if (base != nullptr) {
      texts[k] = platform::CodePageToUtf8Lossy(TextOf(v, kTextFields[k]), base_code_page);
    }
  }
  if (auto value = field("Flag")) {
    if (!PoFromBase64(*value, v.Flag)) {
      return fail("the header field X-Vandrel-Flag is not base64");
    }
  }
  if (!IsFlagImage(v.Flag)) {
    return fail("the header field X-Vandrel-Flag: Bitmap image is not valid");
  }

  const auto& fields = LangHeaderFields(v.Revision);
  std::int64_t count = static_cast<std::int64_t>(fields.size());
  if (const auto value = field("HeaderRecords")) {
    if (!ParsePoNumber(*value, count) || count < kLangMinimumRecords ||
        count > static_cast<std::int64_t>(fields.size())) {
      return fail("the header field X-Vandrel-HeaderRecords must be 6 to " +
                  std::to_string(fields.size()));
    }
  }
  header.clear();
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    const TLangField f = fields[i];
    std::optional<TLangRecord> kept;
    if (const auto value = field(std::string("Record-") + FieldName(f))) {
      const size_t blank = value->find(' ');
      std::int64_t tag = 0;
      TLangRecord record;
      if (blank == std::string::npos || !ParsePoNumber(value->substr(0, blank), tag) ||
          tag < kInt32Lowest || tag > kUInt32Highest || value->compare(blank + 1, 1, "=") != 0 ||
          !PoFromBase64(std::string_view(*value).substr(blank + 2), record.Data)) {
        return fail(std::string("the header field X-Vandrel-Record-") + FieldName(f) +
                    " must be a tag and base64 data");
      }
      record.Tag = static_cast<std::int32_t>(static_cast<std::uint32_t>(tag));
      kept = std::move(record);
    }
    if (f == F::Flag) {
      // Moved, not copied: the flag may be large.
      header.push_back(kept && kept->Data == v.Flag
                           ? std::move(*kept)
                           : TLangRecord{LangFieldTag(f), std::move(v.Flag)});
      continue;
    }
    if (LangFieldIsInteger(f)) {
      TLangRecord made = MakeLanguageField(v, f);
      const bool same = kept && (f == F::Head ? SameHead(kept->Data, made.Data)
                                              : LangInteger(kept->Data) == LangInteger(made.Data));
      header.push_back(same ? std::move(*kept) : std::move(made));
      continue;
    }
    size_t k = 0;
    while (kTextFields[k] != f) {
      ++k;
    }
    if (kept && platform::CodePageToUtf8Lossy(kept->Data, code_page) == texts[k]) {
      header.push_back(std::move(*kept));
      continue;
    }
    TLangRecord made{LangFieldTag(f), {}};
    if (!PoTextToBytes(texts[k], nullptr, code_page, made.Data)) {
      return fail(std::string("X-Vandrel-") + FieldName(f) + " has characters that code page " +
                  std::to_string(code_page) + " cannot hold (or is not UTF-8)");
    }
    header.push_back(std::move(made));
  }
  return true;
}

} // namespace vandrel
