// The settings dialog in the live program: picking a language in it
// switches every window at once, is stored and comes back at the next
// start; English comes back the same way; the language files are found in
// an installed copy's data folder and beside a build tree's program.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "DialogsFixture.h"
#include "localization/C_TextStorage.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

using SettingsTest = DialogsTest;

// What the main window, the About box and the settings dialog show.
struct Shown {
  std::string split_button, title, predefined, unit, group, about_caption, app_label, ok,
      settings_caption, language_frame;
};

Shown Read(Tmain& window, TAboutDlg& about, TSettingsDlg& settings) {
  about.FillAbout();
  return Shown{window.split_btn->text().toStdString(),
               window.title_lbl->text().toStdString(),
               window.splitpredef_cmb->currentText().toStdString(),
               window.splitsizeunit_cmb->currentText().toStdString(),
               window.splitfile_grp->title().toStdString(),
               about.windowTitle().toStdString(),
               about.appname_lbl->text().toStdString(),
               about.ok_btn->text().toStdString(),
               settings.windowTitle().toStdString(),
               settings.lng_frm->title().toStdString()};
}

void ExpectShown(const Shown& shown, const Shown& expected) {
  EXPECT_EQ(shown.split_button, expected.split_button);
  EXPECT_EQ(shown.title, expected.title);
  EXPECT_EQ(shown.predefined, expected.predefined);
  EXPECT_EQ(shown.unit, expected.unit);
  EXPECT_EQ(shown.group, expected.group);
  EXPECT_EQ(shown.about_caption, expected.about_caption);
  EXPECT_EQ(shown.app_label, expected.app_label);
  EXPECT_EQ(shown.ok, expected.ok);
  EXPECT_EQ(shown.settings_caption, expected.settings_caption);
  EXPECT_EQ(shown.language_frame, expected.language_frame);
}

const Shown kEnglishTexts{"Split",
                          "File Splitter",
                          "Custom",
                          "Mb.",
                          "File To Split",
                          "About Vandrel",
                          "Application Name : Vandrel",
                          "Ok",
                          "Settings",
                          "Language"};
const Shown kFrenchTexts{"Découper",
                         "Découpage de fichier",
                         "Personnalisée",
                         "Mo",
                         "Fichier à découper",
                         "À propos Vandrel",
                         "Nom de l'application : Vandrel",
                         "OK",
                         "Réglages",
                         "Langue"};

TEST_F(SettingsTest, PickingFrenchChangesEveryWindowIsStoredAndComesBackAtTheNextStart) {
  CopyLanguageFiles(languages_.path(), {kEnglish, kFrench});
  OpenWithDialogs();
  // The system language (English in the tests) is applied at start.
  ExpectShown(Read(window(), about(), settings()), kEnglishTexts);
  ASSERT_EQ(RowOf(kFrench), 1);

  ClickLanguage(chooser(), RowOf(kFrench));
  ExpectShown(Read(window(), about(), settings()), kFrenchTexts);
  EXPECT_EQ(window().windowTitle().toStdString(), "Vandrel v" VANDREL_VERSION_TEXT);
  EXPECT_EQ(StoredLanguage(), kFrench);
  EXPECT_TRUE(Logged("Language : " + window().LoadedLanguageName(), 1));

  // The next start restores it, though the system's language is English.
  OpenWithDialogs();
  ExpectShown(Read(window(), about(), settings()), kFrenchTexts);
  EXPECT_EQ(chooser().LanguageBox->currentRow(), RowOf(kFrench));

  // And back: the English file carries every English text.
  ClickLanguage(chooser(), RowOf(kEnglish));
  ExpectShown(Read(window(), about(), settings()), kEnglishTexts);
  EXPECT_EQ(StoredLanguage(), kEnglish);
  EXPECT_EQ(window().TS->Items(), TStrings(MainTexts.begin(), MainTexts.end()));
}

