#include "localization/C_LangList.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/U_UnicodeUtils.h"
#include "localization/Lang_Storageobj.h"
#include "platform/CodePages.h"
#include "platform/FileAttributes.h"
#include "platform/Registry.h"
#include "platform/Session.h"
#include "platform/SystemInfo.h"
#include "shell/C_VersionInfo.h"

namespace vandrel {

namespace {

constexpr std::uint16_t kLanguageIds[] = {
    0x0400, 0x0436, 0x041C, 0x0401, 0x0801, 0x0C01, 0x1001, 0x1401, 0x1801, 0x1C01, 0x2001, 0x2401,
    0x2801, 0x2C01, 0x3001, 0x3401, 0x3801, 0x3C01, 0x4001, 0x042B, 0x044D, 0x042C, 0x082C, 0x042D,
    0x0423, 0x0445, 0x0402, 0x0455, 0x0403, 0x0404, 0x0804, 0x0C04, 0x1004, 0x1404, 0x041A, 0x0405,
    0x0406, 0x0413, 0x0813, 0x0409, 0x0809, 0x0C09, 0x1009, 0x1409, 0x1809, 0x1C09, 0x2009, 0x2409,
    0x2809, 0x2C09, 0x3009, 0x3409, 0x0425, 0x0438, 0x0429, 0x040B, 0x040C, 0x080C, 0x0C0C, 0x100C,
    0x140C, 0x180C, 0x0456, 0x0437, 0x0407, 0x0807, 0x0C07, 0x1007, 0x1407, 0x0408, 0x0447, 0x040D,
    0x0439, 0x040E, 0x040F, 0x0421, 0x0410, 0x0810, 0x0411, 0x044B, 0x0860, 0x043F, 0x0457, 0x0412,
    0x0812, 0x0426, 0x0427, 0x0827, 0x042F, 0x043E, 0x083E, 0x044C, 0x0458, 0x044E, 0x0861, 0x0414,
    0x0814, 0x0448, 0x0415, 0x0416, 0x0816, 0x0446, 0x0418, 0x0419, 0x044F, 0x0C1A, 0x081A, 0x0459,
    0x041B, 0x0424, 0x040A, 0x080A, 0x0C0A, 0x100A, 0x140A, 0x180A, 0x1C0A, 0x200A, 0x240A, 0x280A,
    0x2C0A, 0x300A, 0x340A, 0x380A, 0x3C0A, 0x400A, 0x440A, 0x480A, 0x4C0A, 0x500A, 0x0430, 0x0441,
    0x041D, 0x081D, 0x0449, 0x0444, 0x044A, 0x041E, 0x041F, 0x0422, 0x0420, 0x0820, 0x0443, 0x0843,
    0x042A};
static_assert(std::size(kLanguageIds) == 145);

AnsiString Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

bool LessIgnoringCase(const AnsiString& a, const AnsiString& b) {
  return LessTextAscii(a, b);
}

TComponent* TopOwner(TComponent* c) {
  while (c != nullptr && c->Owner() != nullptr) {
    c = c->Owner();
  }
  return c;
}

TComponent* MainWindowOf(TComponent* root) {
  TComponent* top = TopOwner(root);
  if (top == nullptr || top->IsWindow()) {
    return top;
  }
  for (TComponent* c : top->Components()) {
    if (c->IsWindow()) {
      return c;
    }
  }
  return nullptr;
}

} // namespace

const std::vector<std::uint16_t>& LanguageTable() {
  static const std::vector<std::uint16_t> table(std::begin(kLanguageIds), std::end(kLanguageIds));
  return table;
}

AnsiString VersionText(std::uint32_t V) {
  return std::to_string(V >> 24) + "." + std::to_string((V >> 16) & 0xFF) + "." +
         std::to_string((V >> 10) & 0x3F) + "." + std::to_string(V & 0x3FF);
}

TLangList::TLangList(TComponent* owner, AnsiString name)
    : TComponent(owner, std::move(name)), root_(owner) {
  const WideString exe = platform::RunningModuleFileName();
  if (!exe.empty()) {
    exe_folder_ = WIncludeTrailingBackslash(WExtractFileDir(exe));
  }
  Publish(
      "ExcludedComps", PropertyKind::Strings, [this] { return PropertyValue(excluded_); },
      [this](const PropertyValue& v) { SetExcludedComps(std::get<TStrings>(v)); });
  Publish(
      "LanguageIndex", PropertyKind::Integer, [this] { return PropertyValue(language_index_); },
      [this](const PropertyValue& v) { SetLanguageIndex(std::get<int>(v)); });
  Publish(
      "CplCompatibility", PropertyKind::Boolean, [this] { return PropertyValue(CplCompatibility); },
      [this](const PropertyValue& v) { CplCompatibility = std::get<bool>(v); });
  Publish(
      "FilePrefix", PropertyKind::Text, [this] { return PropertyValue(FilePrefix); },
      [this](const PropertyValue& v) { FilePrefix = std::get<AnsiString>(v); });
  Publish(
      "SubDir", PropertyKind::Text, [this] { return PropertyValue(SubDir); },
      [this](const PropertyValue& v) { SubDir = std::get<AnsiString>(v); });
  Publish(
      "RegKey", PropertyKind::Text, [this] { return PropertyValue(RegKey); },
      [this](const PropertyValue& v) { RegKey = std::get<AnsiString>(v); });
  Publish(
      "Autoload", PropertyKind::Boolean, [this] { return PropertyValue(Autoload); },
      [this](const PropertyValue& v) { Autoload = std::get<bool>(v); });
}

TLangList::~TLangList() = default;

void TLangList::SetExcludedComps(const TStrings& names) {
  TStrings sorted = names;
  std::stable_sort(sorted.begin(), sorted.end(), LessIgnoringCase);
  sorted.erase(std::unique(sorted.begin(), sorted.end(),
                           [](const AnsiString& a, const AnsiString& b) { return SameName(a, b); }),
               sorted.end());
  excluded_ = std::move(sorted);
}

void TLangList::SetExeFolder(const WideString& folder) {
  exe_folder_ = WIncludeTrailingBackslash(folder);
}

void TLangList::Loaded() {
  root_ = CplCompatibility ? Owner() : TopOwner(this);
  template_ = std::make_unique<TLanguageRecord>(4, root_, &excluded_);
  current_ = std::make_unique<TLanguageRecord>(4, root_, &excluded_);
  if (activation_hook_ == nullptr) {
    activation_hook_ = new TApplicationEvents(this);
    activation_hook_->OnActivate = [this] { FirstActivation(); };
  }
}

WideString TLangList::LanguageFolder() const {
  const WideString sub = Utf8ToWide(SubDir);
  const WideString direct = exe_folder_ + sub;
  if (!exe_folder_.empty() && WDirectoryExists(WExcludeTrailingBackslash(direct))) {
    return WIncludeTrailingBackslash(direct);
  }
  const WideString system = exe_folder_ + W("system") + platform::PathSeparator() + sub;
  if (!exe_folder_.empty() && WDirectoryExists(WExcludeTrailingBackslash(system))) {
    return WIncludeTrailingBackslash(system);
  }
  if (!exe_folder_.empty() && WDirectoryExists(WExcludeTrailingBackslash(exe_folder_))) {
    return exe_folder_;
  }
  std::error_code error;
  const WideString cwd = Utf8ToWide(std::filesystem::current_path(error).string());
  return WIncludeTrailingBackslash(WIncludeTrailingBackslash(cwd) + sub);
}

WideString TLangList::FileNameOf(std::uint32_t code) const {
  return LanguageFolder() + Utf8ToWide(FilePrefix + Hex(code, 8) + ".SPK");
}

bool TLangList::ScanLanguages() {
  languages_.clear();
  bool any = false;
  const WideString folder = LanguageFolder();
  for (const std::uint16_t id : kLanguageIds) {
    for (std::uint32_t variant = 0; variant <= 0xFFFF; ++variant) {
      const std::uint32_t code = (variant << 16) + id;
      const WideString name = folder + Utf8ToWide(FilePrefix + Hex(code, 8) + ".SPK");
      if (!WFileExists(name)) {
        break;
      }
      TStorefile file;
      file.SetSignature(kLanguageFileSignature);
      file.SetFilename(name);
      file.SetReadOnly(true);
      file.Open();
      if (!file.IsOpen()) {
        continue;
      }
      any = true;
      // Read by position, as the codec lays the header out.
      std::string head_bytes;
      file.ReadString(head_bytes, true);
      const auto head = static_cast<std::uint32_t>(LangInteger(head_bytes));
      std::string title, heading, detail;
      file.ReadString(title, true);
      file.ReadString(heading, true);
      file.ReadString(detail, true);
      const auto revision = static_cast<std::uint16_t>(head >> 16);
      std::uint8_t charset = 1;
      AnsiString display;
      // Above the newest revision only the program version keeps its place.
      const std::uint16_t layout = std::min(revision, kLangNewestRevision);
      auto read_integer = [&file, layout](TLangField field) {
        const int index = LangFieldIndex(layout, field);
        file.GoToRecord(index);
        std::string bytes;
        if (file.RecordIndex() == index) {
          file.ReadString(bytes, false);
        }
        return LangInteger(bytes);
      };
      if (head >= 0x10000) {
        const std::int32_t version = read_integer(TLangField::ProgramVersion);
        // The names are in the file's code page, named further on.
        if (revision <= kLangNewestRevision) {
          charset = static_cast<std::uint8_t>(read_integer(TLangField::Charset));
        }
        const unsigned page = platform::CodePageOfCharset(charset);
        display = platform::CodePageToUtf8Lossy(title, page) + " [" +
                  VersionText(static_cast<std::uint32_t>(version)) + "] - " +
                  platform::CodePageToUtf8Lossy(detail, page);
      } else {
        const unsigned page = platform::CodePageOfCharset(charset);
        display = platform::CodePageToUtf8Lossy(title, page) + " - " +
                  platform::CodePageToUtf8Lossy(detail, page);
      }
      languages_.push_back({display, code});
    }
  }
  return any;
}

std::uint32_t TLangList::LanguageCode(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(languages_.size())) {
    return 0;
  }
  return languages_[static_cast<size_t>(Index)].Code;
}

