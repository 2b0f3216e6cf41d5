#include "localization/C_LangPack.h"

#include <cstdio>

#include "engine/U_UnicodeUtils.h"
#include "localization/Lang_Storageobj.h"
#include "platform/CodePages.h"
#include "shell/U_MsgDlg.h"

namespace vandrel {

namespace {

// Language files are small; a larger file is no language file, and reading
// it whole would only cost memory.
constexpr std::int64_t kMaxLanguageFileRecords = 1 << 20;

bool IsExcluded(const TStrings& excluded, const AnsiString& name, const AnsiString& path) {
  for (const AnsiString& e : excluded) {
    if (SameName(e, name) || SameName(e, path)) {
      return true;
    }
  }
  return false;
}

AnsiString Trimmed(const AnsiString& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') {
    ++begin;
  }
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') {
    --end;
  }
  return text.substr(begin, end - begin);
}

std::int32_t IntOf(const std::string& data) {
  std::uint32_t value = 0;
  for (size_t i = 0; i < data.size() && i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

bool Translated(std::int32_t tag) {
  return tag > 0 && (tag & kTagTranslated) != 0;
}

TComponent* TopOwner(TComponent* c) {
  while (c != nullptr && c->Owner() != nullptr) {
    c = c->Owner();
  }
  return c;
}

// The main window: the first window the application object owns, or the
// root itself when it is a window.
TComponent* MainWindow(TComponent* root) {
  TComponent* top = TopOwner(root);
  if (top == nullptr) {
    return nullptr;
  }
  if (top->IsWindow()) {
    return top;
  }
  for (TComponent* c : top->Components()) {
    if (c->IsWindow()) {
      return c;
    }
  }
  return nullptr;
}

void SetFontCharset(TComponent* c, const char* property, std::uint8_t charset) {
  if (auto font = c->GetFont(property)) {
    font->Charset = charset;
    c->SetProp(property, *font);
  }
}

// Replaces entry i by line i below the list's length; the length never
// changes.
void ReplaceListEntries(TComponent* c, const TStrings& lines) {
  const char* property = c->HasProperty("Items") ? "Items" : "Lines";
  auto list = c->GetStrings(property);
  if (!list) {
    return;
  }
  for (size_t i = 0; i < list->size() && i < lines.size(); ++i) {
    (*list)[i] = lines[i];
  }
  c->SetProp(property, *list);
}

void SetMainText(TComponent* c, const AnsiString& text) {
  if (c->HasProperty("Caption")) {
    c->SetProp("Caption", text);
  } else if (c->HasProperty("Text")) {
    c->SetProp("Text", text);
  }
}

} // namespace

void CollectComponents(const AnsiString& prefix, TComponentList& list, const TStrings& excluded,
                       TComponent* component) {
  if (component == nullptr) {
    return;
  }
  const AnsiString& name = component->Name();
  if (!name.empty() && !IsExcluded(excluded, name, prefix + name)) {
    list.push_back({prefix + name, component});
  }
  for (TComponent* owned : component->Components()) {
    CollectComponents(name.empty() ? AnsiString() : prefix + name + ".", list, excluded, owned);
  }
}

TStrings SplitLines(const std::string& text) {
  TStrings lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
      start = i + 1;
    }
    ++i;
  }
  if (start < text.size()) {
    lines.push_back(text.substr(start));
  }
  return lines;
}