TEST_F(SettingsTest, TheAfterSwitchChainReachesTheMainWindowWithTheChooserAsSender) {
  CopyLanguageFiles(languages_.path(), {kEnglish, kFrench});
  // English stored, so the start-up switches to it under any locale.
  platform::RegistryKey key;
  ASSERT_EQ(key.Open(platform::RegistryRoot::CurrentUser, "Software\\Tolvane\\Vandrel", true),
            platform::RegistryStatus::Ok);
  ASSERT_EQ(key.WriteDword("Langue", kEnglish), platform::RegistryStatus::Ok);
  std::vector<TComponent*> senders;
  // A recorder between the list and the main window's handler, put there
  // before the settings dialog binds its chooser.
  Open({}, [&](Tmain& window) {
    window.Langue->SetExeFolder(W(languages_.path().string() + "/"));
    TNotifyEvent main_handler = window.Langue->AfterLanguageSwitch;
    window.Langue->AfterLanguageSwitch = [&senders, main_handler](TComponent* sender) {
      senders.push_back(sender);
      main_handler(sender);
    };
  });
  TSettingsDlg dialog(&window(), window().Langue);
  ClickLanguage(*dialog.lang, RowOf(kFrench));
  ASSERT_EQ(senders.size(), 2u); // the start-up switch, then the click
  EXPECT_EQ(senders.back(), dialog.lang->Component());
  EXPECT_EQ(dialog.lang->Component()->Name(), "lang");
  EXPECT_EQ(window().splitpredef_cmb->currentText().toStdString(), "Personnalisée");
}

TEST_F(SettingsTest, ClosingTheDialogWithItsCloseBoxKeepsTheChoice) {
  CopyLanguageFiles(languages_.path(), {kEnglish, kFrench});
  OpenWithDialogs();
  bool was_shown = false;
  QTimer::singleShot(0, &settings(), [&] {
    was_shown = settings().isVisible();
    ClickLanguage(chooser(), RowOf(kFrench));
    settings().close();
  });
  window().settings_btn->click();
  EXPECT_TRUE(was_shown);
  EXPECT_FALSE(settings().isVisible());
  EXPECT_EQ(window().Langue->LanguageIndex(), RowOf(kFrench));
  EXPECT_EQ(StoredLanguage(), kFrench);
  EXPECT_EQ(window().split_btn->text().toStdString(), "Découper");
}

TEST_F(SettingsTest, FindsTheLanguageFilesOfAnInstalledCopyAndBesideTheProgram) {
  struct Case {
    const char* name;
    fs::path files; // where the language files are, under the root
  };
  for (const Case& c :
       {Case{"installed", "share/vandrel"}, Case{"build tree or portable", "bin"}}) {
    SCOPED_TRACE(c.name);
    TempDir root;
    fs::create_directories(root.path() / "bin");
    CopyLanguageFiles(root.path() / c.files, {kFrench});
    CloseDialogs();
    Open({}, [&](Tmain& window) {
      window.Langue->SetExeFolder(W((root.path() / "bin").string() + "/"));
    });
    TSettingsDlg dialog(&window(), window().Langue);
    ASSERT_EQ(dialog.lang->LanguageBox->count(), 1);
    EXPECT_EQ(dialog.lang->LanguageBox->item(0)->text().toStdString(),
              "Français [" VANDREL_VERSION_TEXT "] - France");
    // With no English file, the system language (English) falls back to
    // nothing of the same primary language: French stays unapplied.
    EXPECT_FALSE(window().Langue->LanguageLoaded());
  }
}

TEST_F(SettingsTest, TheMainWindowOpensBothDialogsAndTheAboutBoxIsFilledAtEachShowing) {
  CopyLanguageFiles(languages_.path(), {kEnglish, kFrench});
  OpenWithDialogs();
  for (auto open : {std::function<void()>([&] { window().about_btn->click(); }),
                    std::function<void()>([&] { window().About1->trigger(); })}) {
    std::string caption;
    about().setWindowTitle("stale");
    QTimer::singleShot(0, &about(), [&] {
      caption = about().windowTitle().toStdString();
      about().ok_btn->click();
    });
    open();
    EXPECT_EQ(caption, "About Vandrel");
    EXPECT_EQ(about().result(), QDialog::Accepted);
  }
  ClickLanguage(chooser(), RowOf(kFrench));
  std::string caption;
  QTimer::singleShot(0, &about(), [&] {
    caption = about().windowTitle().toStdString();
    about().ok_btn->click();
  });
  window().about_btn->click();
  EXPECT_EQ(caption, "À propos Vandrel");
}

} // namespace
} // namespace vandrel::test
