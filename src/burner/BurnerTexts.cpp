#include "burner/BurnerTexts.h"

#include <vector>

#include "base/Component.h"
#include "burner/BurnerCore.h"
#include "engine/U_CopyJob.h"
#include "localization/C_LangList.h"
#include "localization/C_TextStorage.h"
#include "shell/U_BurnHandOff.h"

namespace vandrel::burner {

const std::vector<const char*>& BurnerTexts() {
  static const std::vector<const char*> texts = [] {
    std::vector<const char*> all = {
        "Disc burner",
        "Part:",
        "Target:",
        "Preparing...",
        "Writing... %s%",
        "Verifying...",
        "The part is written and verified.",
        "Cancel",
        "Close",
        "The first drive with a writable disc",
        "Image in the folder %s",
        "Another burner is running (%s).",
        "Cannot read the project file %s: %s",
        "The project file %s cannot be used: %s",
        "The stored target cannot be used: %s",
        kProjectNoByteOrderMark,
        kProjectOddLength,
        kProjectEmpty,
        kProjectManyLines,
        kProjectNul,
    };
    for (const char* format : TBurnJob::ErrorFormats()) {
      all.push_back(format);
    }
    return all;
  }();
  return texts;
}

TBurnerTexts::TBurnerTexts(const WideString& exe_folder) {
  root_ = std::make_unique<TComponent>(nullptr, "");
  auto* form = new TComponent(root_.get(), kBurnerFormName);
  storage_ = new TTextStorage(form, kBurnerStorageName);
  storage_->SetItems(TStrings(BurnerTexts().begin(), BurnerTexts().end()));
  storage_->Loaded();
  auto* languages = new TLangList(form, "Langue");
  languages->FilePrefix = "Vandrel_";
  languages->SubDir = "../share/vandrel/";
  languages->RegKey = "Software\\Tolvane\\Vandrel";
  // Reads Vandrel's choice; never stores one of its own.
  languages->Autoload = false;
  languages->SetExeFolder(exe_folder);
  languages->Loaded();
  try {
    if (languages->ScanLanguages()) {
      languages->RestoreLanguage();
    }
  } catch (const std::exception&) {
    // A damaged language file leaves the texts in English.
  }
}

TBurnerTexts::~TBurnerTexts() = default;

AnsiString TBurnerTexts::Translate(const AnsiString& english) const {
  return storage_->Translate(english);
}

AnsiString TBurnerTexts::Format(const AnsiString& english,
                                const std::vector<AnsiString>& args) const {
  return FillPlaceholders(Translate(english), args);
}

} // namespace vandrel::burner
