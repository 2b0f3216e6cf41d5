#include "localization/U_LangPo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "engine/U_UnicodeUtils.h"
#include "localization/C_LangPack.h"
#include "localization/Lang_Storageobj.h"
#include "localization/U_PoFile.h"
#include "platform/CodePages.h"

namespace vandrel {

namespace {

const char* const kKinds[3] = {"caption", "hint", "items"};

struct Header {
  std::uint16_t revision = 4;
  std::uint16_t lang_id = 0;
  std::string title, heading, detail, notes, flag;
  std::int32_t program_version = 0;
  std::int32_t extra_byte = 0;
  std::string extra_text1, extra_text2, ime_name, font_name;
  std::int32_t charset = 1;
  std::int32_t min_font_size = 8;
};

struct Text {
  std::int32_t tag = 0;
  std::string data;
};

struct Group {
  std::int32_t path_tag = kTagPath;
  std::string path;
  std::int32_t layout = 0;
  Text texts[3];
};

std::int32_t IntOf(const std::string& data) {
  std::uint32_t value = 0;
  for (size_t i = 0; i < data.size() && i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

std::string BytesOf(std::int32_t value) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) {
    s[static_cast<size_t>(i)] =
        static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
  }
  return s;
}

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

bool ParseNumber(const std::string& text, std::int64_t& value) {
  if (text.empty()) {
    return false;
  }
  char* end = nullptr;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  value = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
  return end != nullptr && *end == '\0';
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string ToBase64(const std::string& bytes) {
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16 |
                            static_cast<unsigned char>(bytes[i + 1]) << 8 |
                            static_cast<unsigned char>(bytes[i + 2]);
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
    out += kBase64[v & 63];
  }
  if (i < bytes.size()) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) {
      v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    }
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool FromBase64(const std::string& text, std::string& bytes) {
  bytes.clear();
  std::uint32_t v = 0;
  int bits = 0;
  for (const char c : text) {
    if (c == '=') {
      break;
    }
    const char* at = std::strchr(kBase64, c);
    if (at == nullptr || c == '\0') {
      return false;
    }
    v = v << 6 | static_cast<std::uint32_t>(at - kBase64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<char>((v >> bits) & 0xFF));
    }
  }
  return true;
}

// Header values are one line: backslash, CR and LF are escaped.
std::string EscapeField(const std::string& s) {
  std::string out;
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
  return out;
}

std::string UnescapeField(const std::string& s) {
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

size_t HeaderRecordCount(std::uint16_t revision) {
  return revision >= 4 ? 14 : revision >= 2 ? 13 : 10;
}

bool ParseLanguageFile(const TLangRecords& records, Header& header, std::vector<Group>& groups,
                       std::string& error) {
  if (records.size() < 6) {
    error = "fewer than 6 records: not a language file";
    return false;
  }
  if (records[0].Data.size() < 4) {
    error = "revision 0 language files are not supported; open it in the program and write a "
            "template instead";
    return false;
  }
  const auto head = static_cast<std::uint32_t>(IntOf(records[0].Data));
  header.revision = static_cast<std::uint16_t>(head >> 16);
  header.lang_id = static_cast<std::uint16_t>(head & 0xFFFF);
  if (header.revision == 0 || header.revision > 4) {
    error = "Format not supported in this revision";
    return false;
  }
  const size_t count = HeaderRecordCount(header.revision);
  if (records.size() < count) {
    error = "the header is incomplete";
    return false;
  }
  header.title = records[1].Data;
  header.heading = records[2].Data;
  header.detail = records[3].Data;
  header.notes = records[4].Data;
  header.flag = records[5].Data;
  size_t i = 6;
  header.program_version = IntOf(records[i++].Data);
  if (header.revision >= 2) {
    header.extra_byte = IntOf(records[i++].Data);
    header.extra_text1 = records[i++].Data;
    header.extra_text2 = records[i++].Data;
  }
  header.ime_name = records[i++].Data;
  header.font_name = records[i++].Data;
  header.charset = IntOf(records[i++].Data);
  if (header.revision >= 4) {
    header.min_font_size = IntOf(records[i++].Data);
  }
  const bool has_layout = header.revision >= 3;
  const size_t group_size = has_layout ? 5 : 4;
  while (i < records.size()) {
    if (i + group_size > records.size()) {
      error = "the last component group is incomplete";
      return false;
    }
    Group g;
    g.path_tag = records[i].Tag;
    g.path = records[i++].Data;
    if (has_layout) {
      g.layout = IntOf(records[i++].Data);
    }
    for (Text& t : g.texts) {
      t.tag = records[i].Tag;
      t.data = records[i++].Data;
    }
    groups.push_back(std::move(g));
  }
  return true;
}

TLangRecords Assemble(const Header& h, const std::vector<Group>& groups) {
  TLangRecords r;
  auto text = [&r](std::int32_t tag, const std::string& data) { r.push_back({tag, data}); };
  auto integer = [&r](std::int32_t tag, std::int32_t v) { r.push_back({tag, BytesOf(v)}); };
  integer(0, static_cast<std::int32_t>((std::uint32_t{h.revision} << 16) + h.lang_id));
  text(1, h.title);
  text(2, h.heading);
  text(3, h.detail);
  text(4, h.notes);
  text(5, h.flag);
  integer(0x200, h.program_version);
  if (h.revision >= 2) {
    integer(0x204, h.extra_byte);
    text(0x205, h.extra_text1);
    text(0x206, h.extra_text2);
  }
  text(0x201, h.ime_name);
  text(0x202, h.font_name);
  integer(0x203, h.charset);
  if (h.revision >= 4) {
    integer(0x204, h.min_font_size);
  }
  for (const Group& g : groups) {
    text(g.path_tag, g.path);
    if (h.revision >= 3) {
      integer(kTagLayout, g.layout);
    }
    for (const Text& t : g.texts) {
      text(t.tag, t.data);
    }
  }
  return r;
}

// Conversions that name what failed.
struct Converter {
  unsigned code_page;
  std::string& error;
  bool ToUtf8(const std::string& bytes, const std::string& what, std::string& out) {
    auto text = platform::CodePageToUtf8(bytes, code_page);
    if (!text) {
      error = what + " is not valid text in code page " + std::to_string(code_page);
      return false;
    }
    out = std::move(*text);
    return true;
  }
  bool FromUtf8(const std::string& text, const std::string& what, std::string& out) {
    auto bytes = platform::Utf8ToCodePage(text, code_page);
    if (!bytes) {
      error = what + " has characters that code page " + std::to_string(code_page) +
              " cannot hold (or is not UTF-8)";
      return false;
    }
    out = std::move(*bytes);
    return true;
  }
};

unsigned CodePageOf(std::int32_t charset) {
  return platform::CodePageOfCharset(static_cast<std::uint8_t>(charset));
}

std::string GroupComment(const Group& g, bool has_layout, std::int32_t tag) {
  return "vandrel: group 0x" + Hex(static_cast<std::uint32_t>(g.path_tag), 3) + " layout " +
         (has_layout ? std::to_string(g.layout) : std::string("none")) + " tag 0x" +
         Hex(static_cast<std::uint32_t>(tag), 2);
}

// The English texts of a template by context.
bool EnglishByContext(const TLangRecords& records, std::map<std::string, std::string>& english,
                      std::string& error) {
  Header h;
  std::vector<Group> groups;
  if (!ParseLanguageFile(records, h, groups, error)) {
    error = "template: " + error;
    return false;
  }
  Converter convert{CodePageOf(h.charset), error};
  for (const Group& g : groups) {
    for (int k = 0; k < 3; ++k) {
      std::string path, text;
      if (g.texts[k].tag != 0 && convert.ToUtf8(g.path, "a template path", path) &&
          convert.ToUtf8(g.texts[k].data, "template text " + path, text)) {
        english.emplace(path + "|" + kKinds[k], text);
      }
    }
  }
  return true;
}

} // namespace

bool ReadLanguageRecords(const WideString& file_name, TLangRecords& records, std::string& error) {
  records.clear();
  const std::string name = WideToUtf8(file_name);
  if (!WFileExists(file_name)) {
    error = name + ": no such file";
    return false;
  }
  TStorefile file;
  file.SetSignature(kLanguageFileSignature);
  file.SetFilename(file_name);
  file.SetReadOnly(true);
  file.Open();
  if (!file.IsOpen()) {
    error = name + ": cannot be opened as a language file (missing, unreadable or another kind "
                   "of file)";
    return false;
  }
  while (!file.AtEnd()) {
    TLangRecord r;
    r.Tag = file.ReadString(r.Data, true);
    if (file.Damaged()) {
      error = name + ": damaged at record " + std::to_string(records.size());
      return false;
    }
    records.push_back(std::move(r));
  }
  return true;
}

bool WriteLanguageRecords(const WideString& file_name, const TLangRecords& records,
                          std::string& error) {
  const std::string name = WideToUtf8(file_name);
  TStorefile file;
  file.SetSignature(kLanguageFileSignature);
  file.SetFilename(file_name);
  try {
    file.Erase();
    file.Open();
    if (!file.IsOpen()) {
      error = name + ": cannot be created";
      return false;
    }
    for (const TLangRecord& r : records) {
      if (file.AppendString(r.Tag, r.Data) == 0) {
        error = name + ": writing failed (disk full?)";
        return false;
      }
    }
  } catch (const Exception& e) {
    error = name + ": " + e.Message();
    return false;
  }
  return true;
}

bool LanguageFileToPo(const TLangRecords& file, const TLangRecords* english, std::string& po,
                      std::string& error) {
  Header h;
  std::vector<Group> groups;
  if (!ParseLanguageFile(file, h, groups, error)) {
    return false;
  }
  std::map<std::string, std::string> english_texts;
  if (english != nullptr && !EnglishByContext(*english, english_texts, error)) {
    return false;
  }
  Converter convert{CodePageOf(h.charset), error};
  std::string title, heading, detail, notes, e1, e2, ime, font;
  if (!convert.ToUtf8(h.title, "the title", title) ||
      !convert.ToUtf8(h.heading, "the heading", heading) ||
      !convert.ToUtf8(h.detail, "the detail", detail) ||
      !convert.ToUtf8(h.notes, "the notes", notes) ||
      !convert.ToUtf8(h.extra_text1, "ExtraText1", e1) ||
      !convert.ToUtf8(h.extra_text2, "ExtraText2", e2) ||
      !convert.ToUtf8(h.ime_name, "the input method name", ime) ||
      !convert.ToUtf8(h.font_name, "the font name", font)) {
    return false;
  }
  std::vector<TPoEntry> entries;
  TPoEntry head;
  head.TranslatorComments = {
      "Vandrel language file. Translate each msgstr; an empty msgstr keeps the English.",
      "The X-Vandrel- fields are the file's header: change Title, Heading, Detail,",
      "FontName and Charset (a Windows character-set number) to suit the language."};
  head.Text = "Project-Id-Version: Vandrel\n"
              "MIME-Version: 1.0\n"
              "Content-Type: text/plain; charset=UTF-8\n"
              "Content-Transfer-Encoding: 8bit\n"
              "X-Vandrel-Revision: " +
              std::to_string(h.revision) +
              "\n"
              "X-Vandrel-LangId: " +
              Hex(h.lang_id, 4) +
              "\n"
              "X-Vandrel-Title: " +
              EscapeField(title) +
              "\n"
              "X-Vandrel-Heading: " +
              EscapeField(heading) +
              "\n"
              "X-Vandrel-Detail: " +
              EscapeField(detail) +
              "\n"
              "X-Vandrel-Notes: " +
              EscapeField(notes) +
              "\n"
              "X-Vandrel-Flag: " +
              ToBase64(h.flag) +
              "\n"
              "X-Vandrel-ProgramVersion: 0x" +
              Hex(static_cast<std::uint32_t>(h.program_version), 8) +
              "\n"
              "X-Vandrel-ExtraByte: " +
              std::to_string(h.extra_byte) +
              "\n"
              "X-Vandrel-ExtraText1: " +
              EscapeField(e1) +
              "\n"
              "X-Vandrel-ExtraText2: " +
              EscapeField(e2) +
              "\n"
              "X-Vandrel-ImeName: " +
              EscapeField(ime) +
              "\n"
              "X-Vandrel-FontName: " +
              EscapeField(font) +
              "\n"
              "X-Vandrel-Charset: " +
              std::to_string(h.charset) +
              "\n"
              "X-Vandrel-MinFontSize: " +
              std::to_string(h.min_font_size) + "\n";
  entries.push_back(std::move(head));
  const bool has_layout = h.revision >= 3;
  for (const Group& g : groups) {
    std::string path;
    if (!convert.ToUtf8(g.path, "a component path", path)) {
      return false;
    }
    for (int k = 0; k < 3; ++k) {
      const Text& t = g.texts[k];
      if (t.tag == 0) {
        continue;
      }
      TPoEntry e;
      e.ExtractedComments.push_back(GroupComment(g, has_layout, t.tag));
      e.Context = path + "|" + kKinds[k];
      std::string text;
      if (!convert.ToUtf8(t.data, "the " + std::string(kKinds[k]) + " of " + path, text)) {
        return false;
      }
      if (t.tag > 0 && (t.tag & kTagTranslated) != 0) {
        const auto it = english_texts.find(*e.Context);
        e.Id = it != english_texts.end() ? it->second : text;
        e.Text = text;
      } else {
        e.Id = text;
      }
      entries.push_back(std::move(e));
    }
  }
  po = FormatPo(entries);
  return true;
}

namespace {

struct PoGroupInfo {
  std::optional<std::int32_t> group_tag;
  std::optional<std::int32_t> layout;
  std::optional<std::int32_t> tag;
};

PoGroupInfo ParseGroupComment(const TPoEntry& e) {
  PoGroupInfo info;
  for (const std::string& c : e.ExtractedComments) {
    if (c.rfind("vandrel:", 0) != 0) {
      continue;
    }
    char group[16] = {}, layout[16] = {}, tag[16] = {};
    if (std::sscanf(c.c_str(), "vandrel: group %15s layout %15s tag %15s", group, layout, tag) ==
        3) {
      std::int64_t v = 0;
      if (ParseNumber(group, v)) {
        info.group_tag = static_cast<std::int32_t>(v);
      }
      if (ParseNumber(layout, v)) {
        info.layout = static_cast<std::int32_t>(v);
      }
      if (ParseNumber(tag, v)) {
        info.tag = static_cast<std::int32_t>(v);
      }
    }
  }
  return info;
}

bool Translated(const TPoEntry& e) {
  return !e.Text.empty() && !e.Fuzzy();
}

int KindIndex(const std::string& kind) {
  for (int k = 0; k < 3; ++k) {
    if (kind == kKinds[k]) {
      return k;
    }
  }
  return -1;
}

} // namespace

bool PoToLanguageFile(const std::string& po, const TLangRecords* templ, TLangRecords& file,
                      std::string& error) {
  std::vector<TPoEntry> entries;
  if (!ParsePo(po, entries, error)) {
    return false;
  }
  const TPoEntry* head = nullptr;
  for (const TPoEntry& e : entries) {
    if (e.IsHeader() && !e.Obsolete) {
      head = &e;
      break;
    }
  }
  if (head == nullptr) {
    error = "the PO file has no header entry (msgid \"\")";
    return false;
  }
  Header h;
  std::vector<Group> template_groups;
  Header template_header;
  if (templ != nullptr) {
    if (!ParseLanguageFile(*templ, template_header, template_groups, error)) {
      error = "template: " + error;
      return false;
    }
    h = template_header;
  }
  auto field = [&head](const char* name) { return PoHeaderField(head->Text, name); };
  auto number = [&](const char* name, auto& target) {
    if (const auto value = field(name)) {
      std::int64_t v = 0;
      if (!ParseNumber(*value, v)) {
        error = std::string("the header field ") + name + " is not a number";
        return false;
      }
      target = static_cast<std::remove_reference_t<decltype(target)>>(v);
    }
    return true;
  };
  std::int64_t lang_id = h.lang_id;
  if (const auto value = field("X-Vandrel-LangId")) {
    if (!ParseNumber("0x" + *value, lang_id)) {
      error = "the header field X-Vandrel-LangId is not a hexadecimal number";
      return false;
    }
  }
  h.lang_id = static_cast<std::uint16_t>(lang_id);
  if (!number("X-Vandrel-Revision", h.revision) ||
      !number("X-Vandrel-ProgramVersion", h.program_version) ||
      !number("X-Vandrel-ExtraByte", h.extra_byte) || !number("X-Vandrel-Charset", h.charset) ||
      !number("X-Vandrel-MinFontSize", h.min_font_size)) {
    return false;
  }
  if (h.revision < 1 || h.revision > 4) {
    error = "X-Vandrel-Revision must be 1 to 4";
    return false;
  }
  Converter convert{CodePageOf(h.charset), error};
  struct TextField {
    const char* name;
    std::string* target;
  } text_fields[] = {{"X-Vandrel-Title", &h.title},
                     {"X-Vandrel-Heading", &h.heading},
                     {"X-Vandrel-Detail", &h.detail},
                     {"X-Vandrel-Notes", &h.notes},
                     {"X-Vandrel-ExtraText1", &h.extra_text1},
                     {"X-Vandrel-ExtraText2", &h.extra_text2},
                     {"X-Vandrel-ImeName", &h.ime_name},
                     {"X-Vandrel-FontName", &h.font_name}};
  for (const TextField& f : text_fields) {
    if (const auto value = field(f.name)) {
      if (!convert.FromUtf8(UnescapeField(*value), f.name, *f.target)) {
        return false;
      }
    } else if (templ != nullptr) {
      // From the template, in the output's code page.
      std::string utf8;
      Converter from_template{CodePageOf(template_header.charset), error};
      if (!from_template.ToUtf8(*f.target, f.name, utf8) ||
          !convert.FromUtf8(utf8, f.name, *f.target)) {
        return false;
      }
    }
  }
  if (const auto value = field("X-Vandrel-Flag")) {
    if (!FromBase64(*value, h.flag)) {
      error = "the header field X-Vandrel-Flag is not base64";
      return false;
    }
  }

  std::vector<Group> groups;
  if (templ != nullptr) {
    std::map<std::string, const TPoEntry*> by_context;
    for (const TPoEntry& e : entries) {
      if (!e.Obsolete && e.Context) {
        by_context.emplace(*e.Context, &e);
      }
    }
    Converter from_template{CodePageOf(template_header.charset), error};
    for (const Group& tg : template_groups) {
      Group g = tg;
      std::string path;
      if (!from_template.ToUtf8(tg.path, "a template path", path) ||
          !convert.FromUtf8(path, "the path " + path, g.path)) {
        return false;
      }
      for (int k = 0; k < 3; ++k) {
        const Text& t = tg.texts[k];
        if (t.tag == 0) {
          continue;
        }
        const std::string context = path + "|" + kKinds[k];
        const auto it = by_context.find(context);
        if (it != by_context.end() && Translated(*it->second)) {
          const auto info = ParseGroupComment(*it->second);
          const std::int32_t show = (info.tag ? *info.tag : t.tag) & kTagShowHint;
          g.texts[k].tag = (t.tag & ~(kTagShowHint | kTagTranslated)) | show | kTagTranslated;
          if (!convert.FromUtf8(it->second->Text, context, g.texts[k].data)) {
            return false;
          }
        } else {
          std::string english;
          g.texts[k].tag = t.tag & ~kTagTranslated;
          if (!from_template.ToUtf8(t.data, "template text " + context, english) ||
              !convert.FromUtf8(english, context, g.texts[k].data)) {
            return false;
          }
        }
      }
      groups.push_back(std::move(g));
    }
  } else {
    std::string current_path;
    for (const TPoEntry& e : entries) {
      if (e.Obsolete || e.IsHeader()) {
        continue;
      }
      const size_t bar = e.Context ? e.Context->rfind('|') : std::string::npos;
      const int kind = bar == std::string::npos ? -1 : KindIndex(e.Context->substr(bar + 1));
      if (kind < 0) {
        error =
            "the entry \"" + e.Id + "\" has no context of the form path|caption, |hint or |items";
        return false;
      }
      const std::string path = e.Context->substr(0, bar);
      const auto info = ParseGroupComment(e);
      if (groups.empty() || path != current_path || groups.back().texts[kind].tag != 0) {
        Group g;
        if (!convert.FromUtf8(path, "the path " + path, g.path)) {
          return false;
        }
        g.path_tag = info.group_tag.value_or(kTagPath);
        g.layout = info.layout.value_or(0);
        groups.push_back(std::move(g));
        current_path = path;
      }
      const std::int32_t defaults[3] = {kTagCaption, kTagShowHint | kTagHint, kTagList};
      const std::int32_t tag = info.tag.value_or(defaults[kind]);
      Text& t = groups.back().texts[kind];
      t.tag = Translated(e) ? tag | kTagTranslated : tag & ~kTagTranslated;
      if (!convert.FromUtf8(Translated(e) ? e.Text : e.Id, *e.Context, t.data)) {
        return false;
      }
    }
    // A group written without the comments counts its texts, as the
    // program does.
    for (Group& g : groups) {
      if (g.path_tag == kTagPath) {
        for (const Text& t : g.texts) {
          g.path_tag += t.tag != 0 ? 1 : 0;
        }
      }
    }
  }
  file = Assemble(h, groups);
  return true;
}

std::uint32_t PoLanguageCode(const std::string& po) {
  std::vector<TPoEntry> entries;
  std::string error;
  if (!ParsePo(po, entries, error)) {
    return 0;
  }
  for (const TPoEntry& e : entries) {
    if (e.IsHeader()) {
      std::int64_t lang_id = 0;
      std::int64_t variant = 0;
      if (const auto v = PoHeaderField(e.Text, "X-Vandrel-LangId")) {
        ParseNumber("0x" + *v, lang_id);
      }
      if (const auto v = PoHeaderField(e.Text, "X-Vandrel-Variant")) {
        ParseNumber(*v, variant);
      }
      return static_cast<std::uint32_t>((variant & 0xFFFF) << 16 | (lang_id & 0xFFFF));
    }
  }
  return 0;
}

} // namespace vandrel