void TLangList::DoBeforeLanguageSwitch(std::uint32_t OldCode, std::uint32_t NewCode,
                                       bool& CanChange) {
  if (BeforeLanguageSwitch) {
    BeforeLanguageSwitch(this, OldCode, NewCode, CanChange);
  }
}

void TLangList::DoAfterLanguageSwitch() {
  if (AfterLanguageSwitch) {
    AfterLanguageSwitch(this);
  }
}

void TLangList::SetLanguageIndex(int index) {
  if (index < 0 || index >= static_cast<int>(languages_.size())) {
    return;
  }
  bool can_change = true;
  DoBeforeLanguageSwitch(LanguageCode(language_index_), LanguageCode(index), can_change);
  if (!can_change) {
    return;
  }
  language_index_ = index;
  if (Autoload) {
    SaveLanguage();
  }
  language_loaded_ = false;
  if (current_ == nullptr) {
    current_ = std::make_unique<TLanguageRecord>(4, root_, &excluded_);
  }
  language_loaded_ = current_->ApplyFile(FileNameOf(LanguageCode(index)));
  if (language_loaded_) {
    DoAfterLanguageSwitch();
  }
}

bool TLangList::SwitchToFirst(const std::function<bool(std::uint32_t)>& matches) {
  for (size_t i = 0; i < languages_.size(); ++i) {
    if (matches(languages_[i].Code)) {
      SetLanguageIndex(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

bool TLangList::SelectByCode(std::uint32_t Code) {
  return SwitchToFirst([Code](std::uint32_t c) { return c == Code; }) ||
         SwitchToFirst([Code](std::uint32_t c) { return (c & 0xFFFF) == (Code & 0xFFFF); }) ||
         SwitchToFirst([Code](std::uint32_t c) { return (c & 0x3FF) == (Code & 0x3FF); });
}

bool TLangList::SelectSystemLanguage() {
  const std::uint32_t L = platform::UserDefaultLangId();
  return SwitchToFirst([L](std::uint32_t c) { return (c & 0xFFFF) == L; }) ||
         SwitchToFirst([L](std::uint32_t c) { return (c & 0x3FF) == (L & 0x3FF); });
}

bool TLangList::RestoreLanguage() {
  if (RegKey.empty()) {
    return false;
  }
  platform::RegistryKey key;
  if (key.Open(platform::RegistryRoot::CurrentUser, RegKey, false, false) ==
          platform::RegistryStatus::Ok &&
      key.HasValue(Name())) {
    std::uint32_t code = 0;
    if (key.ReadDword(Name(), code) != platform::RegistryStatus::Ok) {
      throw Exception("Invalid data type for '" + Name() + "'");
    }
    return SelectByCode(code);
  }
  return SelectSystemLanguage();
}

bool TLangList::SaveLanguage() {
  if (RegKey.empty()) {
    return false;
  }
  platform::RegistryKey key;
  if (key.Open(platform::RegistryRoot::CurrentUser, RegKey, true) == platform::RegistryStatus::Ok &&
      language_index_ >= 0) {
    key.WriteDword(Name(), LanguageCode(language_index_));
  }
  return true;
}

AnsiString TLangList::CurrentTitle() const {
  return language_loaded_ && current_ ? current_->Title : AnsiString();
}

AnsiString TLangList::CurrentHeading() const {
  return language_loaded_ && current_ ? current_->Heading : AnsiString();
}

bool TLangList::LoadFlag(std::uint16_t LangId, TBitmap& Bitmap) {
  TStorefile file;
  file.SetSignature(kLanguageFileSignature);
  const WideString name =
      LanguageFolder() + Utf8ToWide(FilePrefix + "0000" + Hex(LangId, 4) + ".SPK");
  file.SetFilename(name);
  // Opening a missing record file creates it, and an empty file would then
  // be listed as a language: only an existing one is opened.
  if (WFileExists(name)) {
    file.Open();
  }
  const int flag_index = LangFieldIndex(0, TLangField::Flag);
  if (file.IsOpen() && file.RecordCount() >= kLangMinimumRecords) {
    file.GoToRecord(flag_index);
    std::string bytes;
    if (file.RecordIndex() == flag_index) {
      file.ReadString(bytes, false);
      if (!file.Damaged()) {
        // A broken flag in one file must not stop the chooser drawing the
        // others: it shows as no flag.
        try {
          Bitmap.LoadFromBytes(bytes);
          return true;
        } catch (const EInvalidGraphic&) {
        }
      }
    }
  }
  Bitmap.Clear();
  return false;
}

bool TLangList::WriteTemplate() {
  if (template_ == nullptr) {
    template_ = std::make_unique<TLanguageRecord>(4, root_, &excluded_);
  }
  const WideString file = LanguageFolder() + Utf8ToWide(FilePrefix + "ORIGINAL.SPK");
  // The template is written anew: a replaced one keeps the mode it had.
  const int permissions = platform::FilePermissions(file);
  const bool written = template_->WriteFile(file);
  platform::SetFilePermissions(file, permissions);
  return written;
}

bool IsTemplateSwitch(const AnsiString& Argument) {
  // On Linux an absolute path begins with "/": one that names something,
  // or holds a further "/", is a path ("/content/film.vd0"), not "/co".
  if (!Argument.empty() && Argument[0] == '/' &&
      (Argument.find('/', 1) != AnsiString::npos || WFileExists(Utf8ToWide(Argument)) ||
       WDirectoryExists(Utf8ToWide(Argument)))) {
    return false;
  }
  AnsiString argument = Argument;
  std::transform(argument.begin(), argument.end(), argument.begin(), AsciiLower);
  if (const size_t slash = argument.find('/'); slash != AnsiString::npos) {
    argument[slash] = '-';
  }
  return argument.rfind("-co", 0) == 0;
}

void TLangList::FirstActivation() {
  if (activated_) {
    return;
  }
  // Marked first: an error below reaches the general error box, and every
  // later activation (closing that box is one) must not raise it again.
  activated_ = true;
  for (const AnsiString& argument : arguments_) {
    if (IsTemplateSwitch(argument)) {
      platform::Beep(4000, 100);
      ScanLanguages();
      if (template_ == nullptr) {
        template_ = std::make_unique<TLanguageRecord>(4, root_, &excluded_);
      }
      TVersionInfo version;
      version.UseRunningModule();
      template_->ProgramVersion = static_cast<std::int32_t>(version.FileVersionInt());
      template_->ImeName = platform::DefaultInputMethodName();
      if (TComponent* main = MainWindowOf(root_)) {
        if (const auto font = main->GetFont("Font")) {
          template_->FontName = font->Name;
          template_->Charset = font->Charset;
        }
      }
      WriteTemplate();
      break;
    }
  }
  ScanLanguages();
  if (Autoload) {
    RestoreLanguage();
  }
}

} // namespace vandrel
