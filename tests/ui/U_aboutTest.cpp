// The About box and the settings dialog as built, and the help commands of
// the About box and the main window through the desktop's opener.

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "DialogsFixture.h"
#include "base/Component.h"
#include "localization/C_TextStorage.h"
#include "localization/qt/QtComponents.h"
#include "shell/U_VendorPages.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

TEST(AboutBox, ShowsTheTitleAndTheProgramVersionInEnglish) {
  TAboutDlg about;
  about.FillAbout();
  EXPECT_EQ(about.windowTitle().toStdString(), "About Vandrel");
  EXPECT_EQ(about.appname_lbl->text().toStdString(), "Application Name : Vandrel");
  EXPECT_EQ(about.version_lbl->text().toStdString(), "Version : " VANDREL_VERSION_TEXT);
  EXPECT_EQ(about.TS_about->Items(), (TStrings{"About", "Application Name :", "Version :"}));

  // A program file without a version resource leaves the blank alone.
  TempDir dir;
  WriteFile(dir.path() / "plain", "no version here");
  about.ProgramFile = dir.WFile("plain");
  about.FillAbout();
  EXPECT_EQ(about.version_lbl->text().toStdString(), "Version : ");
}

TEST(AboutBox, AndSettingsDialogHaveTheirComponentsNamesPlacesAndCaptions) {
  TAboutDlg about;
  TComponent root(nullptr);
  TLangList list(&root, "Langue");
  list.Loaded();
  TSettingsDlg settings(nullptr, &list);
  struct Case {
    TComponent* window;
    const char* name;
    QRect geometry;
    const char* caption;
  };
  // The settings dialog keeps a border of 3 pixels around its content.
  for (const Case& c : {
           Case{about.Component(), "Image1", QRect(0, 0, 388, 96), nullptr},
           Case{about.Component(), "all_grp", QRect(1, 97, 384, 184), ""},
           Case{about.Component(), "Application_grp", QRect(5, 12, 249, 53), "Application"},
           Case{about.Component(), "appname_lbl", QRect(8, 16, 235, 16), "Application name :"},
           Case{about.Component(), "version_lbl", QRect(8, 32, 235, 16), "Version :"},
           Case{about.Component(), "tolvane_grp", QRect(260, 12, 113, 117), "Tolvane"},
           Case{about.Component(), "email_btn", QRect(8, 16, 97, 28), "Email"},
           Case{about.Component(), "web_btn", QRect(8, 48, 97, 28), "Web Site"},
           Case{about.Component(), "forum_btn", QRect(8, 80, 97, 28), "Forums"},
           Case{about.Component(), "ok_btn", QRect(274, 139, 81, 33), "Ok"},
           Case{settings.Component(), "lng_frm", QRect(3, 3, 329, 217), "Language"},
           Case{settings.Component(), "lang", QRect(8, 16, 313, 185), nullptr},
           Case{settings.Component(), "ok_btn", QRect(126, 227, 84, 25), "Ok"},
       }) {
    SCOPED_TRACE(c.name);
    TComponent* component = c.window->FindComponent(c.name);
    ASSERT_NE(component, nullptr);
    if (c.caption != nullptr) {
      EXPECT_EQ(component->GetText("Caption"), c.caption);
    }
    QWidget* widget = c.window == about.Component()
                          ? about.findChild<QWidget*>(QLatin1String(c.name))
                          : settings.findChild<QWidget*>(QLatin1String(c.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), c.geometry);
  }
  EXPECT_EQ(about.Component()->Name(), "AboutDlg");
  EXPECT_EQ(about.size(), QSize(389, 285));
  EXPECT_NE(about.Component()->FindComponent("TS_about"), nullptr);
  EXPECT_EQ(settings.Component()->Name(), "SettingsDlg");
  EXPECT_EQ(settings.Component()->GetText("Caption"), "Settings");
  EXPECT_TRUE(settings.ok_btn->isDefault());
  EXPECT_EQ(settings.lang->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(settings.lang->LanguageList(), &list);
  EXPECT_FALSE(settings.lang->Loading());
  // The chooser's own children stay out of the translated tree.
  EXPECT_EQ(settings.Component()->ComponentCount(), 3);
}

TEST(VendorPages, UseTheVendorsHostOverHttpsAndTheContactAddress) {
  EXPECT_EQ(VendorPageUrl(""), "https://www.tolvane.example");
  EXPECT_EQ(VendorPageUrl(kForumPath), "https://www.tolvane.example/forum");
  EXPECT_EQ(VendorMailUrl(), "mailto:contact@tolvane.example");
}

// A stand-in for the desktop's opener on PATH that writes down what it was
// asked to open.
class HelpCommandsTest : public DialogsTest {
protected:
  void SetUp() override {
    DialogsTest::SetUp();
    saved_path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    bin_ = opener_dir_.path() / "bin";
    fs::create_directories(bin_);
    record_ = opener_dir_.path() / "opened.txt";
  }
  void TearDown() override {
    setenv("PATH", saved_path_.c_str(), 1);
    DialogsTest::TearDown();
  }
  void InstallOpener() {
    const fs::path opener = bin_ / "xdg-open";
    WriteFile(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record_.string() + "'\n");
    fs::permissions(opener, fs::perms::owner_all);
    setenv("PATH", (bin_.string() + ":/usr/bin:/bin").c_str(), 1);
  }
  void RemoveOpener() { setenv("PATH", bin_.string().c_str(), 1); }
  /// The addresses opened so far, once count of them arrived.
  std::vector<std::string> Opened(size_t count) {
    std::vector<std::string> lines;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          lines.clear();
          std::ifstream in(record_);
          for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
          }
          return lines.size() >= count;
        },
        30000));
    return lines;
  }

  TempDir opener_dir_;
  fs::path bin_, record_;
  std::string saved_path_;
};

