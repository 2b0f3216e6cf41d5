#include "shell/C_VersionInfo.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/U_UnicodeUtils.h"
#include "platform/SystemInfo.h"

namespace vandrel {

namespace {

AnsiString WithoutParentheses(AnsiString text) {
  std::erase_if(text, [](char c) { return c == '(' || c == ')'; });
  return text;
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A whole text read as a floating-point number with "." as the decimal
// point: blanks around it, a sign, digits, a fraction, an exponent; no
// "inf", "nan" or hexadecimal forms.
bool TryReadFloat(std::string_view text, double& value) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() ||
      !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.')) {
    return false;
  }
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != 'e' && c != 'E' &&
        c != '+' && c != '-') {
      return false;
    }
  }
  double parsed = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) {
    return false;
  }
  value = negative ? -parsed : parsed;
  return true;
}

} // namespace

TCustomversion_Info::TCustomversion_Info(TComponent* owner)
    : TComponent(owner), file_name_(WideToUtf8(platform::RunningModuleFileName())) {}

TVersionInfo::TVersionInfo(TComponent* owner) : TCustomversion_Info(owner) {
  file_name_.clear();
  ClearInfo();
}

void TCustomversion_Info::SetFileName(const AnsiString& name) {
  if (!WFileExists(Utf8ToWide(name))) {
    return;
  }
  info_loaded_ = false;
  file_name_ = name;
  ClearInfo();
}

void TCustomversion_Info::UseRunningModule() {
  SetFileName(WideToUtf8(platform::RunningModuleFileName()));
}

void TCustomversion_Info::ClearInfo() {
  info_loaded_ = false;
  for (AnsiString* text :
       {&string_prefix_, &comments_, &company_name_, &file_description_, &file_version_,
        &internal_name_, &legal_copyright_, &legal_trademark_, &original_filename_, &product_name_,
        &product_version_, &language_name_}) {
    text->clear();
  }
  fixed_ = TFixedFileInfo{};
  translation_value_ = 0;
  language_count_ = 0;
  file_version_float_ = 0;
  product_version_float_ = 0;
  raw_.clear();
  raw_.shrink_to_fit();
}

void TCustomversion_Info::LoadInfo() {
  info_loaded_ = false;
  const WideString name = Utf8ToWide(file_name_);
  if (!WFileExists(name)) {
    return;
  }
  auto resource = ReadVersionResource(name);
  if (!resource) {
    return;
  }
  raw_ = std::move(*resource);
  const auto translations = QueryTranslations(raw_);
  // An empty table has no first entry to name the string table by.
  if (!translations || translations->empty()) {
    return;
  }
  translation_value_ = translations->front();
  language_count_ = static_cast<std::uint32_t>(translations->size());
  language_name_ = platform::LanguageName(static_cast<std::uint16_t>(translation_value_ & 0xFFFF));
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "StringFileInfo\\%.4X%.4X\\", translation_value_ & 0xFFFF,
                translation_value_ >> 16);
  string_prefix_ = prefix;

  const auto fixed = QueryFixedFileInfo(raw_);
  if (!fixed) {
    return;
  }
  fixed_ = *fixed;

  const std::pair<const char*, AnsiString*> strings[] = {
      {"Comments", &comments_},
      {"CompanyName", &company_name_},
      {"FileDescription", &file_description_},
      {"FileVersion", &file_version_},
      {"InternalName", &internal_name_},
      {"LegalCopyright", &legal_copyright_},
      {"LegalTrademarks", &legal_trademark_},
      {"OriginalFilename", &original_filename_},
      {"ProductName", &product_name_},
      {"ProductVersion", &product_version_},
  };
  for (const auto& [value_name, into] : strings) {
    *into = QueryVersionString(raw_, string_prefix_ + value_name).value_or(AnsiString());
  }
  file_version_ = WithoutParentheses(file_version_);
  product_version_ = WithoutParentheses(product_version_);
  file_version_float_ = VersionToFloat(file_version_);
  product_version_float_ = VersionToFloat(product_version_);
  info_loaded_ = true;
}

void TCustomversion_Info::EnsureLoaded() {
  if (!info_loaded_) {
    LoadInfo();
  }
}

bool TCustomversion_Info::InfoLoaded() {
  EnsureLoaded();
  return info_loaded_;
}

#define VANDREL_VERSION_PROPERTY(type, name, field)                                                \
  type TCustomversion_Info::name() {                                                               \
    EnsureLoaded();                                                                                \
    return field;                                                                                  \
  }
