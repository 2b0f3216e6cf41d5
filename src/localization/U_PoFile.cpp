#include "localization/U_PoFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <ostream>
#include <sstream>

namespace vandrel {

namespace {

std::string Trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) {
    ++b;
  }
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) {
    --e;
  }
  return std::string(s.substr(b, e - b));
}

// Unescapes one quoted PO string; false on a syntax error.
bool Unquote(std::string_view s, std::string& out, std::string& error) {
  const std::string t = Trim(s);
  if (t.size() < 2 || t.front() != '"' || t.back() != '"') {
    error = "a quoted string was expected";
    return false;
  }
  // One large text is one long line: room for it at once, not by doubling.
  if (out.capacity() < out.size() + t.size()) {
    out.reserve(std::max(out.size() + t.size(), out.capacity() + out.capacity() / 2));
  }
  for (size_t i = 1; i + 1 < t.size(); ++i) {
    char c = t[i];
    if (c == '"') {
      error = "an unescaped quote inside a string";
      return false;
    }
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (i + 2 >= t.size()) {
      error = "a backslash at the end of a string";
      return false;
    }
    c = t[++i];
    switch (c) {
    case 'n':
      out.push_back('\n');
      break;
    case 'r':
      out.push_back('\r');
      break;
    case 't':
      out.push_back('\t');
      break;
    case 'a':
      out.push_back('\a');
      break;
    case 'b':
      out.push_back('\b');
      break;
    case 'f':
      out.push_back('\f');
      break;
    case 'v':
      out.push_back('\v');
      break;
    case '\\':
      out.push_back('\\');
      break;
    case '"':
      out.push_back('"');
      break;
    case 'x': {
      int value = 0;
      int digits = 0;
      while (i + 2 < t.size() && digits < 2 &&
             std::isxdigit(static_cast<unsigned char>(t[i + 1]))) {
        const char h = t[++i];
        value = value * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
        ++digits;
      }
      if (digits == 0) {
        error = "\\x without digits";
        return false;
      }
      out.push_back(static_cast<char>(value));
      break;
    }
    default:
      if (c >= '0' && c <= '7') {
        int value = c - '0';
        for (int k = 0; k < 2 && i + 2 < t.size() && t[i + 1] >= '0' && t[i + 1] <= '7'; ++k) {
          value = value * 8 + (t[++i] - '0');
        }
        out.push_back(static_cast<char>(value));
        break;
      }
      error = std::string("unknown escape \\") + c;
      return false;
    }
  }
  return true;
}

// Writes s quoted, in pieces, so a large text is never copied whole.
void WriteQuoted(std::ostream& out, std::string_view s) {
  std::string piece = "\"";
  for (const char c : s) {
    switch (c) {
    case '\n':
      piece += "\\n";
      break;
    case '\r':
      piece += "\\r";
      break;
    case '\t':
      piece += "\\t";
      break;
    case '\\':
      piece += "\\\\";
      break;
    case '"':
      piece += "\\\"";
      break;
    default:
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        static const char kOctal[] = "01234567";
        const auto u = static_cast<unsigned char>(c);
        piece += '\\';
        piece += kOctal[(u >> 6) & 7];
        piece += kOctal[(u >> 3) & 7];
        piece += kOctal[u & 7];
      } else {
        piece += c;
      }
    }
    if (piece.size() >= 4096) {
      out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
      piece.clear();
    }
  }
  piece += '"';
  out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
}

void AppendKeyword(std::ostream& out, const char* prefix, const char* keyword,
                   const std::string& text) {
  out << prefix << keyword << ' ';
  const size_t first_break = text.find('\n');
  if (first_break == std::string::npos || first_break + 1 == text.size()) {
    WriteQuoted(out, text);
    out << '\n';
    return;
  }
  out << "\"\"\n";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    out << prefix;
    WriteQuoted(out, std::string_view(text).substr(start, end - start));
    out << '\n';
    start = end;
  }
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

bool TPoEntry::Fuzzy() const {
  return std::find(Flags.begin(), Flags.end(), "fuzzy") != Flags.end();
}

