#include "update/U_TarvixFct.h"

#include <cstdio>
#include <map>
#include <optional>

#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/SpecialFolders.h"
#include "shell/Settings.h"
#include "shell/U_MelkUtils.h"
#include "shell/U_SystemProbes.h"
#include "shell/VersionResource.h"
#include "update/IdentityRules.h"
#include "update/U_Version.h"

namespace vandrel {

namespace {

constexpr std::size_t kMaxSideFile = 1u << 20;
// Rules may ask for another file's version, which may ask again; this bounds
// every chain of calls, whatever the rules and files say.
constexpr int kMaxDepth = 12;

// What one examination learns of a file, read once while the outermost
// public call runs and dropped when it returns.
struct FileFacts {
  std::optional<VersionResourceBytes> resource;
  std::optional<PeKind> pe;
};

struct Examination {
  int depth = 0;
  std::map<AnsiString, FileFacts> files;
};
thread_local Examination examination;

class Scope {
public:
  Scope() { ++examination.depth; }
  ~Scope() {
    if (--examination.depth == 0) {
      examination.files.clear();
    }
  }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
  bool TooDeep() const { return examination.depth > kMaxDepth; }
};

FileFacts& Facts(const AnsiString& file_name) {
  const auto found = examination.files.find(file_name);
  if (found != examination.files.end()) {
    return found->second;
  }
  FileFacts& facts = examination.files[file_name];
  const WideString name = DecodeNativeName(file_name);
  if (platform::QueryFile(name).kind == platform::FileKind::Regular) {
    facts.resource = ReadVersionResource(name);
    facts.pe = ReadPeKind(name);
  }
  return facts;
}

AnsiString Capped(AnsiString text) {
  if (text.size() > kMaxIdentityText) {
    std::size_t cut = kMaxIdentityText;
    // Never end inside a UTF-8 sequence.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
      --cut;
    }
    text.resize(cut);
  }
  return text;
}

AnsiString FixedVersionText(const FileFacts& facts) {
  if (!facts.resource) {
    return {};
  }
  const auto fixed = QueryFixedFileInfo(*facts.resource);
  if (!fixed) {
    return {};
  }
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", fixed->dwFileVersionMS >> 16,
                fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
                fixed->dwFileVersionLS & 0xFFFF);
  return text;
}

AnsiString Folder(const AnsiString& file_name) {
  return ExtractFilePath(file_name);
}

// A side file of the product, read whole up to a bound.
std::optional<std::string> ReadSideFile(const AnsiString& path) {
  const WideString name = DecodeNativeName(path);
  const platform::FileStatus status = platform::QueryFile(name);
  if (status.kind != platform::FileKind::Regular || status.size > std::int64_t{kMaxSideFile}) {
    return std::nullopt;
  }
  const platform::ScopedFile file(platform::CreateFile(
      name, platform::kGenericRead, platform::kFileShareRead | platform::kFileShareWrite,
      platform::kOpenExisting, 0));
  if (!file.IsValid()) {
    return std::nullopt;
  }
  std::string bytes(kMaxSideFile, '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const std::int64_t got = platform::ReadFile(file.Get(), bytes.data() + filled,
                                                static_cast<std::int64_t>(bytes.size() - filled));
    if (got <= 0) {
      break;
    }
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return bytes;
}

// "META-INF/AIR/application.xml" beside the file: the value of an element.
AnsiString AirDescriptorValue(const AnsiString& file_name, const AnsiString& element) {
  const auto text = ReadSideFile(Folder(file_name) + "META-INF/AIR/application.xml");
  if (!text) {
    return {};
  }
  return Capped(GetXmlValue(element, SplitTextLines(*text)));
}

bool AirDescriptorExists(const AnsiString& file_name) {
  return platform::QueryFile(DecodeNativeName(Folder(file_name) + "META-INF/AIR/application.xml"))
             .kind == platform::FileKind::Regular;
}

AnsiString PaddedVersion(AnsiString text) {
  if (text.empty()) {
    return text;
  }
  while (FieldCount(text, ".") < 4) {
    text += ".0";
  }
  return text;
}

// The facts the rule lists ask about, for one file.
class IdentityFacts : public RuleFacts {
public:
  IdentityFacts(const AnsiString& file_name, const FileVersionInfoRec& strings, AnsiString name,
                AnsiString company)
      : file_name_(file_name), strings_(strings), name_(std::move(name)),
        company_(std::move(company)) {}