VANDREL_VERSION_PROPERTY(AnsiString, Comments, comments_)
VANDREL_VERSION_PROPERTY(AnsiString, CompanyName, company_name_)
VANDREL_VERSION_PROPERTY(AnsiString, FileDescription, file_description_)
VANDREL_VERSION_PROPERTY(AnsiString, FileVersion, file_version_)
VANDREL_VERSION_PROPERTY(AnsiString, InternalName, internal_name_)
VANDREL_VERSION_PROPERTY(AnsiString, LegalCopyright, legal_copyright_)
VANDREL_VERSION_PROPERTY(AnsiString, LegalTrademark, legal_trademark_)
VANDREL_VERSION_PROPERTY(AnsiString, OriginalFilename, original_filename_)
VANDREL_VERSION_PROPERTY(AnsiString, ProductName, product_name_)
VANDREL_VERSION_PROPERTY(AnsiString, ProductVersion, product_version_)
VANDREL_VERSION_PROPERTY(std::uint32_t, FileMajorVersion, fixed_.dwFileVersionMS)
VANDREL_VERSION_PROPERTY(std::uint32_t, FileMinorVersion, fixed_.dwFileVersionLS)
VANDREL_VERSION_PROPERTY(std::uint32_t, ProductMajorVersion, fixed_.dwProductVersionMS)
VANDREL_VERSION_PROPERTY(std::uint32_t, ProductMinorVersion, fixed_.dwProductVersionLS)
VANDREL_VERSION_PROPERTY(std::uint32_t, FileFlagsMask, fixed_.dwFileFlagsMask)
VANDREL_VERSION_PROPERTY(std::uint32_t, FileFlags, fixed_.dwFileFlags)
VANDREL_VERSION_PROPERTY(std::uint32_t, FileOS, fixed_.dwFileOS)
VANDREL_VERSION_PROPERTY(std::uint32_t, FileType, fixed_.dwFileType)
VANDREL_VERSION_PROPERTY(std::uint32_t, FileSubtype, fixed_.dwFileSubtype)
VANDREL_VERSION_PROPERTY(std::uint32_t, TranslationValue, translation_value_)
VANDREL_VERSION_PROPERTY(std::uint32_t, LanguageCount, language_count_)
VANDREL_VERSION_PROPERTY(AnsiString, LanguageName, language_name_)
VANDREL_VERSION_PROPERTY(double, FileVersionFloat, file_version_float_)
VANDREL_VERSION_PROPERTY(double, ProductVersionFloat, product_version_float_)
#undef VANDREL_VERSION_PROPERTY

std::uint32_t TCustomversion_Info::FileVersionInt() {
  return PackVersion(FileVersion());
}

std::uint32_t PackVersion(const AnsiString& text) {
  std::uint32_t numbers[4] = {0, 0, 0, 0};
  int stored = 0;
  std::string digits;
  for (std::size_t i = 0; i < text.size() && stored < 5; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9' && digits.size() < 24) {
      digits.push_back(c);
    }
    if (c == '.' || c == ',' || i + 1 == text.size()) {
      // A number beyond 32 bits does not convert and counts as 0.
      std::int32_t value = 0;
      const auto [end, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (error != std::errc() || end != digits.data() + digits.size()) {
        value = 0;
      }
      if (stored < 4) {
        numbers[stored] = static_cast<std::uint32_t>(value);
      }
      ++stored;
      digits.clear();
    }
  }
  return ((numbers[0] & 0xFF) << 24) | ((numbers[1] & 0xFF) << 16) | ((numbers[2] & 0x3F) << 10) |
         (numbers[3] & 0x3FF);
}

double VersionToFloat(const AnsiString& text) {
  if (text.empty()) {
    return 0;
  }
  double value = 0;
  if (TryReadFloat(text, value)) {
    return value;
  }
  AnsiString work = text;
  if (const std::size_t comma = work.find(','); comma != AnsiString::npos) {
    work[comma] = '.';
  }
  // The decimal point is always "." here, so it stays as it is; only its
  // position matters.
  const std::size_t point = work.find('.');
  if (point != AnsiString::npos && point + 1 == work.size()) {
    work += "0";
  }
  AnsiString kept;
  for (std::size_t i = 0; i < work.size(); ++i) {
    const char c = work[i];
    if (i != point && (c == ' ' || c == ',' || c == '.' || IsAsciiLetter(c))) {
      continue;
    }
    kept.push_back(c);
  }
  if (!TryReadFloat(kept, value)) {
    return 0;
  }
  return value;
}

} // namespace vandrel
