#include "shell/Settings.h"

#include <cstdlib>
#include <limits>

#include "engine/U_UnicodeUtils.h"
#include "platform/FileAttributes.h"
#include "platform/IniFile.h"
#include "platform/InstalledPrograms.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "shell/U_Log.h"
#include "update/VendorSites.h"

namespace vandrel {

using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryStatus;
using platform::RegistryType;

namespace {

constexpr const char* kSettingsSection = "Settings";
constexpr const char* kDwordSection = "Settings_DWORD";
constexpr const char* kInstalledPrefix = VANDREL_COMPANY_NAME " " VANDREL_PRODUCT_NAME;

AnsiString Separator() {
  return WideToUtf8(WideString(1, platform::PathSeparator()));
}

AnsiString WithSeparator(const AnsiString& folder) {
  return WideToUtf8(WIncludeTrailingBackslash(Utf8ToWide(folder)));
}

AnsiString WithoutSeparator(AnsiString folder) {
  while (folder.size() > 1 && !folder.empty() &&
         platform::IsPathDelimiter(static_cast<char16_t>(folder.back())) && folder.back() != ':') {
    folder.pop_back();
  }
  return folder;
}

AnsiString ExeFolderOf(const AnsiString& ExePath) {
  return WithSeparator(WideToUtf8(WExtractFileDir(Utf8ToWide(ExePath))));
}

AnsiString CompanyDataFolder() {
  const AnsiString roaming = platform::RoamingAppDataFolder();
  return roaming.empty() ? AnsiString() : WithSeparator(roaming) + VANDREL_COMPANY_NAME;
}

bool StartsWithNoCase(const AnsiString& text, const AnsiString& prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i];
    char b = prefix[i];
    a = (a >= 'A' && a <= 'Z') ? static_cast<char>(a + 32) : a;
    b = (b >= 'A' && b <= 'Z') ? static_cast<char>(b + 32) : b;
    if (a != b) {
      return false;
    }
  }
  return true;
}

bool EqualsNoCase(const AnsiString& a, const AnsiString& b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool EndsWithNoCase(const AnsiString& text, const AnsiString& suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// The ini reader drops blanks and one pair of quotes around a value; quote
// values that would lose something that way, so they come back unchanged.
AnsiString IniValueFor(const AnsiString& text) {
  if (text.empty()) {
    return text;
  }
  const bool blank_edge =
      text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t';
  const bool quoted_edge = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                           text.back() == text.front();
  return blank_edge || quoted_edge ? "\"" + text + "\"" : text;
}

bool IsBurnerProjectFile(const AnsiString& name) {
  // "vandrel_%d.qvb", as the burner hand-off names them.
  const AnsiString prefix = "vandrel_";
  const AnsiString suffix = ".qvb";
  if (name.size() <= prefix.size() + suffix.size() || !StartsWithNoCase(name, prefix) ||
      !EndsWithNoCase(name, suffix)) {
    return false;
  }
  for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') {
      return false;
    }
  }
  return true;
}

} // namespace

AnsiString CompanyKeyPath() {
  return AnsiString("SOFTWARE\\") + VANDREL_COMPANY_NAME;
}
AnsiString ProductKeyPath() {
  return CompanyKeyPath() + "\\" + VANDREL_PRODUCT_NAME;
}

AnsiString ReadProductSetting(const AnsiString& Name) {
  RegistryKey key;
  if (key.Open(RegistryRoot::CurrentUser, ProductKeyPath(), true) != RegistryStatus::Ok) {
    return {};
  }
  AnsiString text;
  // A value of another type reads as empty: "LogMode" as a DWORD leaves
  // debug mode off instead of stopping the start-up.
  return key.ReadString(Name, text) == RegistryStatus::Ok ? text : AnsiString();
}

bool WriteProductPath(const AnsiString& Title, const AnsiString& ExePath) {
  RegistryKey key;
  return key.Open(RegistryRoot::CurrentUser, CompanyKeyPath(), true) == RegistryStatus::Ok &&
         key.WriteString(Title, ExePath) == RegistryStatus::Ok;
}

void DeleteCompanyValue(const AnsiString& Name) {
  RegistryKey key;
  if (key.Open(RegistryRoot::CurrentUser, CompanyKeyPath(), true) == RegistryStatus::Ok) {
    key.DeleteValue(Name);
  }
}

void DeleteProductKey(const AnsiString& Product) {
  platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, CompanyKeyPath() + "\\" + Product);
}

