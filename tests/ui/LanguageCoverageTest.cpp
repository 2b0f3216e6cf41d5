// The project's translations against the live windows: the template that
// "-co" writes from the main window, the About box and the settings dialog
// is the source of every PO file, so each of its texts must have a
// translated entry there, and the built French file must reach every one
// of them. The texts the windows' code shows at run time reach the
// template only through the windows' text storages, so their sources are
// read too: every text they show must be listed in its storage.

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>

#include "DialogsFixture.h"
#include "burner/BurnerTexts.h"
#include "localization/C_LangPack.h"
#include "localization/U_LangPo.h"
#include "localization/U_PoFile.h"
#include "localization/qt/QtComponents.h"
#include "update/U_Tarvix_Lite.h"

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

// --- The windows' sources ---------------------------------------------------

struct SourceCall {
  std::string where; ///< file:line
  std::vector<std::string> arguments;
};

bool IsIdentifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// Skips a string or character literal starting at i; returns the index after it.
size_t SkipLiteral(const std::string& text, size_t i) {
  const char quote = text[i];
  for (++i; i < text.size() && text[i] != quote; ++i) {
    if (text[i] == '\\') {
      ++i;
    }
  }
  return i + 1;
}

// The calls of name(...) in text, each with its arguments split at the
// top-level commas. Comments are left out.
std::vector<SourceCall> CallsOf(const std::string& file, const std::string& text,
                                const std::string& name) {
  std::vector<SourceCall> calls;
  int line = 1;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == '"' || c == '\'') {
      i = SkipLiteral(text, i);
    } else if (text.compare(i, 2, "//") == 0) {
      i = text.find('\n', i);
    } else if (text.compare(i, name.size() + 1, name + "(") == 0 &&
               (i == 0 || !IsIdentifierChar(text[i - 1]))) {
      SourceCall call{file + ":" + std::to_string(line), {""}};
      int depth = 0;
      size_t j = i + name.size() + 1;
      for (; j < text.size() && !(depth == 0 && text[j] == ')'); ++j) {
        if (text[j] == '"' || text[j] == '\'') {
          const size_t end = SkipLiteral(text, j);
          call.arguments.back() += text.substr(j, end - j);
          j = end - 1;
          continue;
        }
        if (text[j] == '(' || text[j] == '{' || text[j] == '[') {
          ++depth;
        } else if (text[j] == ')' || text[j] == '}' || text[j] == ']') {
          --depth;
        } else if (text[j] == ',' && depth == 0) {
          call.arguments.emplace_back();
          continue;
        }
        call.arguments.back() += text[j];
      }
      calls.push_back(std::move(call));
      i += name.size() + 1;
    } else {
      ++i;
    }
  }
  return calls;
}

// The text of an argument made of string literals alone (adjacent ones
// joined), unescaped; nothing for any other argument.
std::optional<std::string> LiteralText(const std::string& argument) {
  std::string text;
  bool any = false;
  for (size_t i = 0; i < argument.size();) {
    if (std::isspace(static_cast<unsigned char>(argument[i])) != 0) {
      ++i;
      continue;
    }
    if (argument[i] != '"') {
      return std::nullopt;
    }
    any = true;
    for (++i; i < argument.size() && argument[i] != '"'; ++i) {
      if (argument[i] == '\\') {
        ++i;
      }
      text += argument[i];
    }
    ++i;
  }
  return any ? std::optional<std::string>(text) : std::nullopt;
}

// Whether an argument starts with a string literal ("x" or "x" + more).
bool StartsWithLiteral(const std::string& argument) {
  const size_t first = argument.find_first_not_of(" \t\r\n");
  return first != std::string::npos && argument[first] == '"';
}

// A window's sources and the English texts of its storage.
struct WindowSources {
  std::vector<std::string> files; ///< under src/
  std::set<std::string> storage;
};

