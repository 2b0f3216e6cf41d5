// The project's translations against the live windows: the template that
// "-co" writes from the main window, the About box and the settings dialog
// is the source of every PO file, so each of its texts must have a
// translated entry there, and the built French file must reach every one
// of them.

#include <algorithm>
#include <map>

#include "DialogsFixture.h"
#include "localization/C_LangPack.h"
#include "localization/U_LangPo.h"
#include "localization/U_PoFile.h"
#include "localization/qt/QtComponents.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

using Entries = std::map<std::string, TPoEntry>; // by context

Entries ParseEntries(const std::string& text) {
  std::vector<TPoEntry> entries;
  std::string error;
  EXPECT_TRUE(ParsePo(text, entries, error)) << error;
  Entries by_context;
  for (const TPoEntry& entry : entries) {
    if (!entry.IsHeader() && !entry.Obsolete && entry.Context) {
      by_context[*entry.Context] = entry;
    }
  }
  return by_context;
}

size_t Lines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class CoverageTest : public DialogsTest {
protected:
  /// The entries of the template written by "-co" from the live windows.
  Entries LiveTemplate() {
    OpenWithDialogs({"-co"});
    TLangRecords records;
    std::string error;
    EXPECT_TRUE(ReadLanguageRecords(W((languages_.path() / "Vandrel_ORIGINAL.SPK").string()),
                                    records, error))
        << error;
    std::string po;
    EXPECT_TRUE(LanguageFileToPo(records, nullptr, po, error)) << error;
    return ParseEntries(po);
  }
};

TEST_F(CoverageTest, EveryTextOfTheLiveWindowsHasATranslatedEntryInEachPoFile) {
  const Entries live = LiveTemplate();
  // All three windows are in the template.
  for (const char* context :
       {"main.splitgo_btn|caption", "main.TS|items", "AboutDlg.TS_about|items",
        "AboutDlg.email_btn|caption", "SettingsDlg.lng_frm|caption"}) {
    EXPECT_EQ(live.count(context), 1u) << context;
  }
  for (const char* po_file : {"fr.po", "en.po"}) {
    SCOPED_TRACE(po_file);
    const Entries translated = ParseEntries(ReadFile(fs::path(VANDREL_PO_DIR) / po_file));
    for (const auto& [context, entry] : live) {
      if (entry.Id.empty()) {
        continue;
      }
      const auto found = translated.find(context);
      if (found == translated.end()) {
        ADD_FAILURE() << context << " (\"" << entry.Id << "\") has no entry in " << po_file;
        continue;
      }
      EXPECT_EQ(found->second.Id, entry.Id) << context << ": the English text changed";
      EXPECT_FALSE(found->second.Text.empty()) << context << " is not translated";
      EXPECT_FALSE(found->second.Fuzzy()) << context << " is marked fuzzy";
      EXPECT_EQ(Lines(found->second.Text), Lines(entry.Id)) << context << ": entry count";
    }
  }
}

TEST_F(CoverageTest, TheBuiltFrenchFileReachesEveryTextOfEveryWindow) {
  const Entries live = LiveTemplate();
  const Entries french = ParseEntries(ReadFile(fs::path(VANDREL_PO_DIR) / "fr.po"));
  CopyLanguageFiles(languages_.path(), {kFrench});
  ASSERT_TRUE(window().Langue->ScanLanguages());
  window().Langue->SetLanguageIndex(0);
  ASSERT_TRUE(window().Langue->LanguageLoaded());

  // Each template text of each window now reads as the French entry says.
  TComponentList components;
  CollectComponents("", components, {}, &QtApplicationComponent());
  std::map<std::string, TComponent*> by_path;
  for (const TComponentEntry& entry : components) {
    by_path[entry.path] = entry.component;
  }
  for (const auto& [context, entry] : live) {
    if (entry.Id.empty()) {
      continue;
    }
    const std::string path = context.substr(0, context.find('|'));
    const std::string kind = context.substr(context.find('|') + 1);
    ASSERT_EQ(by_path.count(path), 1u) << path;
    TComponent* component = by_path[path];
    std::string shown;
    if (kind == "caption") {
      shown = component->GetText("Caption").value_or(component->GetText("Text").value_or(""));
    } else if (kind == "hint") {
      shown = component->GetText("Hint").value_or("");
    } else {
      for (const AnsiString& line : component->GetStrings("Items").value_or(
               component->GetStrings("Lines").value_or(TStrings{}))) {
        shown += line + "\r\n";
      }
    }
    EXPECT_EQ(shown, french.at(context).Text) << context;
  }
}

} // namespace
} // namespace vandrel::test