void DeleteCompanyKeyIfEmpty() {
  RegistryKey key;
  if (key.Open(RegistryRoot::CurrentUser, CompanyKeyPath(), false) != RegistryStatus::Ok) {
    return;
  }
  if (key.SubkeyNames().empty() && key.ValueNames().empty()) {
    key.Close();
    platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, CompanyKeyPath());
  }
}

bool ParseIniInteger(const AnsiString& Text, std::int32_t& Value) {
  Value = 0;
  size_t pos = Text.find_first_not_of(" \t");
  if (pos == AnsiString::npos) {
    return false;
  }
  bool negative = false;
  if (Text[pos] == '+' || Text[pos] == '-') {
    negative = Text[pos] == '-';
    ++pos;
  }
  bool hex = false;
  if (pos < Text.size() && Text[pos] == '$') {
    hex = true;
    ++pos;
  } else if (pos + 1 < Text.size() && Text[pos] == '0' &&
             (Text[pos + 1] == 'x' || Text[pos + 1] == 'X')) {
    hex = true;
    pos += 2;
  }
  if (pos >= Text.size()) {
    return false;
  }
  // 64 bits hold every accepted value with room to spot overflow.
  std::uint64_t magnitude = 0;
  for (; pos < Text.size(); ++pos) {
    const char ch = Text[pos];
    int digit = -1;
    if (ch >= '0' && ch <= '9') {
      digit = ch - '0';
    } else if (hex && ch >= 'a' && ch <= 'f') {
      digit = ch - 'a' + 10;
    } else if (hex && ch >= 'A' && ch <= 'F') {
      digit = ch - 'A' + 10;
    }
    if (digit < 0) {
      return false; // text after the number, or no number at all
    }
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) {
      return false;
    }
  }
  std::int64_t number = 0;
  if (hex) {
    // Hexadecimal gives the 32 bits as they are: $FFFFFFFF is -1.
    number = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
  } else {
    number = static_cast<std::int64_t>(magnitude);
    if (number > (negative ? 2147483648LL : 2147483647LL)) {
      return false;
    }
  }
  number = negative ? -number : number;
  if (number < std::numeric_limits<std::int32_t>::min() ||
      number > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  Value = static_cast<std::int32_t>(number);
  return true;
}

bool ImportSettingsFromIni(const AnsiString& Product, const AnsiString& IniPath) {
  RegistryKey key;
  if (key.Open(RegistryRoot::CurrentUser, CompanyKeyPath() + "\\" + Product, true) !=
      RegistryStatus::Ok) {
    return false;
  }
  bool all_written = true;
  for (const AnsiString& name : platform::IniReadEntryNames(IniPath, kSettingsSection)) {
    const AnsiString text = platform::IniReadString(IniPath, kSettingsSection, name, "");
    all_written = key.WriteString(name, text) == RegistryStatus::Ok && all_written;
  }
  for (const AnsiString& name : platform::IniReadEntryNames(IniPath, kDwordSection)) {
    std::int32_t number = 0;
    ParseIniInteger(platform::IniReadString(IniPath, kDwordSection, name, ""), number);
    all_written = key.WriteDword(name, static_cast<std::uint32_t>(number)) == RegistryStatus::Ok &&
                  all_written;
  }
  return all_written;
}

bool ExportSettingsToIni(const AnsiString& Product, const AnsiString& IniPath) {
  RegistryKey key;
  if (key.Open(RegistryRoot::CurrentUser, CompanyKeyPath() + "\\" + Product, true, false) !=
      RegistryStatus::Ok) {
    return false;
  }
  for (const AnsiString& name : key.ValueNames()) {
    RegistryType type{};
    if (key.GetValueType(name, type) != RegistryStatus::Ok) {
      return false;
    }
    if (type == RegistryType::String) {
      AnsiString text;
      if (key.ReadString(name, text) != RegistryStatus::Ok ||
          !platform::IniWriteString(IniPath, kSettingsSection, name, IniValueFor(text))) {
        return false;
      }
    } else if (type == RegistryType::Dword) {
      std::uint32_t number = 0;
      if (key.ReadDword(name, number) != RegistryStatus::Ok ||
          !platform::IniWriteString(IniPath, kDwordSection, name,
                                    std::to_string(static_cast<std::int32_t>(number)))) {
        return false;
      }
    }
  }
  return true;
}

AnsiString InstalledProgramPrefix() {
  return kInstalledPrefix;
}

