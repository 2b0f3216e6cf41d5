#pragma once
// The companion burner's texts: English in index order (a language file
// rewrites them by position, so new texts go at the end), and the text
// storage that gives them in the user's language.

#include <memory>

#include "platform/Strings.h"

namespace vandrel {
class TComponent;
class TTextStorage;
} // namespace vandrel

namespace vandrel::burner {

/// The form and storage names a language file addresses
/// ("QivburnCd.TS_burner|items").
inline constexpr char kBurnerFormName[] = "QivburnCd";
inline constexpr char kBurnerStorageName[] = "TS_burner";

/// Every English text the burner shows, the job's failures included.
const std::vector<const char*>& BurnerTexts();

/// The burner's texts in the language chosen in Vandrel (the DWORD value
/// "Langue" of Software\Tolvane\Vandrel), read from the language files
/// beside the program or in ../share/vandrel; English when there is none.
class TBurnerTexts {
public:
  /// exe_folder ends with a separator.
  explicit TBurnerTexts(const WideString& exe_folder);
  ~TBurnerTexts();
  AnsiString Translate(const AnsiString& english) const;
  /// Translate, then each "%s" filled with the next of args.
  AnsiString Format(const AnsiString& english, const std::vector<AnsiString>& args) const;

private:
  std::unique_ptr<TComponent> root_;
  TTextStorage* storage_ = nullptr;
};

} // namespace vandrel::burner