  AnsiString Field(RuleField field, const AnsiString& text) override {
    switch (field) {
    case RuleField::Text:
      return text;
    case RuleField::Name:
      return name_;
    case RuleField::Company:
      return company_;
    case RuleField::File:
      return FileNameNoExt(file_name_);
    case RuleField::Dir: {
      AnsiString folder = Folder(file_name_);
      if (!folder.empty()) {
        folder.pop_back();
      }
      return FileNameNoExt(folder + ".");
    }
    case RuleField::Folder:
      return Folder(file_name_);
    case RuleField::Path:
      return file_name_;
    case RuleField::Version:
      return version_is_text_
                 ? text
                 : GetProductVersion(file_name_, name_.empty() ? text : name_, company_);
    case RuleField::ProductVersion:
      return strings_.ProductVersion;
    case RuleField::FileVersion:
      return strings_.FileVersion;
    }
    return {};
  }

  AnsiString VersionString(std::string_view name) override {
    const std::pair<std::string_view, const AnsiString*> entries[] = {
        {"FileDescription", &strings_.FileDescription},
        {"CompanyName", &strings_.CompanyName},
        {"FileVersion", &strings_.FileVersion},
        {"InternalName", &strings_.InternalName},
        {"LegalCopyright", &strings_.LegalCopyright},
        {"OriginalFilename", &strings_.OriginalFilename},
        {"ProductName", &strings_.ProductName},
        {"ProductVersion", &strings_.ProductVersion}};
    for (const auto& [key, value] : entries) {
      if (key == name) {
        return *value;
      }
    }
    return {};
  }

  bool NoUninstallVersion(const AnsiString& name) override {
    return FindUninstallVersion(name).empty();
  }
  bool Installed(const AnsiString& prefix) override { return IsInstalled(prefix); }
  bool Exists(const AnsiString& relative) override {
    return platform::QueryFile(DecodeNativeName(Folder(file_name_) + relative)).kind ==
           platform::FileKind::Regular;
  }

  AnsiString Source(RuleAction action, const std::vector<AnsiString>& a) override {
    switch (action) {
    case RuleAction::Sibling:
      return GetProductVersion(Folder(file_name_) + a[0], name_, company_);
    case RuleAction::Uninstall:
      return FindUninstallVersion(a[0]);
    case RuleAction::UninstallInName:
      return FindUninstallVersionInName(a[0]);
    case RuleAction::UninstallPrefix:
      return FindUninstallVersionByPrefix(a[0]);
    case RuleAction::UninstallFirstWord:
      return FindUninstallVersionByFirstWord(a[0]);
    case RuleAction::UninstallInNameFirstWord:
      return FindUninstallVersionInNameByFirstWord(a[0]);
    case RuleAction::UninstallWith:
      return FindUninstallVersionWith(a[0], a[1]);
    case RuleAction::UninstallWithout:
      return FindUninstallVersionWithout(a[0], a[1]);
    case RuleAction::UninstallHkcu:
      return FindCurrentUserUninstallVersion();
    case RuleAction::Ini: {
      const AnsiString ini = Folder(file_name_) + a[0];
      if (!ReadSideFile(ini)) {
        return {};
      }
      return Capped(Trim(platform::IniReadString(ini, a[1], a[2], "")));
    }
    case RuleAction::NewestSubfolder:
      return GetVersionFromNewestSubfolder(file_name_);
    default:
      return {};
    }
  }

  /// In the version list, "version" is the text being built.
  void SetVersionIsText() { version_is_text_ = true; }

private:
  const AnsiString& file_name_;
  const FileVersionInfoRec& strings_;
  AnsiString name_;
  AnsiString company_;
  bool version_is_text_ = false;
};

const FileVersionInfoRec kNoStrings{};

std::optional<AnsiString> PseudoValue(const IdentityRuleList& list, const AnsiString& file_name) {
  IdentityFacts facts(file_name, kNoStrings, {}, {});
  return list.First("pseudo", {}, facts);
}

// The words that end a product name and are no part of it.
constexpr std::string_view kNameEndings[] = {
    " MFC", ".exe", ".dll", ".dll loader", "Application", "application file", "main executable"};
