#pragma once
// The version-information component: reads the version resource of an
// executable (fixed numbers and string values) through the portable reader
// of shell/VersionResource.h. It loads lazily: nothing is read until a
// property other than FileName is asked for, and a load that stops early is
// tried again at the next read. No failure is reported: a missing file or
// resource leaves the strings empty and the numbers 0.

#include <cstdint>

#include "base/Component.h"
#include "platform/Strings.h"
#include "shell/VersionResource.h"

namespace vandrel {

// The properties are C++ accessors, not published by name: nothing reads
// them through the component tree.
class TCustomversion_Info : public TComponent {
public:
  /// Creates the component, owned by owner (none when null), for the running
  /// program's executable file.
  explicit TCustomversion_Info(TComponent* owner = nullptr);

  /// The file whose version resource is read.
  const AnsiString& FileName() const { return file_name_; }
  /// Takes the name when a file of that name exists (and clears what was
  /// read before); the name of a missing file is ignored, the old one stays.
  void SetFileName(const AnsiString& name);
  /// Sets FileName to the running executable's full name.
  void UseRunningModule();
  /// Forgets everything read: strings empty, numbers 0, InfoLoaded false.
  void ClearInfo();

  /// True once a load has completed.
  bool InfoLoaded();
  AnsiString Comments();
  AnsiString CompanyName();
  AnsiString FileDescription();
  /// "FileVersion" with every "(" and ")" removed.
  AnsiString FileVersion();
  AnsiString InternalName();
  AnsiString LegalCopyright();
  /// The string value "LegalTrademarks".
  AnsiString LegalTrademark();
  AnsiString OriginalFilename();
  AnsiString ProductName();
  /// "ProductVersion" with every "(" and ")" removed.
  AnsiString ProductVersion();
  std::uint32_t FileMajorVersion();    ///< dwFileVersionMS
  std::uint32_t FileMinorVersion();    ///< dwFileVersionLS
  std::uint32_t ProductMajorVersion(); ///< dwProductVersionMS
  std::uint32_t ProductMinorVersion(); ///< dwProductVersionLS
  std::uint32_t FileFlagsMask();
  std::uint32_t FileFlags();
  std::uint32_t FileOS();
  std::uint32_t FileType();
  std::uint32_t FileSubtype();
  /// First translation entry: language low 16 bits, code page high 16 bits.
  std::uint32_t TranslationValue();
  /// Number of entries of the translation table.
  std::uint32_t LanguageCount();
  /// The system's name of the first entry's language (platform::LanguageName).
  AnsiString LanguageName();
  double FileVersionFloat();      ///< VersionToFloat(FileVersion)
  double ProductVersionFloat();   ///< VersionToFloat(ProductVersion)
  std::uint32_t FileVersionInt(); ///< PackVersion(FileVersion)

protected:
  AnsiString file_name_;

private:
  void LoadInfo();
  void EnsureLoaded();

  bool info_loaded_ = false;
  VersionResourceBytes raw_;
  AnsiString string_prefix_;
  AnsiString comments_, company_name_, file_description_, file_version_, internal_name_,
      legal_copyright_, legal_trademark_, original_filename_, product_name_, product_version_,
      language_name_;
  TFixedFileInfo fixed_;
  std::uint32_t translation_value_ = 0;
  std::uint32_t language_count_ = 0;
  double file_version_float_ = 0;
  double product_version_float_ = 0;
};

/// The component as programs use it: no file until one is set.
class TVersionInfo : public TCustomversion_Info {
public:
  explicit TVersionInfo(TComponent* owner = nullptr);
};

/// Packs a version text into 32 bits: the first four numbers (separated by
/// "." or ","; other characters skipped) as 8, 8, 6 and 10 bits, each keeping
/// only its low bits. 1.0.0.12 gives 0x0100000C; a fifth number is ignored.
std::uint32_t PackVersion(const AnsiString& text);

/// A version text as a number: the whole text when it reads as one
/// ("1.5"), otherwise the first number, a decimal point and the digits of the
/// rest (1.2.3.4 gives 1.234); 0 when nothing reads. The decimal point is
/// always "." so that the result does not depend on the user's locale.
double VersionToFloat(const AnsiString& text);

} // namespace vandrel
