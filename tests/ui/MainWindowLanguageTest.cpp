// A language file applied to the live window, and what the window does
// after the switch.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

#include "MainWindowFixture.h"
#include "localization/C_LangList.h"
#include "localization/U_LangPo.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

using LanguageTest = MainWindowTest;

// Gives the PO entry of a context a translation.
void Translate(std::string& po, const std::string& context, const std::string& translation) {
  const std::string marker = "msgctxt \"" + context + "\"\n";
  const size_t at = po.find(marker);
  ASSERT_NE(at, std::string::npos) << context;
  const size_t msgstr = po.find("msgstr \"\"", at);
  ASSERT_NE(msgstr, std::string::npos);
  po.replace(msgstr, 9, "msgstr \"" + translation + "\"");
}

// PO text of a list: every entry followed by CR LF, as the record holds it.
std::string PoList(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) {
    for (char c : entry) {
      text += c == '"' ? std::string("\\\"") : std::string(1, c);
    }
    text += "\\r\\n";
  }
  return text;
}

TEST_F(LanguageTest, ALanguageFileTranslatesTheLiveWindowAndItsTexts) {
  TempDir languages;
  const WideString folder = W(languages.path().string());
  Open({"-co"}, [&](Tmain& window) { window.Langue->SetExeFolder(folder); });
  TLangRecords records;
  std::string error;
  ASSERT_TRUE(
      ReadLanguageRecords(W((languages.path() / "Vandrel_ORIGINAL.SPK").string()), records, error))
      << error;
  std::string po;
  ASSERT_TRUE(LanguageFileToPo(records, nullptr, po, error)) << error;
  po.replace(po.find("X-Vandrel-LangId: 0000"), 22, "X-Vandrel-LangId: 040C");
  po.replace(po.find("X-Vandrel-Title: "), 17, "X-Vandrel-Title: Français");
  Translate(po, "main.splitgo_btn|caption", "Découper");
  Translate(po, "main.splitfile_grp|caption", "Fichier à découper");
  std::vector<std::string> texts(MainTexts.begin(), MainTexts.end());
  texts[0] = "Découpeur de fichiers";
  texts[6] = "Bloc-notes (64 Ko)";
  texts[10] = "Personnalisé";
  texts[13] = "Mo";
  texts[18] = "Indiquez un nombre de parties supérieur à 1";
  Translate(po, "main.TS|items", PoList(texts));
  TLangRecords french;
  ASSERT_TRUE(PoToLanguageFile(po, nullptr, french, error)) << error;
  ASSERT_TRUE(
      WriteLanguageRecords(W((languages.path() / "Vandrel_0000040C.SPK").string()), french, error))
      << error;

  Open({}, [&](Tmain& window) { window.Langue->SetExeFolder(folder); });
  window().splitpredef_cmb->setCurrentIndex(0);
  window().splitsizepart_txt->setText("64");
  ClearLog();
  window().Langue->ScanLanguages();
  ASSERT_TRUE(window().Langue->SelectByCode(0x040C));

  EXPECT_EQ(window().splitgo_btn->text(), "Découper");
  EXPECT_EQ(window().splitfile_grp->title(), "Fichier à découper");
  EXPECT_TRUE(Logged("Language : Français", 1));
  // The combos come back in the new language with their choice kept.
  EXPECT_EQ(window().splitpredef_cmb->currentIndex(), 0);
  EXPECT_EQ(window().splitpredef_cmb->currentText(), "Bloc-notes (64 Ko)");
  EXPECT_EQ(window().splitpredef_cmb->itemText(13), "Personnalisé");
  EXPECT_EQ(window().splitsizeunit_cmb->currentText(), "Mo");
  EXPECT_EQ(window().splitsizepart_txt->text(), "64");
  EXPECT_EQ(window().windowTitle().toStdString(), "Vandrel v" VANDREL_VERSION_TEXT);
  // Texts shown at run time go through the text storage.
  window().split_btnClick();
  EXPECT_EQ(window().title_lbl->text(), "Découpeur de fichiers");
  WriteFile(languages.path() / "film.avi", "x");
  window().splitfile_txt->setText(QString::fromStdString((languages.path() / "film.avi").string()));
  window().splitoutput_txt->setText(QString::fromStdString(languages.path().string()));
  window().splitnumpart_txt->setText("1");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  EXPECT_EQ(Notices(), std::vector<std::string>{"Indiquez un nombre de parties supérieur à 1"});
}

} // namespace
} // namespace vandrel::test