constexpr std::string_view kNameBeginnings[] = {"Main executable for", "ShInstUtil - "};
constexpr std::string_view kPlatformEndings[] = {"for Windows",
                                                 "for Win32",
                                                 "for Windows NT",
                                                 "for Windows NT/2000/XP/Vista",
                                                 "for Windows 98/Me/2000/XP",
                                                 "for Windows XP",
                                                 "for WindowsNT",
                                                 "for Win2k/XP",
                                                 "for Windows(R)",
                                                 "for Windows\xC2\xAE",
                                                 "for Windows 2000/XP",
                                                 "for Windows 9x/Me/NT/2k/XP",
                                                 "64-bit",
                                                 "32-bit",
                                                 " RedovoruVO.com"};

AnsiString LastWord(const AnsiString& text) {
  const std::size_t blank = text.rfind(' ');
  return blank == AnsiString::npos ? text : text.substr(blank + 1);
}

AnsiString WithoutLastWord(const AnsiString& text) {
  const std::size_t blank = text.rfind(' ');
  return blank == AnsiString::npos ? AnsiString() : Trim(text.substr(0, blank));
}

bool LooksLikeVersionWord(const AnsiString& word) {
  if (word.empty()) {
    return false;
  }
  for (std::size_t i = 1; i < word.size(); ++i) {
    if (!(word[i] >= '0' && word[i] <= '9') && word[i] != '.') {
      return false;
    }
  }
  const char first = word[0];
  return (word.find('.') != AnsiString::npos || word.size() < 4) &&
         ((first >= '0' && first <= '9') || first == '.' || first == 'v' || first == 'V');
}

AnsiString GenericNameCleanUp(AnsiString name) {
  if (FieldCount(name, " ") > 1 && name.back() == ')' && name.find(')') == name.size() - 1) {
    std::size_t cut = AnsiString::npos;
    for (std::string_view marker : {"(64", "(32", "(16"}) {
      const std::size_t at = name.rfind(marker);
      if (at != AnsiString::npos && (cut == AnsiString::npos || at > cut)) {
        cut = at;
      }
    }
    if (cut != AnsiString::npos) {
      name = Trim(name.substr(0, cut));
    }
  }
  if (LooksLikeVersionWord(LastWord(name))) {
    name = WithoutLastWord(name);
  }
  if (ContainsText("(tm)", LastWord(name))) {
    name = WithoutLastWord(name);
  }
  name = Trim(ReplaceAll(name, "\xE2\x84\xA2", ""));
  if (name.size() > 1 && name.back() == '.') {
    name.pop_back();
  }
  return Trim(name);
}

} // namespace

bool IsPseudoFileName(const AnsiString& FileName) {
  return PseudoValue(ProductRules(), FileName).has_value();
}

AnsiString ToSysnativePath(const AnsiString& FileName) {
  if (!IsWow64()) {
    return FileName;
  }
  const AnsiString system = platform::SystemFolder();
  if (system.empty() || !StartsStr(FileName, system)) {
    return FileName;
  }
  const std::size_t at = FindText(FileName, "\\system32\\");
  if (at == std::string_view::npos) {
    return FileName;
  }
  return FileName.substr(0, at) + "\\sysnative\\" + FileName.substr(at + 10);
}

bool IsPeFile(const AnsiString& FileName, bool& Is64) {
  const Scope scope;
  const FileFacts& facts = Facts(ToSysnativePath(FileName));
  Is64 = facts.pe && facts.pe->pe32_plus;
  return facts.pe.has_value();
}

FileVersionInfoRec ReadVersionStrings(const AnsiString& FileName) {
  const Scope scope;
  FileVersionInfoRec rec;
  const FileFacts& facts = Facts(ToSysnativePath(FileName));
  if (!facts.resource) {
    return rec;
  }
  const auto translations = QueryTranslations(*facts.resource);
  if (!translations || translations->empty()) {
    return rec;
  }
  const std::uint32_t first = translations->front();
  char prefix[40];
  std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04x%04x\\", first & 0xFFFF, first >> 16);
  const auto read = [&](const char* name) {
    return Capped(QueryVersionString(*facts.resource, AnsiString(prefix) + name).value_or(""));
  };
  rec.FileDescription = read("FileDescription");
  rec.CompanyName = read("CompanyName");
  rec.FileVersion = ReplaceAll(read("FileVersion"), ", ", ".");
  rec.InternalName = read("InternalName");
  rec.LegalCopyright = read("LegalCopyright");
  rec.OriginalFilename = read("OriginalFilename");
  rec.ProductName = read("ProductName");
  rec.ProductVersion = ReplaceAll(read("ProductVersion"), ", ", ".");
  return rec;
}