bool IsInstalled(const AnsiString& Prefix) {
  for (const platform::InstalledProgram& program : platform::ListInstalledPrograms()) {
    const AnsiString& name = program.has_display_name ? program.display_name : program.entry_name;
    if (StartsWithNoCase(name, Prefix)) {
      return true;
    }
  }
  return false;
}

AnsiString GetDataFolder(const AnsiString& ExePath, const AnsiString& Title) {
  const AnsiString fallback = ExeFolderOf(ExePath);
  const AnsiString roaming = platform::RoamingAppDataFolder();
  if (roaming.empty()) {
    return fallback;
  }
  // On Linux the XDG data folder may not exist yet on a fresh account.
  AnsiString partial;
  for (const char ch : WithSeparator(roaming)) {
    partial.push_back(ch);
    if (platform::IsPathDelimiter(static_cast<char16_t>(ch)) && partial.size() > 1) {
      WCreateDirectory(Utf8ToWide(partial));
    }
  }
  const AnsiString company = WithSeparator(roaming) + VANDREL_COMPANY_NAME + Separator();
  WCreateDirectory(Utf8ToWide(company));
  const AnsiString folder = company + Title;
  WCreateDirectory(Utf8ToWide(folder));
  return WDirectoryExists(Utf8ToWide(folder)) ? WithSeparator(folder) : fallback;
}

bool DeleteFolderTree(const AnsiString& Folder, const AnsiString& Extension) {
  const AnsiString folder = WithoutSeparator(Folder);
  // An empty name would search the current folder (or, on Windows, the
  // drive's root): delete nothing then.
  if (folder.empty()) {
    return true;
  }
  const WideString wide_folder = Utf8ToWide(folder);
  if (platform::IsSymbolicLink(wide_folder)) {
    WDeleteFile(wide_folder); // the link goes, what it points at stays
    return true;
  }
  platform::FindData data;
  std::vector<platform::FindData> entries;
  const FileHandle search = WFindFirstFile(WIncludeTrailingBackslash(wide_folder) + u"*", data);
  if (search != kInvalidHandle) {
    do {
      entries.push_back(data);
    } while (WFindNextFile(search, data));
    WFindClose(search);
  }
  const bool all = Extension == "*";
  for (const platform::FindData& entry : entries) {
    const AnsiString name = WideToUtf8(entry.name);
    if (name == "." || name == ".." || (!all && !EndsWithNoCase(name, "." + Extension))) {
      continue;
    }
    const WideString path = WIncludeTrailingBackslash(wide_folder) + entry.name;
    if (platform::IsSymbolicLink(path)) {
      WDeleteFile(path);
    } else if ((entry.attributes & platform::kFileAttributeDirectory) != 0) {
      if ((entry.attributes & platform::kFileAttributeReadOnly) != 0) {
        platform::MakeWritable(path);
      }
      DeleteFolderTree(WideToUtf8(path), Extension);
    } else {
      if (entry.attributes != platform::kFileAttributeNormal) {
        platform::MakeWritable(path);
      }
      WDeleteFile(path);
    }
  }
  platform::RemoveDirectory(wide_folder);
  return true;
}

AnsiString CleanVirtualStore(const AnsiString& ExeFolder) {
  const AnsiString mirror = platform::VirtualStoreMirror(ExeFolder);
  if (mirror.empty() || !WDirectoryExists(Utf8ToWide(mirror))) {
    return {};
  }
  DeleteFolderTree(mirror, "SPK");
  return mirror;
}

void RemoveEmptyCompanyDataFolder() {
  const AnsiString company = CompanyDataFolder();
  if (company.empty()) {
    return;
  }
  std::vector<AnsiString> subfolders;
  ListSubfolders(company, subfolders);
  if (subfolders.empty()) {
    platform::RemoveDirectory(Utf8ToWide(company));
  }
}

void ListSubfolders(const AnsiString& Folder, std::vector<AnsiString>& List) {
  SwitchWow64Redirection(true);
  const AnsiString folder = WithSeparator(Folder);
  platform::FindData data;
  const FileHandle search = WFindFirstFile(Utf8ToWide(folder + "*"), data);
  if (search != kInvalidHandle) {
    do {
      const AnsiString name = WideToUtf8(data.name);
      if (name != "." && name != ".." && WDirectoryExists(Utf8ToWide(folder + name))) {
        List.push_back(folder + name);
      }
    } while (WFindNextFile(search, data));
    WFindClose(search);
  }
  SwitchWow64Redirection(false);
}