bool ParsePo(std::string_view text, std::vector<TPoEntry>& entries, std::string& error) {
  entries.clear();
  TPoEntry entry;
  bool has_keyword = false;
  std::string* target = nullptr; // where continuation strings go
  enum class Seen { None, Context, Id, Text } seen = Seen::None;
  int line_number = 0;
  auto fail = [&](const std::string& what) {
    error = "line " + std::to_string(line_number) + ": " + what;
    return false;
  };
  auto finish = [&]() -> bool {
    if (has_keyword) {
      if (seen != Seen::Text) {
        return fail("an entry without msgstr");
      }
      entries.push_back(std::move(entry));
    }
    entry = TPoEntry();
    has_keyword = false;
    target = nullptr;
    seen = Seen::None;
    return true;
  };
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++line_number;
    if (line.empty()) {
      continue;
    }
    bool obsolete = false;
    if (line.rfind("#~", 0) == 0) {
      obsolete = true;
      line = Trim(std::string_view(line).substr(2));
    } else if (line[0] == '#') {
      // Comments open the next entry.
      if (has_keyword && !finish()) {
        return false;
      }
      const std::string body = line.size() > 2 ? Trim(std::string_view(line).substr(2)) : "";
      const char kind = line.size() > 1 ? line[1] : ' ';
      if (kind == '.') {
        entry.ExtractedComments.push_back(body);
      } else if (kind == ':') {
        entry.References.push_back(body);
      } else if (kind == ',') {
        size_t start = 0;
        while (start <= body.size()) {
          size_t comma = body.find(',', start);
          if (comma == std::string::npos) {
            comma = body.size();
          }
          const std::string flag = Trim(std::string_view(body).substr(start, comma - start));
          if (!flag.empty()) {
            entry.Flags.push_back(flag);
          }
          start = comma + 1;
        }
      } else if (kind != '|') { // "#|" (previous msgid) is of no use here
        entry.TranslatorComments.push_back(Trim(std::string_view(line).substr(1)));
      }
      continue;
    }
    if (line[0] == '"') {
      if (target == nullptr) {
        return fail("a string outside an entry");
      }
      if (!Unquote(line, *target, error)) {
        return fail(error);
      }
      continue;
    }
    const size_t space = line.find_first_of(" \t");
    const std::string keyword = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space);
    if (keyword == "msgctxt") {
      if (has_keyword && !finish()) {
        return false;
      }
      entry.Context = std::string();
      target = &*entry.Context;
      seen = Seen::Context;
    } else if (keyword == "msgid") {
      if (has_keyword && seen != Seen::Context && !finish()) {
        return false;
      }
      target = &entry.Id;
      seen = Seen::Id;
    } else if (keyword == "msgstr") {
      if (seen != Seen::Id) {
        return fail("msgstr without msgid");
      }
      target = &entry.Text;
      seen = Seen::Text;
    } else if (keyword == "msgid_plural" || keyword.rfind("msgstr[", 0) == 0) {
      return fail("plural forms have no place in a language file");
    } else {
      return fail("unknown keyword \"" + keyword + "\"");
    }
    has_keyword = true;
    entry.Obsolete = entry.Obsolete || obsolete;
    if (!Unquote(rest, *target, error)) {
      return fail(error);
    }
  }
  return finish();
}

void WritePoEntry(std::ostream& out, const TPoEntry& e, const std::string& text) {
  for (const auto& c : e.TranslatorComments) {
    out << (c.empty() ? "#\n" : "# " + c + "\n");
  }
  for (const auto& c : e.ExtractedComments) {
    out << "#. " << c << '\n';
  }
  for (const auto& c : e.References) {
    out << "#: " << c << '\n';
  }
  if (!e.Flags.empty()) {
    out << "#, ";
    for (size_t i = 0; i < e.Flags.size(); ++i) {
      out << (i ? ", " : "") << e.Flags[i];
    }
    out << '\n';
  }
  const char* prefix = e.Obsolete ? "#~ " : "";
  if (e.Context) {
    AppendKeyword(out, prefix, "msgctxt", *e.Context);
  }
  AppendKeyword(out, prefix, "msgid", e.Id);
  AppendKeyword(out, prefix, "msgstr", text);
}

void WritePo(std::ostream& out, const std::vector<TPoEntry>& entries) {
  bool first = true;
  for (const TPoEntry& e : entries) {
    if (!first) {
      out << '\n';
    }
    first = false;
    WritePoEntry(out, e, e.Text);
  }
}

std::string FormatPo(const std::vector<TPoEntry>& entries) {
  std::ostringstream out;
  WritePo(out, entries);
  return std::move(out).str();
}

std::string PoBase64(std::string_view bytes) {
  std::string out;
  AppendPoBase64(out, bytes);
  return out;
}

void AppendPoBase64(std::string& out, std::string_view bytes) {
  out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  auto at = [&bytes](size_t k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k]));
  };
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t v = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
    out += kBase64[v & 63];
  }
  if (i < bytes.size()) {
    std::uint32_t v = at(i) << 16;
    if (i + 1 < bytes.size()) {
      v |= at(i + 1) << 8;
    }
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
}

bool PoFromBase64(std::string_view text, std::string& bytes) {
  bytes.clear();
  size_t end = text.size();
  while (end > 0 && text.size() - end < 2 && text[end - 1] == '=') {
    --end;
  }
  if (end % 4 == 1 || (end < text.size() && text.size() % 4 != 0)) {
    return false;
  }
  static const std::array<int, 256> kValues = [] {
    std::array<int, 256> values;
    values.fill(-1);
    for (int k = 0; k < 64; ++k) {
      values[static_cast<unsigned char>(kBase64[k])] = k;
    }
    return values;
  }();
  bytes.reserve(end / 4 * 3 + 2);
  std::uint32_t v = 0;
  int bits = 0;
  for (size_t i = 0; i < end; ++i) {
    const int value = kValues[static_cast<unsigned char>(text[i])];
    if (value < 0) {
      return false;
    }
    v = (v << 6 | static_cast<std::uint32_t>(value)) & 0xFFFFFF;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<char>((v >> bits) & 0xFF));
    }
  }
  return true;
}

std::optional<std::string> PoHeaderField(const std::string& header, std::string_view name) {
  size_t start = 0;
  while (start < header.size()) {
    size_t end = header.find('\n', start);
    if (end == std::string::npos) {
      end = header.size();
    }
    const std::string_view line(header.data() + start, end - start);
    if (line.size() > name.size() && line.substr(0, name.size()) == name &&
        line[name.size()] == ':') {
      std::string_view value = line.substr(name.size() + 1);
      if (!value.empty() && value[0] == ' ') {
        value.remove_prefix(1);
      }
      return std::string(value);
    }
    start = end + 1;
  }
  return std::nullopt;
}

} // namespace vandrel