AnsiString GetProductName(const AnsiString& FileName) {
  const Scope scope;
  if (scope.TooDeep()) {
    return {};
  }
  if (auto pseudo = PseudoValue(ProductRules(), FileName)) {
    return *pseudo;
  }
  const AnsiString file_name = ToSysnativePath(FileName);
  const FileVersionInfoRec strings = ReadVersionStrings(file_name);
  const AnsiString d = ReplaceAll(strings.FileDescription, " - ", "-");
  const AnsiString p = ReplaceAll(strings.ProductName, " - ", "-");
  const AnsiString f = FileNameNoExt(file_name);
  const int d_fields = FieldCount(d, " -");
  const int p_fields = FieldCount(p, " ");

  AnsiString name;
  if (p_fields >= 1 && p_fields <= 4) {
    name = strings.ProductName;
  }
  const bool d_size_fits =
      (d_fields >= 1 && d_fields <= 3) || (d_fields == 4 && !SameTextAscii(strings.ProductName, f));
  const bool mark_allows =
      !(d_fields < p_fields || strings.FileDescription.find('(') != AnsiString::npos) ||
      name.find("\xC2\xAE") != AnsiString::npos;
  const bool not_a_repeat = SameTextAscii(f, "updater") ||
                            SameTextAscii(strings.ProductName, "shockwave") ||
                            !StartsStr(strings.FileDescription, strings.ProductName);
  if (d_fields >= 1 && d_size_fits && mark_allows && not_a_repeat) {
    name = strings.FileDescription;
  }
  if (name.empty()) {
    for (const AnsiString* candidate :
         {&strings.InternalName, &strings.ProductName, &strings.FileDescription}) {
      if (!candidate->empty()) {
        name = *candidate;
      }
    }
  }
  if (!strings.InternalName.empty() && (name.empty() || FieldCount(name, " ") > 6)) {
    name = strings.InternalName;
  }

  IdentityFacts facts(file_name, strings, strings.ProductName, strings.CompanyName);
  name = ProductRules().Apply("main", Trim(name), facts);
  name = GenericNameCleanUp(name);

  if (name.empty() && AirDescriptorExists(file_name)) {
    name = AirDescriptorValue(file_name, "name");
    if (name.empty()) {
      name = AirDescriptorValue(file_name, "filename");
    }
  }
  for (std::string_view ending : kNameEndings) {
    name = Trim(StripSuffix(name, ending));
  }
  for (std::string_view beginning : kNameBeginnings) {
    name = Trim(StripPrefix(name, beginning));
  }
  name = CleanName(name);
  for (std::string_view ending : kPlatformEndings) {
    name = Trim(StripSuffix(name, ending));
  }
  if (name.empty()) {
    name = f;
  }
  name = Trim(ProductRules().Apply("last", name, facts));

  bool is64 = false;
  if (IsPeFile(file_name, is64) && is64 && !name.empty()) {
    name = Trim(StripSuffix(name, " x64"));
    name = Trim(StripSuffix(name, " (64 bits)"));
    name += " (64 bits)";
  }
  if (name == "?" || name.find("??") != AnsiString::npos || StartsStr(name, "$")) {
    name.clear();
  }
  return name;
}

AnsiString NormalizeCompany(const AnsiString& Company, const AnsiString& FileName,
                            const AnsiString& ProductName) {
  const Scope scope;
  if (scope.TooDeep()) {
    return {};
  }
  const AnsiString file_name = ToSysnativePath(FileName);
  AnsiString company = Trim(TextBefore(Company, "\r"));
  if (company == "-") {
    company.clear();
  }
  const AnsiString product = ProductName.empty() ? GetProductName(file_name) : ProductName;
  const FileVersionInfoRec strings = ReadVersionStrings(file_name);
  IdentityFacts facts(file_name, strings, product, company);
  company = CompanyRules().Apply("main", company, facts);
  if (company.empty() && AirDescriptorExists(file_name)) {
    company = AirDescriptorValue(file_name, "copyright");
  }
  return CleanCompanyText(company);
}

