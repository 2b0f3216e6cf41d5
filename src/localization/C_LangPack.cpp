#include "localization/C_LangPack.h"

#include <cstdio>

#include "engine/U_UnicodeUtils.h"
#include "platform/CodePages.h"
#include "shell/U_MsgDlg.h"

namespace vandrel {

namespace {

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
  // The whole file is read and checked before anything is applied, so a
  // damaged file changes no component.
  TLangFile file;
  const TLangFileStatus status = ReadLanguageFile(file_name, file);
  if (status != TLangFileStatus::Read && status != TLangFileStatus::InvalidFlag &&
      status != TLangFileStatus::UnsupportedRevision) {
    return false;
  }
  LangId = file.LangId();
  Revision = file.Revision();
  std::uint8_t charset = 1;
  if (Revision >= 1 && Revision <= kLangNewestRevision) {
    ProgramVersion = file.Integer(TLangField::ProgramVersion);
    if (Revision >= 2) {
      ExtraByte = static_cast<std::uint8_t>(file.Integer(TLangField::ExtraByte));
    }
    charset = static_cast<std::uint8_t>(file.Integer(TLangField::Charset));
    MinFontSize = Revision == 4 ? file.Integer(TLangField::MinFontSize) : 9;
  }
  // Header texts are in the file's code page, named only further on.
  Charset = charset;
  Title = Decode(file.Text(TLangField::Title));
  Heading = Decode(file.Text(TLangField::Heading));
  Detail = Decode(file.Text(TLangField::Detail));
  Notes = SplitLines(Decode(file.Text(TLangField::Notes)));
  Flag.LoadFromBytes(file.Text(TLangField::Flag));
  if (Revision == 0) {
    ApplyRevision0(file);
    return true;
  }
  if (status == TLangFileStatus::UnsupportedRevision) {
    throw ELanguageFileError(LangFileStatusText(status));
  }
  if (Revision >= 2) {
    ExtraText1 = Decode(file.Text(TLangField::ExtraText1));
    ExtraText2 = Decode(file.Text(TLangField::ExtraText2));
  }
  ImeName = Decode(file.Text(TLangField::ImeName));
  FontName = Decode(file.Text(TLangField::FontName));

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
  ApplyGroups(file, list);
  if (TComponent* app = TopOwner(Root)) {
    for (const char* property : {"HintFont", "IconTitleFont", "MenuFont"}) {
      SetFontCharset(app, property, Charset);
    }
  }
  return true;
}

namespace {

TComponent* FindPath(const TComponentList& list, const AnsiString& path) {
  for (const TComponentEntry& entry : list) {
    if (SameName(entry.path, path)) {
      return entry.component;
    }
  }
  return nullptr;
}

} // namespace

void TLanguageRecord::ApplyGroups(const TLangFile& file, const TComponentList& list) {
  static const TLangRecord kNone;
  for (const TLangGroup& group : file.Groups) {
    TComponent* c = FindPath(list, Decode(group.Records[0].Data));
    if (c == nullptr) {
      continue;
    }
    const std::optional<int> item_index = c->GetInt("ItemIndex");
    const auto& slots = LangGroupSlots(Revision, group.Records[0].Tag);
    for (size_t k = 0; k < slots.size(); ++k) {
      // The last group of a file may stop short: what is missing is empty.
      const TLangRecord& record = k + 1 < group.Records.size() ? group.Records[k + 1] : kNone;
      switch (slots[k]) {
      case TLangSlot::Layout: {
        const std::int32_t code = LangInteger(record.Data);
        if (code == 1 || code == 2) {
          if (c->HasProperty("alignment")) {
            c->SetProp("alignment", code == 1 ? 1 : 0);
          }
          if (c->HasProperty("Layout")) {
            c->SetProp("Layout", code == 1 ? 0 : 1);
          }
        }
        break;
      }
      case TLangSlot::Caption:
        if (Translated(record.Tag)) {
          SetMainText(c, Decode(record.Data));
        }
        break;
      case TLangSlot::Hint:
        if (Translated(record.Tag) && c->HasProperty("Hint")) {
          c->SetProp("Hint", Decode(record.Data));
          if (c->HasProperty("ShowHint")) {
            c->SetProp("ShowHint", (record.Tag & kTagShowHint) != 0);
          }
        }
        break;
      case TLangSlot::List:
        if (Translated(record.Tag)) {
          ReplaceListEntries(c, SplitLines(Decode(record.Data)));
        }
        break;
      }
    }
    if (item_index) {
      c->SetProp("ItemIndex", *item_index);
    }
  }
}

void TLanguageRecord::ApplyRevision0(const TLangFile& file) {
  static const TLangRecord kNone;
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
  // Revision 0 has no translated flag: every text that is not empty applies.
  for (const TLangGroup& group : file.Groups) {
    TComponent* c = FindPath(list, Decode(group.Records[0].Data));
    if (c == nullptr) {
      continue;
    }
    const auto& slots = LangGroupSlots(0, group.Records[0].Tag);
    for (size_t k = 0; k < slots.size(); ++k) {
      const TLangRecord& record = k + 1 < group.Records.size() ? group.Records[k + 1] : kNone;
      const AnsiString text = Decode(record.Data);
      if (text.empty()) {
        continue;
      }
      if (slots[k] == TLangSlot::Caption) {
        SetMainText(c, text);
      } else if (slots[k] == TLangSlot::Hint && c->HasProperty("Hint")) {
        c->SetProp("Hint", text);
      } else if (slots[k] == TLangSlot::List) {
        ReplaceListEntries(c, SplitLines(text));
      }
    }
  }
}

std::optional<TLangGroup> TLanguageRecord::ComponentGroup(const TComponentEntry& entry) const {
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
    return std::nullopt;
  }
  TLangGroup group;
  group.Records.push_back({kTagPath + n, Encode(entry.path)});
  for (const TLangSlot slot : LangGroupSlots(WriteRevision, kTagPath + n)) {
    switch (slot) {
    case TLangSlot::Layout:
      group.Records.push_back({kTagLayout, LangIntegerBytes(0)});
      break;
    case TLangSlot::Caption:
      if (has_caption || has_text) {
        group.Records.push_back({kTagCaption, Encode(has_caption ? *caption : *text)});
      } else {
        group.Records.push_back({});
      }
      break;
    case TLangSlot::Hint:
      if (has_hint) {
        const int show = show_hint ? int{*show_hint} : 1;
        group.Records.push_back({show * kTagShowHint + kTagHint, Encode(*hint)});
      } else {
        group.Records.push_back({});
      }
      break;
    case TLangSlot::List:
      if (has_items || has_lines) {
        group.Records.push_back({kTagList, Encode(JoinLines(has_items ? *items : *lines))});
      } else {
        group.Records.push_back({});
      }
      break;
    }
  }
  return group;
}