std::string JoinLines(const TStrings& lines) {
  std::string text;
  for (const AnsiString& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

TLanguageRecord::TLanguageRecord(std::uint16_t write_revision, TComponent* root,
                                 const TStrings* excluded)
    : WriteRevision(write_revision), Root(root), Excluded(excluded),
      OnComponentError([](const AnsiString& message) { ShowMessage(message); }) {}

AnsiString TLanguageRecord::Decode(const std::string& bytes) const {
  return platform::CodePageToUtf8Lossy(bytes, platform::CodePageOfCharset(Charset));
}

std::string TLanguageRecord::Encode(const AnsiString& text) const {
  return platform::Utf8ToCodePageLossy(text, platform::CodePageOfCharset(Charset));
}

bool TLanguageRecord::ApplyFile(const WideString& file_name) {
  if (!WFileExists(file_name)) {
    return false;
  }
  // The whole file is read and checked before anything is applied, so a
  // damaged file changes no component.
  Records records;
  {
    TStorefile file;
    file.SetSignature(kLanguageFileSignature);
    file.SetFilename(file_name);
    file.SetReadOnly(true);
    file.Open();
    if (file.RecordCount() < 6) {
      return false;
    }
    while (!file.AtEnd()) {
      if (static_cast<std::int64_t>(records.size()) >= kMaxLanguageFileRecords) {
        return false;
      }
      FileRecord record;
      record.tag = file.ReadString(record.data, true);
      if (file.Damaged()) {
        return false;
      }
      records.push_back(std::move(record));
    }
  }
  if (records.size() < 6) {
    return false; // the header promised more than the file holds
  }
  auto at = [&records](size_t i) -> const FileRecord& {
    static const FileRecord kNone;
    return i < records.size() ? records[i] : kNone;
  };

  const std::string& first = records[0].data;
  const std::uint32_t head = static_cast<std::uint32_t>(IntOf(first));
  if (first.size() >= 4) {
    LangId = static_cast<std::uint16_t>(head & 0xFFFF);
    Revision = static_cast<std::uint16_t>(head >> 16);
  } else {
    LangId = static_cast<std::uint16_t>(head);
    Revision = 0;
  }
  size_t next = 6;
  std::uint8_t charset = 1;
  if (Revision >= 1 && Revision <= 4) {
    ProgramVersion = IntOf(at(next++).data);
    if (Revision >= 2) {
      ExtraByte = static_cast<std::uint8_t>(IntOf(at(next++).data));
      ExtraText1 = at(next++).data;
      ExtraText2 = at(next++).data;
    }
    ImeName = at(next++).data;
    FontName = at(next++).data;
    charset = static_cast<std::uint8_t>(IntOf(at(next++).data));
    MinFontSize = Revision == 4 ? IntOf(at(next++).data) : 9;
  }
  // Header texts are in the file's code page, named only further on.
  Charset = charset;
  Title = Decode(records[1].data);
  Heading = Decode(records[2].data);
  Detail = Decode(records[3].data);
  Notes = SplitLines(Decode(records[4].data));
  Flag.LoadFromBytes(records[5].data);
  if (Revision == 0) {
    ApplyRevision0(records);
    return true;
  }
  if (Revision > 4) {
    throw ELanguageFileError("Format not supported in this revision");
  }
  ExtraText1 = Decode(ExtraText1);
  ExtraText2 = Decode(ExtraText2);
  ImeName = Decode(ImeName);
  FontName = Decode(FontName);

  TComponentList list;
  static const TStrings kNoExclusions;
  CollectComponents("", list, Excluded ? *Excluded : kNoExclusions, Root);
  TComponent* main_window = MainWindow(Root);
  const AnsiString main_face =
      main_window ? main_window->GetFont("Font").value_or(TFont{}).Name : AnsiString();
  for (const TComponentEntry& entry : list) {
    auto font = entry.component->GetFont("Font");
    if (!font) {
      continue;
    }
    // An empty face in the file would blank every font: keep the face then.
    if (font->Name == main_face && !FontName.empty()) {
      font->Name = FontName;
    }
    font->Charset = Charset;
    if (Revision == 4 && font->Size < MinFontSize) {
      font->Size = MinFontSize;
    }
    entry.component->SetProp("Font", *font);
  }
  ApplyGroups(records, next, list);
  if (TComponent* app = TopOwner(Root)) {
    for (const char* property : {"HintFont", "IconTitleFont", "MenuFont"}) {
      SetFontCharset(app, property, Charset);
    }
  }
  return true;
}

void TLanguageRecord::ApplyGroups(const Records& records, size_t first,
                                  const TComponentList& list) {
  static const FileRecord kNone;
  auto at = [&records](size_t i) -> const FileRecord& {
    return i < records.size() ? records[i] : kNone;
  };
  const bool has_layout = Revision >= 3;
  size_t i = first;
  while (i < records.size()) {
    const AnsiString path = Decode(records[i++].data);
    TComponent* c = nullptr;
    for (const TComponentEntry& entry : list) {
      if (SameName(entry.path, path)) {
        c = entry.component;
        break;
      }
    }
    if (c == nullptr) {
      i += has_layout ? 4 : 3;
      continue;
    }
    const std::optional<int> item_index = c->GetInt("ItemIndex");
    if (has_layout) {
      const std::int32_t code = IntOf(at(i++).data);
      if (code == 1 || code == 2) {
        if (c->HasProperty("alignment")) {
          c->SetProp("alignment", code == 1 ? 1 : 0);
        }
        if (c->HasProperty("Layout")) {
          c->SetProp("Layout", code == 1 ? 0 : 1);
        }
      }
    }
    const FileRecord& caption = at(i++);
    if (Translated(caption.tag)) {
      SetMainText(c, Decode(caption.data));
    }
    const FileRecord& hint = at(i++);
    if (Translated(hint.tag) && c->HasProperty("Hint")) {
      c->SetProp("Hint", Decode(hint.data));
      if (c->HasProperty("ShowHint")) {
        c->SetProp("ShowHint", (hint.tag & kTagShowHint) != 0);
      }
    }
    const FileRecord& items = at(i++);
    if (Translated(items.tag)) {
      ReplaceListEntries(c, SplitLines(Decode(items.data)));
    }
    if (item_index) {
      c->SetProp("ItemIndex", *item_index);
    }
  }
}

void TLanguageRecord::ApplyRevision0(const Records& records) {
  Charset = 1;
  TComponentList list;
  if (Root != nullptr) {
    for (TComponent* c : Root->Components()) {
      SetFontCharset(c, "Font", 1);
      if (!c->IsWindow()) {
        continue;
      }
      list.push_back({c->Name(), c});
      for (TComponent* control : c->Components()) {
        list.push_back({c->Name() + "." + control->Name(), control});
        SetFontCharset(control, "Font", 1);
      }
    }
  }
  size_t i = 6;
  auto take = [&records, &i]() -> std::string {
    return i < records.size() ? records[i++].data : (++i, std::string());
  };
  while (i < records.size()) {
    const AnsiString path = Decode(records[i].data);
    const std::int32_t kind = records[i].tag;
    ++i;
    TComponent* c = nullptr;
    for (const TComponentEntry& entry : list) {
      if (SameName(entry.path, path)) {
        c = entry.component;
        break;
      }
    }
    const int count = (kind >= 6 && kind <= 10) || kind == 13 ? 2
                      : kind == 11                            ? 3
                      : kind == 12                            ? 1
                                                              : 0;
    if (c == nullptr) {
      i += static_cast<size_t>(count);
      continue;
    }
    if (count >= 2) {
      const AnsiString text = Decode(take());
      const AnsiString hint = Decode(take());
      if (!text.empty()) {
        SetMainText(c, text);
      }
      if (!hint.empty() && c->HasProperty("Hint")) {
        c->SetProp("Hint", hint);
      }
    }
    if (kind == 11 || kind == 12) {
      const AnsiString lines = Decode(take());
      if (!lines.empty()) {
        ReplaceListEntries(c, SplitLines(lines));
      }
    }
  }
}

void TLanguageRecord::Put(TStorefile& file, std::int32_t tag, const std::string& data) {
  if (file.AppendString(tag, data) == 0) {
    write_failed_ = true;
  }
}

void TLanguageRecord::PutInteger(TStorefile& file, std::int32_t tag, std::int32_t value) {
  if (file.AppendInteger(tag, value) == 0) {
    write_failed_ = true;
  }
}

void TLanguageRecord::WriteComponent(TStorefile& file, const TComponentEntry& entry) {
  TComponent* c = entry.component;
  const auto caption = c->GetText("Caption");
  const auto text = c->GetText("Text");
  const auto hint = c->GetText("Hint");
  const auto show_hint = c->GetBool("ShowHint");
  const auto items = c->GetStrings("Items");
  const auto lines = c->GetStrings("Lines");
  const bool has_caption = caption && !Trimmed(*caption).empty();
  const bool has_text = !has_caption && text && !Trimmed(*text).empty();
  const bool has_hint = hint && !Trimmed(*hint).empty();
  const bool has_items = items && !items->empty();
  const bool has_lines = !has_items && lines && !lines->empty();
  const int n = int{has_caption} + int{has_text} + int{has_hint} + int{has_items} + int{has_lines};
  if (n == 0) {
    return;
  }
  Put(file, kTagPath + n, Encode(entry.path));
  if (WriteRevision >= 3) {
    PutInteger(file, kTagLayout, 0);
  }
  if (has_caption || has_text) {
    Put(file, kTagCaption, Encode(has_caption ? *caption : *text));
  } else {
    Put(file, 0, "");
  }
  if (has_hint) {
    const int show = show_hint ? int{*show_hint} : 1;
    Put(file, show * kTagShowHint + kTagHint, Encode(*hint));
  } else {
    Put(file, 0, "");
  }
  if (has_items || has_lines) {
    Put(file, kTagList, Encode(JoinLines(has_items ? *items : *lines)));
  } else {
    Put(file, 0, "");
  }
}

bool TLanguageRecord::WriteFile(const WideString& file_name) {
  TStorefile file;
  file.SetSignature(kLanguageFileSignature);
  file.SetFilename(file_name);
  file.Erase();
  file.Open();
  if (!file.IsOpen()) {
    return false;
  }
  write_failed_ = false;
  PutInteger(file, 0, static_cast<std::int32_t>((std::uint32_t{WriteRevision} << 16) + LangId));
  Put(file, 1, Encode(Title));
  Put(file, 2, Encode(Heading));
  Put(file, 3, Encode(Detail));
  Put(file, 4, Encode(JoinLines(Notes)));
  Put(file, 5, Flag.Bytes());
  if (WriteRevision >= 1) {
    PutInteger(file, 0x200, ProgramVersion);
    if (WriteRevision >= 2) {
      PutInteger(file, 0x204, ExtraByte);
      Put(file, 0x205, Encode(ExtraText1));
      Put(file, 0x206, Encode(ExtraText2));
    }
    Put(file, 0x201, Encode(ImeName));
    Put(file, 0x202, Encode(FontName));
    PutInteger(file, 0x203, Charset);
    if (WriteRevision >= 4) {
      PutInteger(file, 0x204, MinFontSize);
    }
  }
  TComponentList list;
  static const TStrings kNoExclusions;
  CollectComponents("", list, Excluded ? *Excluded : kNoExclusions, Root);
  for (size_t p = 0; p < list.size(); ++p) {
    try {
      WriteComponent(file, list[p]);
    } catch (const std::exception& error) {
      if (OnComponentError) {
        char number[24];
        std::snprintf(number, sizeof number, "%zu", p);
        OnComponentError(AnsiString("Exception ") + error.what() + " - component No " + number);
      }
    }
  }
  file.Close();
  return !write_failed_;
}

} // namespace vandrel