AnsiString GetCompanyName(const AnsiString& FileName, const AnsiString& ProductName) {
  const Scope scope;
  if (scope.TooDeep()) {
    return {};
  }
  if (auto pseudo = PseudoValue(CompanyRules(), FileName)) {
    return *pseudo;
  }
  const AnsiString file_name = ToSysnativePath(FileName);
  const FileVersionInfoRec strings = ReadVersionStrings(file_name);
  AnsiString company = SameTextAscii(strings.CompanyName, ", LLC") ? "" : strings.CompanyName;
  const AnsiString copyright = Trim(strings.LegalCopyright);
  IdentityFacts facts(file_name, strings, ProductName, company);
  if (auto settled = CompanyRules().First("file", company, facts)) {
    return *settled;
  }
  company = NormalizeCompany(company, file_name, ProductName);
  if (company.empty() && !copyright.empty()) {
    company = NormalizeCompany(copyright, file_name, ProductName);
  }
  const AnsiString stripped = StripCopyrightNoise(company);
  company = stripped != company ? NormalizeCompany(stripped, file_name, ProductName) : stripped;
  if (company == "?" || company.find("??") != AnsiString::npos) {
    company.clear();
  }
  return company;
}

TDisplayedFileInfo GetDisplayedFileInfo(const AnsiString& FileName) {
  const Scope scope;
  TDisplayedFileInfo info;
  if (scope.TooDeep()) {
    return info;
  }
  const AnsiString file_name = ToSysnativePath(FileName);
  info.ProductName = GetProductName(file_name);
  info.CompanyName = GetCompanyName(file_name, info.ProductName);
  if (info.ProductName.empty() && !info.CompanyName.empty()) {
    info.ProductName = FileNameNoExt(file_name);
  }
  return info;
}

AnsiString GetProductVersion(const AnsiString& FileName, const AnsiString& ProductName,
                             const AnsiString& CompanyName) {
  const Scope scope;
  if (scope.TooDeep()) {
    return {};
  }
  if (IsPseudoFileName(FileName)) {
    return PseudoValue(VersionRules(), FileName).value_or("");
  }
  const AnsiString file_name = ToSysnativePath(FileName);
  AnsiString product = ProductName;
  AnsiString company = CompanyName;
  if (product.empty()) {
    const TDisplayedFileInfo info = GetDisplayedFileInfo(file_name);
    product = info.ProductName;
    company = info.CompanyName;
  }
  const FileVersionInfoRec strings = ReadVersionStrings(file_name);
  IdentityFacts facts(file_name, strings, product, company);
  facts.SetVersionIsText();
  if (auto found = VersionRules().First("source", {}, facts)) {
    return *found;
  }

  const FileFacts& file = Facts(file_name);
  AnsiString version = FixedVersionText(file);
  version = VersionRules().Apply("default", version, facts);
  if (!file.resource && version.empty()) {
    version = AirDescriptorValue(file_name, "versionNumber");
  }
  version = VersionRules().Apply("strings", version, facts);

  const bool notepad = ContainsText("notepad++", product);
  const AnsiString& file_version = strings.FileVersion;
  const AnsiString& product_version = strings.ProductVersion;
  if (!file_version.empty() && IsVersionText(file_version)) {
    const AnsiString padded = PaddedVersion(file_version);
    const TTarvixVersion candidate(padded), current(version);
    if (candidate.IsNewerThan(current) && candidate.High() == current.High()) {
      version = padded;
    }
  }
  if (version.find('.') != AnsiString::npos && product_version.find('.') != AnsiString::npos) {
    const AnsiString c = CleanVersionText(product_version);
    const TTarvixVersion current(version), cleaned(c);
    if (current.High() < cleaned.High() && FieldAt(version, 0, ".") == FieldAt(c, 0, ".") &&
        FieldAt(version, 1, ".") + FieldAt(version, 2, ".") != FieldAt(c, 1, ".") && !notepad) {
      version = c;
    } else if (version == "0.0.0.0" && cleaned.High() != 0) {
      version = c;
    }
  }
  {
    const AnsiString c = CleanVersionText(product_version);
    const AnsiString e = CleanVersionText(file_version);
    const TTarvixVersion cv(c), ev(e);
    if (cv.High() == ev.High() && cv.IsNewerThan(TTarvixVersion(version)) && !notepad &&
        IsValidVersionText(c) && IsValidVersionText(e)) {
      version = c.size() > e.size() ? c : e;
    }
  }
  if ((version == "1.0.0.0" || version == "1.0.0.1") && !file_version.empty() &&
      IsVersionText(file_version)) {
    version = PaddedVersion(CleanVersionText(file_version));
  }
  if (version == "1.0.0.0" || version == "1.0.0.1" || StartsStr(version, "0.0.0")) {
    const AnsiString c = CleanVersionText(product_version);
    if (TTarvixVersion(c).IsNewerThan(TTarvixVersion(version))) {
      version = c;
    }
  }
  return VersionRules().Apply("last", version, facts);
}

} // namespace vandrel