bool SwitchWow64Redirection(bool Disable) {
  return platform::SetFileSystemRedirection(Disable);
}

WideString GetOnDiskPath(const WideString& Path) {
  size_t first = 0;
  while (first < Path.size() && !platform::IsPathDelimiter(Path[first])) {
    ++first;
  }
  if (first >= Path.size()) {
    return Path;
  }
  // On Windows the first delimiter may be the drive's colon: keep it with
  // the backslash after it.
  while (first + 1 < Path.size() && platform::IsPathDelimiter(Path[first + 1])) {
    ++first;
  }
  WideString result = Path.substr(0, first + 1);
  WideString rest = Path.substr(first + 1);
  while (!rest.empty()) {
    size_t end = 0;
    while (end < rest.size() && !platform::IsPathDelimiter(rest[end])) {
      ++end;
    }
    const WideString component = rest.substr(0, end);
    const bool followed = end < rest.size();
    if (component.find_first_of(u"*?") != WideString::npos) {
      // A wildcard would find some other entry: keep the text as given.
      result += component;
    } else {
      platform::FindData data;
      const FileHandle search = WFindFirstFile(result + component, data);
      if (search == kInvalidHandle) {
        return result + rest;
      }
      WFindClose(search);
      result += data.name;
    }
    if (followed) {
      result += rest[end];
    }
    rest = followed ? rest.substr(end + 1) : WideString();
  }
  return result;
}

AnsiString GetBurnerPageUrl() {
  return AnsiString("https://") + kVendorWebSiteHost + "/qiv.php";
}

void LogRegistryReports(TKLog* Log) {
  if (Log == nullptr) {
    platform::SetRegistryReportHandler(nullptr);
    return;
  }
  platform::SetRegistryReportHandler(
      [Log](const AnsiString& message) { LogAdd(Log, message, kLogError); });
}

AnsiString PortableSettingsFile(const AnsiString& ExePath) {
  return ExeFolderOf(ExePath) + "settings.ini";
}

void LoadPortableSettings(const AnsiString& ExePath) {
  if (!IsInstalled(kInstalledPrefix)) {
    ImportSettingsFromIni(VANDREL_PRODUCT_NAME, PortableSettingsFile(ExePath));
  }
}

void SavePortableSettings(const AnsiString& ExePath, const AnsiString& Title, TKLog* Log) {
  const AnsiString exe_folder = ExeFolderOf(ExePath);
  const AnsiString mirror = CleanVirtualStore(exe_folder);
  if (!mirror.empty()) {
    LogAdd(Log, "Cleaning VirtualStore : " + mirror, kLogVerbose);
  }
  const bool portable = !IsInstalled(kInstalledPrefix);
  const AnsiString data_folder = portable ? GetDataFolder(ExePath, Title) : AnsiString();
  const bool fallback = portable && data_folder == exe_folder;
  // The log's last save comes before the clean-up that deletes it; nothing
  // writes it again after. Beside the program (the fallback) it is not
  // written at all: the clean-up would only delete it again.
  if (Log != nullptr) {
    Log->Close(!fallback);
  }
  if (!portable) {
    return;
  }
  if (fallback) {
    // The data folder fell back to the executable's folder: only our own
    // files go, never the program, its language files or its settings.
    platform::FindData data;
    std::vector<WideString> names;
    const FileHandle search = WFindFirstFile(Utf8ToWide(exe_folder + "*"), data);
    if (search != kInvalidHandle) {
      do {
        names.push_back(data.name);
      } while (WFindNextFile(search, data));
      WFindClose(search);
    }
    for (const WideString& name : names) {
      const AnsiString text = WideToUtf8(name);
      const WideString path = Utf8ToWide(exe_folder) + name;
      if ((text == Title + ".log" || IsBurnerProjectFile(text)) && WFileExists(path) &&
          !platform::IsSymbolicLink(path)) {
        WDeleteFile(path);
      }
    }
  } else {
    DeleteFolderTree(data_folder, "*");
  }
  RemoveEmptyCompanyDataFolder();
  if (ExportSettingsToIni(VANDREL_PRODUCT_NAME, PortableSettingsFile(ExePath))) {
    DeleteProductKey(VANDREL_PRODUCT_NAME);
    DeleteCompanyValue(Title);
    DeleteCompanyKeyIfEmpty();
    // A hive left holding no value would be the last trace of the run.
    platform::DiscardRegistryRootIfEmpty(RegistryRoot::CurrentUser);
  }
}

} // namespace vandrel
