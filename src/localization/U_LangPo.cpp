#include "localization/U_LangPo.h"

#include <cstdio>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "engine/U_UnicodeUtils.h"
#include "localization/Lang_Storageobj.h"
#include "localization/U_LangPoHeader.h"
#include "platform/CodePages.h"

namespace vandrel {

namespace {

const char* const kKinds[3] = {"caption", "hint", "items"};

int KindOf(TLangSlot slot) {
  return slot == TLangSlot::Caption ? 0 : slot == TLangSlot::Hint ? 1 : 2;
}

int KindIndex(const std::string& kind) {
  for (int k = 0; k < 3; ++k) {
    if (kind == kKinds[k]) {
      return k;
    }
  }
  return -1;
}

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string HexTag(std::int32_t tag, int digits) {
  return "0x" + Hex(static_cast<std::uint32_t>(tag), digits);
}

// Raw bytes in a comment word: "=" and base64, so that no bytes is a word
// too.
std::string RawWord(const std::string& bytes) {
  std::string word = "=";
  AppendPoBase64(word, bytes);
  return word;
}

bool Translated(std::int32_t tag) {
  return tag > 0 && (tag & kTagTranslated) != 0;
}

bool Translated(const TPoEntry& e) {
  return !e.Text.empty() && !e.Fuzzy();
}

// What the "vandrel:" comment of an entry says about its record and group.
struct PoGroupInfo {
  std::optional<std::int32_t> group_tag;
  std::optional<std::int32_t> layout;
  std::optional<std::int32_t> tag;
  std::optional<size_t> records;
  std::optional<std::string> path_bytes;
  std::optional<TLangRecord> layout_record;
  std::optional<std::string> text_bytes;
  bool start = false;
};

std::optional<std::int32_t> Int32Word(const std::string& word) {
  std::int64_t v = 0;
  if (!ParsePoNumber(word, v) || v < INT32_MIN || v > UINT32_MAX) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

std::optional<std::string> RawWordBytes(const std::string& word) {
  std::string bytes;
  if (word.empty() || word[0] != '=' || !PoFromBase64(std::string_view(word).substr(1), bytes)) {
    return std::nullopt;
  }
  return bytes;
}

PoGroupInfo ParseGroupComment(const TPoEntry& e) {
  PoGroupInfo info;
  for (const std::string& c : e.ExtractedComments) {
    if (c.rfind("vandrel:", 0) != 0) {
      continue;
    }
    std::istringstream words(c.substr(8));
    std::string word, value;
    while (words >> word) {
      if (word == "start") {
        info.start = true;
        continue;
      }
      if (!(words >> value)) {
        break;
      }
      if (word == "group") {
        info.group_tag = Int32Word(value);
      } else if (word == "layout") {
        info.layout = Int32Word(value); // "none" leaves it unset
      } else if (word == "tag") {
        info.tag = Int32Word(value);
      } else if (word == "records") {
        std::int64_t n = 0;
        if (ParsePoNumber(value, n) && n >= 1 && n <= 5) {
          info.records = static_cast<size_t>(n);
        }
      } else if (word == "path-bytes") {
        info.path_bytes = RawWordBytes(value);
      } else if (word == "text-bytes") {
        info.text_bytes = RawWordBytes(value);
      } else if (word == "layout-record") {
        std::string data;
        const auto tag = Int32Word(value);
        if (words >> data) {
          const auto bytes = RawWordBytes(data);
          if (tag && bytes) {
            info.layout_record = TLangRecord{*tag, *bytes};
          }
        }
      }
    }
  }
  return info;
}

// A text from one code page in another; the bytes as they are when the
// code pages agree.
bool Recode(const std::string& bytes, unsigned from, unsigned to, std::string& out) {
  if (from == to) {
    out = bytes;
    return true;
  }
  const auto text = platform::CodePageToUtf8(bytes, from);
  auto converted = text ? platform::Utf8ToCodePage(*text, to) : std::nullopt;
  if (!converted) {
    return false;
  }
  out = std::move(*converted);
  return true;
}

std::string CannotHold(const std::string& what, unsigned code_page) {
  return what + " has characters that code page " + std::to_string(code_page) +
         " cannot hold (or is not UTF-8)";
}

// The English texts of a template by context.
std::map<std::string, std::string> EnglishByContext(const TLangFile& templ) {
  std::map<std::string, std::string> english;
  const unsigned code_page = LangCodePage(templ);
  const std::uint16_t revision = templ.Revision();
  for (const TLangGroup& g : templ.Groups) {
    const std::string path = platform::CodePageToUtf8Lossy(g.Records[0].Data, code_page);
    const auto& slots = LangGroupSlots(revision, g.Records[0].Tag);
    for (size_t k = 0; k < slots.size() && k + 1 < g.Records.size(); ++k) {
      const TLangRecord& r = g.Records[k + 1];
      if (slots[k] != TLangSlot::Layout && r.Tag != 0) {
        english.emplace(path + "|" + kKinds[KindOf(slots[k])],
                        platform::CodePageToUtf8Lossy(r.Data, code_page));
      }
    }
  }
  return english;
}

// Receives each entry; with text_is_id its msgstr is its msgid.
using EntrySink = std::function<void(TPoEntry&& entry, bool text_is_id)>;

void GroupEntries(const TLangFile& file, const std::map<std::string, std::string>* english,
                  const EntrySink& sink) {
  const std::uint16_t revision = file.Revision();
  const unsigned code_page = LangCodePage(file);
  std::optional<std::string> previous_path;
  for (const TLangGroup& g : file.Groups) {
    const TLangRecord& path_record = g.Records[0];
    bool exact = true;
    const std::string path = BytesToPoText(path_record.Data, code_page, exact);
    const auto& slots = LangGroupSlots(revision, path_record.Tag);
    std::string layout = "none";
    std::string extras;
    for (size_t k = 0; k < slots.size() && k + 1 < g.Records.size(); ++k) {
      const TLangRecord& r = g.Records[k + 1];
      if (slots[k] == TLangSlot::Layout) {
        layout = std::to_string(LangInteger(r.Data));
        if (r.Tag != kTagLayout || r.Data.size() != 4) {
          extras += " layout-record " + HexTag(r.Tag, 3) + " " + RawWord(r.Data);
        }
      }
    }
    if (g.Records.size() < slots.size() + 1) {
      extras += " records " + std::to_string(g.Records.size());
    }
    if (!exact) {
      extras += " path-bytes " + RawWord(path_record.Data);
    }
    // Groups are told apart by their path; a repeated path needs a mark.
    const bool start = previous_path && *previous_path == path;
    previous_path = path;
    const std::string comment =
        "vandrel: group " + HexTag(path_record.Tag, 3) + " layout " + layout;
    size_t emitted = 0;
    auto add = [&](int kind, std::int32_t tag, const std::string& data) {
      TPoEntry e;
      bool text_exact = true;
      std::string text = BytesToPoText(data, code_page, text_exact);
      std::string words = comment + " tag " + HexTag(tag, 2) + extras;
      if (start && emitted == 0) {
        words += " start";
      }
      if (!text_exact) {
        // Appended in place: the bytes may be large.
        words.reserve(words.size() + 13 + (data.size() + 2) / 3 * 4);
        words += " text-bytes =";
        AppendPoBase64(words, data);
      }
      e.ExtractedComments.push_back(std::move(words));
      e.Context = path + "|" + kKinds[kind];
      bool text_is_id = false;
      if (revision >= 1 && Translated(tag)) {
        const auto it = english ? english->find(*e.Context) : decltype(english->end()){};
        if (english && it != english->end()) {
          e.Id = it->second;
          e.Text = std::move(text);
        } else {
          e.Id = std::move(text); // the translation stands in for the English
          text_is_id = true;
        }
      } else {
        e.Id = std::move(text);
      }
      sink(std::move(e), text_is_id);
      ++emitted;
    };
    int first_kind = 0;
    bool has_text_slot = false;
    for (size_t k = 0; k < slots.size(); ++k) {
      if (slots[k] == TLangSlot::Layout) {
        continue;
      }
      if (!has_text_slot) {
        first_kind = KindOf(slots[k]);
        has_text_slot = true;
      }
      if (k + 1 < g.Records.size()) {
        const TLangRecord& r = g.Records[k + 1];
        if (r.Tag != 0 || !r.Data.empty()) {
          add(KindOf(slots[k]), r.Tag, r.Data);
        }
      }
    }
    if (emitted == 0) {
      add(first_kind, 0, {}); // keeps a group without texts in its place
    }
  }
}

// A group being gathered from the PO's entries.
struct PendingGroup {
  std::string path;
  PoGroupInfo info;
  std::optional<TLangRecord> texts[3];
};

bool FinishGroup(PendingGroup& p, std::uint16_t revision, unsigned code_page, TLangFile& file,
                 std::string& error) {
  TLangGroup g;
  TLangRecord path;
  if (!PoTextToBytes(p.path, p.info.path_bytes ? &*p.info.path_bytes : nullptr, code_page,
                     path.Data)) {
    error = CannotHold("the path " + p.path, code_page);
    return false;
  }
  if (p.info.group_tag) {
    path.Tag = *p.info.group_tag;
  } else {
    // A group written without the comments counts its texts, as the
    // program does.
    path.Tag = kTagPath;
    for (const auto& t : p.texts) {
      path.Tag += t && t->Tag != 0 ? 1 : 0;
    }
  }
  const auto& slots = LangGroupSlots(revision, path.Tag);
  g.Records.push_back(std::move(path));
  const size_t limit = p.info.records ? *p.info.records - 1 : slots.size();
  for (size_t k = 0; k < slots.size() && k < limit; ++k) {
    if (slots[k] == TLangSlot::Layout) {
      const std::int32_t layout = p.info.layout.value_or(0);
      const auto& kept = p.info.layout_record;
      g.Records.push_back(kept && LangInteger(kept->Data) == layout
                              ? *kept
                              : TLangRecord{kTagLayout, LangIntegerBytes(layout)});
    } else {
      auto& text = p.texts[KindOf(slots[k])];
      g.Records.push_back(text ? std::move(*text) : TLangRecord{});
    }
  }
  file.Groups.push_back(std::move(g));
  return true;
}

// The record for an entry of the PO's own groups.
bool EntryRecord(TPoEntry& e, const PoGroupInfo& info, int kind, std::uint16_t revision,
                 unsigned code_page, TLangRecord& record, std::string& error) {
  const std::int32_t defaults[3] = {kTagCaption, kTagShowHint | kTagHint, kTagList};
  const std::int32_t tag = info.tag.value_or(defaults[kind]);
  std::string* text = Translated(e) ? &e.Text : &e.Id;
  if (revision >= 1 && tag > 0) {
    if (Translated(e)) {
      record.Tag = tag | kTagTranslated;
    } else if (e.Id.empty() && e.Text.empty() && info.tag) {
      record.Tag = tag; // nothing to translate: an empty translation stays one
    } else {
      record.Tag = tag & ~kTagTranslated;
    }
  } else {
    record.Tag = tag; // texts the program never applies keep their tag
  }
  if (!PoTextToBytes(*text, info.text_bytes ? &*info.text_bytes : nullptr, code_page,
                     record.Data)) {
    error = CannotHold(*e.Context, code_page);
    return false;
  }
  e.Id = std::string(); // converted: its memory is given back
  e.Text = std::string();
  return true;
}

bool EntriesToGroups(std::vector<TPoEntry>& entries, std::uint16_t revision, unsigned code_page,
                     TLangFile& file, std::string& error) {
  std::optional<PendingGroup> pending;
  for (TPoEntry& e : entries) {
    if (e.Obsolete || e.IsHeader()) {
      continue;
    }
    const size_t bar = e.Context ? e.Context->rfind('|') : std::string::npos;
    const int kind = bar == std::string::npos ? -1 : KindIndex(e.Context->substr(bar + 1));
    if (kind < 0) {
      error = "the entry \"" + e.Id + "\" has no context of the form path|caption, |hint or |items";
      return false;
    }
    std::string path = e.Context->substr(0, bar);
    PoGroupInfo info = ParseGroupComment(e);
    if (!pending || path != pending->path || info.start || pending->texts[kind]) {
      if (pending && !FinishGroup(*pending, revision, code_page, file, error)) {
        return false;
      }
      pending = PendingGroup{std::move(path), info, {}};
    }
    TLangRecord record;
    if (!EntryRecord(e, info, kind, revision, code_page, record, error)) {
      return false;
    }
    pending->texts[kind] = std::move(record);
  }
  return !pending || FinishGroup(*pending, revision, code_page, file, error);
}

bool TemplateToGroups(const TLangFile& templ, const std::vector<TPoEntry>& entries,
                      std::uint16_t revision, unsigned code_page, TLangFile& file,
                      std::string& error) {
  const std::uint16_t template_revision = templ.Revision();
  if ((template_revision == 0) != (revision == 0)) {
    error = "the template is of revision " + std::to_string(template_revision) +
            " and the PO file of revision " + std::to_string(revision) +
            ": both must be 0, or both 1 to 4";
    return false;
  }
  const unsigned template_code_page = LangCodePage(templ);
  std::map<std::string, const TPoEntry*> by_context;
  for (const TPoEntry& e : entries) {
    if (!e.Obsolete && e.Context) {
      by_context.emplace(*e.Context, &e);
    }
  }
  for (const TLangGroup& tg : templ.Groups) {
    const TLangRecord& template_path = tg.Records[0];
    const std::string path = platform::CodePageToUtf8Lossy(template_path.Data, template_code_page);
    TLangGroup g;
    TLangRecord out_path{template_path.Tag, {}};
    if (!Recode(template_path.Data, template_code_page, code_page, out_path.Data)) {
      error = CannotHold("the path " + path, code_page);
      return false;
    }
    g.Records.push_back(std::move(out_path));
    const auto& template_slots = LangGroupSlots(template_revision, template_path.Tag);
    auto template_record = [&](TLangSlot slot) -> TLangRecord {
      for (size_t k = 0; k < template_slots.size() && k + 1 < tg.Records.size(); ++k) {
        if (template_slots[k] == slot) {
          return tg.Records[k + 1];
        }
      }
      return slot == TLangSlot::Layout ? TLangRecord{kTagLayout, LangIntegerBytes(0)}
                                       : TLangRecord{};
    };
    for (const TLangSlot slot : LangGroupSlots(revision, template_path.Tag)) {
      TLangRecord t = template_record(slot);
      if (slot == TLangSlot::Layout || t.Tag == 0) {
        g.Records.push_back(std::move(t));
        continue;
      }
      const std::string context = path + "|" + kKinds[KindOf(slot)];
      const auto it = by_context.find(context);
      TLangRecord r;
      if (it != by_context.end() && Translated(*it->second)) {
        const std::int32_t recorded = ParseGroupComment(*it->second).tag.value_or(t.Tag);
        r.Tag = revision == 0 ? t.Tag
                              : (t.Tag & ~(kTagShowHint | kTagTranslated)) |
                                    (recorded & kTagShowHint) | kTagTranslated;
        if (!PoTextToBytes(it->second->Text, nullptr, code_page, r.Data)) {
          error = CannotHold(context, code_page);
          return false;
        }
      } else {
        r.Tag = revision == 0 || t.Tag < 0 ? t.Tag : t.Tag & ~kTagTranslated;
        if (!Recode(t.Data, template_code_page, code_page, r.Data)) {
          error = CannotHold("template text " + context, code_page);
          return false;
        }
      }
      g.Records.push_back(std::move(r));
    }
    file.Groups.push_back(std::move(g));
  }
  return true;
}

std::string RefusalOf(TLangFileStatus status) {
  return LangFileStatusText(status);
}

} // namespace

bool ReadLanguageRecords(const WideString& file_name, TLangRecords& records, std::string& error) {
  records.clear();
  TLangFile file;
  std::string message;
  if (ReadLanguageFile(file_name, file, &message) != TLangFileStatus::Read) {
    error = WideToUtf8(file_name) + ": " + message;
    return false;
  }
  records = LanguageFileRecords(file);
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

namespace {

bool FileToEntries(const TLangFile& file, const TLangFile* english, const EntrySink& sink,
                   std::string& error) {
  if (file.Header.size() < static_cast<size_t>(kLangMinimumRecords)) {
    error = RefusalOf(TLangFileStatus::TooFewRecords);
    return false;
  }
  if (file.Revision() > kLangNewestRevision) {
    error = RefusalOf(TLangFileStatus::UnsupportedRevision);
    return false;
  }
  TPoEntry head;
  head.TranslatorComments = {
      "Vandrel language file. Translate each msgstr; an empty msgstr keeps the English.",
      "The X-Vandrel- fields are the file's header: change Title, Heading, Detail,",
      "FontName and Charset (a Windows character-set number) to suit the language."};
  head.Text = LanguageHeaderToPo(file);
  sink(std::move(head), false);
  if (english != nullptr) {
    const auto texts = EnglishByContext(*english);
    GroupEntries(file, &texts, sink);
  } else {
    GroupEntries(file, nullptr, sink);
  }
  return true;
}

} // namespace

bool LanguageFileToPo(const TLangFile& file, const TLangFile* english,
                      std::vector<TPoEntry>& entries, std::string& error) {
  entries.clear();
  return FileToEntries(
      file, english,
      [&entries](TPoEntry&& e, bool text_is_id) {
        if (text_is_id) {
          e.Text = e.Id;
        }
        entries.push_back(std::move(e));
      },
      error);
}

bool WriteLanguageFilePo(const TLangFile& file, const TLangFile* english, std::ostream& out,
                         std::string& error) {
  bool first = true;
  return FileToEntries(
      file, english,
      [&](TPoEntry&& e, bool text_is_id) {
        if (!first) {
          out << '\n';
        }
        first = false;
        WritePoEntry(out, e, text_is_id ? e.Id : e.Text);
      },
      error);
}

bool PoToLanguageFile(std::vector<TPoEntry> entries, const TLangFile* templ, TLangFile& file,
                      std::string& error) {
  file = TLangFile();
  TPoEntry* head = nullptr;
  for (TPoEntry& e : entries) {
    if (e.IsHeader() && !e.Obsolete) {
      head = &e;
      break;
    }
  }
  if (head == nullptr) {
    error = "the PO file has no header entry (msgid \"\")";
    return false;
  }
  if (!PoToLanguageHeader(head->Text, templ, file.Header, error)) {
    return false;
  }
  head->Text = std::string(); // read: a large flag need not stay twice
  const std::uint16_t revision = file.Revision();
  const unsigned code_page = LangCodePage(file);
  return templ != nullptr ? TemplateToGroups(*templ, entries, revision, code_page, file, error)
                          : EntriesToGroups(entries, revision, code_page, file, error);
}

bool LanguageFileToPo(const TLangRecords& records, const TLangRecords* english, std::string& po,
                      std::string& error) {
  TLangFile file, templ;
  const TLangFileStatus status = DecodeLanguageFile(records, file);
  if (status != TLangFileStatus::Read) {
    error = RefusalOf(status);
    return false;
  }
  if (english != nullptr) {
    const TLangFileStatus template_status = DecodeLanguageFile(*english, templ);
    if (template_status != TLangFileStatus::Read) {
      error = "template: " + RefusalOf(template_status);
      return false;
    }
  }
  std::vector<TPoEntry> entries;
  if (!LanguageFileToPo(file, english ? &templ : nullptr, entries, error)) {
    return false;
  }
  po = FormatPo(entries);
  return true;
}

bool PoToLanguageFile(const std::string& po, const TLangRecords* templ, TLangRecords& records,
                      std::string& error) {
  std::vector<TPoEntry> entries;
  if (!ParsePo(po, entries, error)) {
    return false;
  }
  TLangFile template_file, file;
  if (templ != nullptr) {
    const TLangFileStatus status = DecodeLanguageFile(*templ, template_file);
    if (status != TLangFileStatus::Read) {
      error = "template: " + RefusalOf(status);
      return false;
    }
  }
  if (!PoToLanguageFile(std::move(entries), templ ? &template_file : nullptr, file, error)) {
    return false;
  }
  records = LanguageFileRecords(file);
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
        ParsePoNumber("0x" + *v, lang_id);
      }
      if (const auto v = PoHeaderField(e.Text, "X-Vandrel-Variant")) {
        ParsePoNumber(*v, variant);
      }
      return static_cast<std::uint32_t>((variant & 0xFFFF) << 16 | (lang_id & 0xFFFF));
    }
  }
  return 0;
}

} // namespace vandrel