TEST_F(HelpCommandsTest, OpenTheVendorsPagesAndMailLink) {
  OpenWithDialogs();
  InstallOpener();
  about().email_btn->click();
  about().web_btn->click();
  about().forum_btn->click();
  window().Help1->trigger();
  window().BugreportFeaturerequestKnownissues1->trigger();
  window().ChangeLog1->trigger();
  // Each opener runs on its own; their order of arrival is not fixed.
  std::vector<std::string> opened = Opened(6);
  std::sort(opened.begin(), opened.end());
  EXPECT_EQ(opened, (std::vector<std::string>{
                        "https://www.tolvane.example",
                        "https://www.tolvane.example/bugs/changelog_page.php?project_id=8",
                        "https://www.tolvane.example/bugs/view_all_bug_page.php?project_id=8",
                        "https://www.tolvane.example/forum",
                        "https://www.tolvane.example/forum",
                        "mailto:contact@tolvane.example",
                    }));
  EXPECT_TRUE(Notices().empty());
}

TEST_F(HelpCommandsTest, TickingBurnWithoutABurnerAndAnsweringYesOpensTheBurnersPage) {
  OpenWithDialogs();
  InstallOpener();
  presenter_->Answer({kIdYes});
  QTest::mouseClick(window().splitburn_chk, Qt::LeftButton);
  EXPECT_EQ(Opened(1), std::vector<std::string>{"https://www.tolvane.example/qiv.php"});
  EXPECT_TRUE(window().splitburn_chk->isChecked());
}

TEST_F(HelpCommandsTest, DoNothingVisibleWithoutABrowserOrMailProgram) {
  OpenWithDialogs();
  RemoveOpener();
  about().email_btn->click();
  about().web_btn->click();
  window().Help1->trigger();
  window().ChangeLog1->trigger();
  QCoreApplication::processEvents();
  EXPECT_TRUE(Notices().empty());
  EXPECT_FALSE(fs::exists(record_));
  EXPECT_FALSE(about().isVisible());
}

} // namespace
} // namespace vandrel::test
