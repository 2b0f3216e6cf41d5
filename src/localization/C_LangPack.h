#pragma once
// TLanguageRecord: reads a language file into the live components, and
// writes the template that lists every translatable text in English.
//
// A language file is a record file with the signature "QIV LANGUAGE FILE":
// a header (language identifier and revision, title, heading, detail,
// notes, flag, program version, input method, font face, character set,
// minimum font size) and then one group of records per component path.
// Its texts are bytes in the code page of its character set; the program's
// strings are UTF-8, so texts are converted on the way in and out.

#include <cstdint>
#include <functional>
#include <string>

#include <optional>

#include "base/Component.h"
#include "localization/Lang_FileCodec.h"
#include "localization/U_FlagBitmap.h"

namespace vandrel {

/// A language file the program cannot read ("Format not supported in this
/// revision").
class ELanguageFileError : public Exception {
  using Exception::Exception;
};

/// One listed component and its path.
struct TComponentEntry {
  AnsiString path;
  TComponent* component = nullptr;
};
using TComponentList = std::vector<TComponentEntry>;

/// Lists the component tree under component with dotted paths: a named
/// component not in excluded (by name or by path, ignoring case) is added as
/// prefix + name; owned components follow, each with the prefix extended by
/// "name." (or reset to empty under an unnamed owner).
void CollectComponents(const AnsiString& prefix, TComponentList& list, const TStrings& excluded,
                       TComponent* component);

/// Splits text into lines at CR, LF or CR LF; a final line break adds no
/// empty line.
TStrings SplitLines(const std::string& text);
/// Every line followed by CR LF.
std::string JoinLines(const TStrings& lines);

class TLanguageRecord {
public:
  /// write_revision: the revision WriteFile writes (the language list gives
  /// 4). root: the tree translated. excluded: names or paths never listed;
  /// the caller keeps it alive (it may change between calls).
  TLanguageRecord(std::uint16_t write_revision, TComponent* root, const TStrings* excluded);

  /// Reads the file and writes its translated texts, fonts and character set
  /// into the components. False, with no component changed, when the file
  /// is missing, is no language file, has fewer than 6 records, or is
  /// damaged anywhere (a record that breaks the framing). Raises
  /// ELanguageFileError "Format not supported in this revision" for a
  /// revision above 4 and EInvalidGraphic for a flag that is no BMP image,
  /// both before any component is changed.
  bool ApplyFile(const WideString& file_name);
  /// Writes the template describing the live components (every text
  /// untranslated, in the code page of Charset). An error on one component
  /// is shown as "Exception %s - component No %d" through OnComponentError
  /// and the others are still written. False when the file could not be
  /// created or written. Raises EStorefileError when the existing file cannot
  /// be deleted and opens only for reading.
  bool WriteFile(const WideString& file_name);

  std::uint16_t WriteRevision;
  TComponent* Root;
  const TStrings* Excluded;

  // Header of the file last read, or the values set for the template. Texts
  // are UTF-8.
  std::uint16_t Revision = 0;
  std::uint16_t LangId = 0;
  AnsiString Title;
  AnsiString Heading;
  AnsiString Detail;
  TStrings Notes;
  TBitmap Flag;
  std::int32_t ProgramVersion = 0;
  std::uint8_t ExtraByte = 0;
  AnsiString ExtraText1;
  AnsiString ExtraText2;
  AnsiString ImeName;
  AnsiString FontName;
  std::uint8_t Charset = 1;
  std::int32_t MinFontSize = 8;

  /// Shows a per-component error of WriteFile; ShowMessage unless replaced.
  /// Unset: the error is dropped.
  std::function<void(const AnsiString& message)> OnComponentError;

private:
  void ApplyGroups(const TLangFile& file, const TComponentList& list);
  void ApplyRevision0(const TLangFile& file);
  std::optional<TLangGroup> ComponentGroup(const TComponentEntry& entry) const;
  AnsiString Decode(const std::string& bytes) const;
  std::string Encode(const AnsiString& text) const;
};

} // namespace vandrel