bool TLanguageRecord::WriteFile(const WideString& file_name) {
  TLangHeaderValues header;
  header.Revision = WriteRevision;
  header.LangId = LangId;
  header.Title = Encode(Title);
  header.Heading = Encode(Heading);
  header.Detail = Encode(Detail);
  header.Notes = Encode(JoinLines(Notes));
  header.Flag = Flag.Bytes();
  header.ProgramVersion = ProgramVersion;
  header.ExtraByte = ExtraByte;
  header.ExtraText1 = Encode(ExtraText1);
  header.ExtraText2 = Encode(ExtraText2);
  header.ImeName = Encode(ImeName);
  header.FontName = Encode(FontName);
  header.Charset = Charset;
  header.MinFontSize = MinFontSize;
  TLangFile file;
  file.Header = MakeLanguageHeader(header);

  TComponentList list;
  static const TStrings kNoExclusions;
  CollectComponents("", list, Excluded ? *Excluded : kNoExclusions, Root);
  for (size_t p = 0; p < list.size(); ++p) {
    try {
      if (auto group = ComponentGroup(list[p])) {
        file.Groups.push_back(std::move(*group));
      }
    } catch (const std::exception& error) {
      if (OnComponentError) {
        char number[24];
        std::snprintf(number, sizeof number, "%zu", p);
        OnComponentError(AnsiString("Exception ") + error.what() + " - component No " + number);
      }
    }
  }
  return WriteLanguageFile(file_name, file);
}

} // namespace vandrel
