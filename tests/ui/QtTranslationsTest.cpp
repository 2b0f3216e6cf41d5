// Qt's own texts (message-box buttons, the file dialog) in the window's
// language, from Debian's Qt translations.

#include "ui/QtTranslations.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

#include <filesystem>

#include "DialogsFixture.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

// The Yes button's text of a message box made now.
QString YesButtonText() {
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  return box.button(QMessageBox::Yes)->text();
}

// The "Look in:" label of Qt's own file dialog made now.
QString LookInText() {
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* label = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
  return label != nullptr ? label->text() : QString();
}

bool HasQtFrench() {
  return fs::exists(fs::path(QtTranslationsFolder().toStdString()) / "qtbase_fr.qm");
}

TEST(QtTranslationsTest, LanguagesLoadTheirFileOrFallBackToEnglish) {
  if (!HasQtFrench()) {
    GTEST_SKIP() << "Qt's translations are missing (Debian package qt6-translations-l10n)";
  }
  const QString english = YesButtonText();
  struct Case {
    std::uint16_t lang_id;
    bool loaded;
    const char* yes;
  };
  for (const Case& c :
       {Case{0x040C, true, "&Oui"},
        // No Canadian file: the language's own.
        Case{0x0C0C, true, "&Oui"}, Case{0x0407, true, "&Ja"}, Case{0x0409, false, nullptr},
        // Qt has no Afrikaans: English, not the last one.
        Case{0x040C, true, "&Oui"}, Case{0x0436, false, nullptr}, Case{0x0000, false, nullptr}}) {
    EXPECT_EQ(LoadQtTranslations(c.lang_id), c.loaded) << std::hex << c.lang_id;
    EXPECT_EQ(YesButtonText(), c.yes != nullptr ? QString::fromUtf8(c.yes) : english)
        << std::hex << c.lang_id;
  }
}

using QtTextsOfTheWindow = DialogsTest;

TEST_F(QtTextsOfTheWindow, FollowEveryLanguageSwitchAndTheStartUp) {
  if (!HasQtFrench()) {
    GTEST_SKIP() << "Qt's translations are missing (Debian package qt6-translations-l10n)";
  }
  CopyLanguageFiles(languages_.path(), {kEnglish, kFrench});
  OpenWithDialogs();
  const QString english_yes = YesButtonText();
  const QString english_look_in = LookInText();
  ClickLanguage(chooser(), RowOf(kFrench));
  EXPECT_EQ(window().LanguageId(), kFrench);
  EXPECT_EQ(YesButtonText(), "&Oui");
  EXPECT_NE(LookInText(), english_look_in);
  ClickLanguage(chooser(), RowOf(kEnglish));
  EXPECT_EQ(YesButtonText(), english_yes);
  EXPECT_EQ(LookInText(), english_look_in);

  // The next start restores French, Qt's texts with it; a start in English
  // leaves none of them behind.
  ClickLanguage(chooser(), RowOf(kFrench));
  OpenWithDialogs();
  EXPECT_EQ(window().LanguageId(), kFrench);
  EXPECT_EQ(YesButtonText(), "&Oui");
  ForgetStoredLanguage();
  fs::remove(languages_.path() / BuiltLanguageFile(kFrench).filename());
  OpenWithDialogs();
  EXPECT_EQ(window().LanguageId(), kEnglish);
  EXPECT_EQ(YesButtonText(), english_yes);
}

} // namespace
} // namespace vandrel::test