std::vector<WindowSources> TheWindows() {
  std::vector<WindowSources> windows;
  WindowSources main{{}, std::set<std::string>(MainTexts.begin(), MainTexts.end())};
  for (const auto& entry : fs::directory_iterator(fs::path(VANDREL_SOURCE_DIR) / "ui")) {
    if (entry.path().extension() == ".cpp") {
      main.files.push_back("ui/" + entry.path().filename().string());
    }
  }
  std::sort(main.files.begin(), main.files.end());
  windows.push_back(main);
  windows.push_back({{"shell/qt/U_about.cpp"},
                     std::set<std::string>(std::begin(AboutTexts), std::end(AboutTexts))});
  return windows;
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
        "AboutDlg.email_btn|caption", "SettingsDlg.lng_frm|caption", "QburnDlg|caption",
        "QburnDlg.cancel_btn|caption"}) {
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

TEST(SourceCoverageTest, EveryTextTheWindowsShowIsListedInTheirTextStorage) {
  // The boxes and where their text is: Translate's result, never a literal.
  const std::pair<const char*, size_t> boxes[] = {{"Notice", 0},      {"ShowMessage", 0},
                                                  {"AskYes", 0},      {"AskYesNo", 1},
                                                  {"AskOkCancel", 1}, {"MsgBox", 1}};
  size_t translated = 0;
  for (const WindowSources& window : TheWindows()) {
    for (const std::string& file : window.files) {
      const std::string text = ReadFile(fs::path(VANDREL_SOURCE_DIR) / file);
      ASSERT_FALSE(text.empty()) << file;
      for (const SourceCall& call : CallsOf(file, text, "Translate")) {
        const std::optional<std::string> english = LiteralText(call.arguments.front());
        if (!english) {
          continue; // a storage entry by index, or the lookup itself
        }
        ++translated;
        EXPECT_EQ(window.storage.count(*english), 1u)
            << call.where << ": \"" << *english
            << "\" is not in the window's text storage, so no language file can translate it";
      }
      for (const auto& [name, index] : boxes) {
        for (const SourceCall& call : CallsOf(file, text, name)) {
          if (call.arguments.size() > index) {
            EXPECT_FALSE(StartsWithLiteral(call.arguments[index]))
                << call.where << ": " << name << " shows " << call.arguments[index]
                << " without the text storage";
          }
        }
      }
    }
  }
  // The scan found the window's lookups.
  EXPECT_GT(translated, 20u);
}

TEST(SourceCoverageTest, TheScanSeesLiteralsButNotLookupsByIndex) {
  const std::string code = "Notice(Translate(\"Done.\"));\n"
                           "  // Notice(\"in a comment\");\n"
                           "AskYes(Translate(MainTexts[27]));\n"
                           "MsgBox(this, \"Cannot \"\n \"open\", kButtonsOk, f(a, b));\n";
  const auto notices = CallsOf("x.cpp", code, "Notice");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_FALSE(StartsWithLiteral(notices[0].arguments[0]));
  const auto lookups = CallsOf("x.cpp", code, "Translate");
  ASSERT_EQ(lookups.size(), 2u);
  EXPECT_EQ(LiteralText(lookups[0].arguments[0]), "Done.");
  EXPECT_EQ(LiteralText(lookups[1].arguments[0]), std::nullopt);
  const auto boxes = CallsOf("x.cpp", code, "MsgBox");
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_EQ(boxes[0].arguments.size(), 4u);
  EXPECT_EQ(boxes[0].where, "x.cpp:4");
  EXPECT_EQ(LiteralText(boxes[0].arguments[1]), "Cannot open");
  EXPECT_TRUE(StartsWithLiteral(boxes[0].arguments[1]));
}

TEST_F(CoverageTest, TheFrenchWindowsNoticesAreFrench) {
  CopyLanguageFiles(languages_.path(), {kFrench});
  OpenWithDialogs();
  ASSERT_TRUE(window().Langue->ScanLanguages());
  ASSERT_TRUE(window().Langue->SelectByCode(kFrench));
  WriteFile(languages_.path() / "film.avi", "0123456789");
  window().splitfile_txt->setText(
      QString::fromStdString((languages_.path() / "film.avi").string()));
  window().splitoutput_txt->setText(QString::fromStdString(languages_.path().string()));
  window().splitnum_rdo->setChecked(true);
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  WaitForJob();
  // A check asked for by hand that finds the program up to date.
  window().UpdateChecker->Answered = true;
  window().UpdateChecker->NewVersion = false;
  window().SilentUpdateCheck = false;
  window().UpdateCheckDone();
  window().UpdateChecker->NewVersion = true;
  presenter_->Answer({kIdNo});
  window().UpdateCheckDone();
  EXPECT_EQ(Notices(),
            (std::vector<std::string>{"Terminé.", "Vandrel est déjà à jour.",
                                      "Une nouvelle version de Vandrel est disponible. Voulez-vous "
                                      "télécharger la mise à jour maintenant ?"}));
}

TEST_F(CoverageTest, TheCompanionBurnerSpeaksTheLanguageChosenInTheWindow) {
  // Its texts have an entry in each PO file, one line per text.
  for (const char* po_file : {"fr.po", "en.po"}) {
    const Entries translated = ParseEntries(ReadFile(fs::path(VANDREL_PO_DIR) / po_file));
    const auto found = translated.find("QivburnCd.TS_burner|items");
    ASSERT_NE(found, translated.end()) << po_file;
    std::string english;
    for (const char* text : burner::BurnerTexts()) {
      english += std::string(text) + "\r\n";
    }
    EXPECT_EQ(found->second.Id, english) << po_file << ": the English texts changed";
    EXPECT_EQ(Lines(found->second.Text), burner::BurnerTexts().size()) << po_file;
  }
  CopyLanguageFiles(languages_.path(), {kFrench});
  const WideString folder = W(languages_.path().string() + "/");
  OpenWithDialogs();
  ASSERT_TRUE(window().Langue->ScanLanguages());
  ASSERT_TRUE(window().Langue->SelectByCode(kFrench));
  const burner::TBurnerTexts texts(folder);
  EXPECT_EQ(texts.Translate("Cancel"), "Annuler");
  EXPECT_EQ(texts.Format("Cannot burn %s on %s: %s", {"a.vd0", "/dev/sr0", "x"}),
            "Impossible de graver a.vd0 sur /dev/sr0 : x");
}

TEST_F(CoverageTest, AJobsFailureIsReportedInFrench) {
  CopyLanguageFiles(languages_.path(), {kFrench});
  OpenWithDialogs();
  ASSERT_TRUE(window().Langue->ScanLanguages());
  ASSERT_TRUE(window().Langue->SelectByCode(kFrench));
  const fs::path parts = languages_.path() / "parts";
  fs::create_directories(parts);
  WriteFile(parts / "film.avi.vd0", "aaa");
  WriteFile(parts / "film.avi.vd2", "c");
  window().rebuild_btnClick();
  window().rbldfile_txt->setText(QString::fromStdString((parts / "film.avi.vd0").string()));
  window().rbldoutput_txt->setText(QString::fromStdString(parts.string()));
  QTest::mouseClick(window().rbldgo_btn, Qt::LeftButton);
  WaitForJob();
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0],
            "La reconstitution a échoué : Partie manquante : " + (parts / "film.avi.vd1").string());
  // The log stays English.
  EXPECT_TRUE(LoggedStartingWith("Rebuild : failed : Missing part ", 2));
}

} // namespace
} // namespace vandrel::test
