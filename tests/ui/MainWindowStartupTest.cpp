// The start-up sequence: command line, log lines, combos, components.

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

#include "MainWindowFixture.h"
#include "base/Component.h"
#include "localization/C_LangList.h"
#include "net/U_HTTP_Custo.h"
#include "shell/C_FileAssociation.h"
#include "shell/Settings.h"
#include "shell/U_SystemProbes.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

using StartupTest = MainWindowTest;

TEST_F(StartupTest, TheFirstExistingFileOnTheCommandLineIsOpened) {
  const fs::path part = dir_.path() / "disque.iso.vd0";
  const fs::path other = dir_.path() / "notes.txt";
  WriteFile(part, "p");
  WriteFile(other, "n");
  struct Case {
    std::vector<std::string> arguments;
    std::string rebuild_file;
    std::string split_file;
  };
  const std::string missing = (dir_.path() / "missing.bin").string();
  for (const Case& c : {
           Case{{part.string()}, part.string(), ""},
           Case{{other.string()}, "", other.string()},
           Case{{missing, other.string(), part.string()}, "", other.string()},
           Case{{missing}, "", ""},
           Case{{"Register", dir_.path().string()}, "", ""},
       }) {
    ClearLog();
    Open(c.arguments);
    EXPECT_EQ(window().rbldfile_txt->text().toStdString(), c.rebuild_file);
    EXPECT_EQ(window().splitfile_txt->text().toStdString(), c.split_file);
    EXPECT_EQ(window().rebuild_pnl->isVisibleTo(&window()), !c.rebuild_file.empty());
    EXPECT_TRUE(Logged(c.arguments.front(), 1));
  }
  EXPECT_TRUE(Notices().empty());
}

TEST_F(StartupTest, WritesTheStartLinesInOrderAndOnlyOnce) {
  Open({"first argument"});
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  const std::vector<std::pair<std::string, int>> expected{
      {"Starting", 1},
      {program, 1},
      {"Vandrel v" VANDREL_VERSION_TEXT, 1},
      {"Windows : " + GetWindowsVersionText(), 1},
      {"64Bits : " + YesNoText(IsWow64()), 1},
      {"Administrator : " + YesNoText(IsAdministrator()), 1},
      {"Portable : No", 1},
      {"first argument", 1},
      {"OpenSSL : " + GetOpenSslVersionText(), 1}};
  auto lines = LogLines();
  ASSERT_GT(lines.size(), expected.size());
  EXPECT_EQ(std::vector(lines.begin(), lines.begin() + static_cast<long>(expected.size())),
            expected);
  // The silent update check follows.
  EXPECT_EQ(lines[expected.size()], (std::pair<std::string, int>{"Self update check...", 1}));
  EXPECT_EQ(window().windowTitle().toStdString(), "Vandrel v" VANDREL_VERSION_TEXT);
  EXPECT_EQ(window().Log->FileName, GetDataFolder(program, "Vandrel") + "Vandrel.log");
  QTest::qWait(20);
  lines = LogLines();
  ActivateApplication();
  EXPECT_EQ(LogLines(), lines);
}

TEST_F(StartupTest, CombosStartOnCustomAndMbAndKeepTheChoiceOnALanguageSwitch) {
  Open();
  EXPECT_EQ(window().splitpredef_cmb->count(), 14);
  EXPECT_EQ(window().splitpredef_cmb->currentText(), "Custom");
  EXPECT_EQ(window().splitsizeunit_cmb->currentText(), "Mb.");
  window().splitpredef_cmb->setCurrentIndex(0);
  window().splitsizeunit_cmb->setCurrentIndex(0);
  window().splitsizepart_txt->setText("123");
  window().LangueAfterLanguageSwitch();
  EXPECT_EQ(window().splitpredef_cmb->currentIndex(), 0);
  EXPECT_EQ(window().splitpredef_cmb->currentText(), "Notepad Cut (64 Kb)");
  EXPECT_EQ(window().splitsizeunit_cmb->currentIndex(), 0);
  EXPECT_EQ(window().splitsizepart_txt->text(), "123");
  EXPECT_EQ(window().splitpredef_cmb->count(), 14);
}

TEST_F(StartupTest, EveryControlIsAComponentOfTheWindow) {
  Open();
  TComponent* main = window().Component();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->Name(), "main");
  ASSERT_GT(main->ComponentCount(), 60);
  EXPECT_EQ(main->Component(0)->Name(), "TS");
  EXPECT_EQ(main->Component(1)->Name(), "top_pnl");
  EXPECT_TRUE(main->IsWindow());
  for (const char* name :
       {"top_pnl", "title_lbl", "split_btn", "splitgo_btn", "splitpredef_cmb", "rbldoutput_txt",
        "diskspanflpy_cmb", "Quit1", "Checkforupdate1", "WOD"}) {
    EXPECT_NE(main->FindComponent(name), nullptr) << name;
  }
  TComponent* button = main->FindComponent("splitgo_btn");
  EXPECT_EQ(button->GetText("Caption"), "Split Now");
  ASSERT_TRUE(button->SetProp("Caption", AnsiString("Découper")));
  EXPECT_EQ(window().splitgo_btn->text(), "Découper");
  TComponent* predefined = main->FindComponent("splitpredef_cmb");
  const auto items = predefined->GetStrings("Items");
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ(items->size(), 14u);
  EXPECT_EQ(main->FindComponent("File1")->GetText("Caption"), "File");
  EXPECT_EQ(main->FindComponent("splitfile_grp")->GetText("Caption"), "File To Split");
}

} // namespace
} // namespace vandrel::test

namespace vandrel::test {
namespace {

TEST_F(StartupTest, RegisterAndUnregisterChangeTheAssociationAndClose) {
  Tmain& registered = Open({"register"});
  EXPECT_TRUE(QTest::qWaitFor([&] { return !registered.isVisible(); }, 5000));
  ASSERT_TRUE(registered.fa->ReadAssociation());
  EXPECT_EQ(registered.fa->Executable(), registered.ProgramPath());
  Tmain& unregistered = Open({"unregister"});
  EXPECT_TRUE(QTest::qWaitFor([&] { return !unregistered.isVisible(); }, 5000));
  EXPECT_FALSE(unregistered.fa->ReadAssociation());
  // Only the exact word is a command.
  Tmain& other = Open({"Register"});
  QTest::qWait(50);
  EXPECT_TRUE(other.isVisible());
  EXPECT_FALSE(other.fa->ReadAssociation());
}

TEST_F(StartupTest, DashCoWritesTheTemplateOfTheLiveWindows) {
  TempDir languages;
  Open({"/CO"}, [&](Tmain& window) { window.Langue->SetExeFolder(W(languages.path().string())); });
  const auto file = languages.path() / "Vandrel_ORIGINAL.SPK";
  ASSERT_TRUE(std::filesystem::exists(file));
  const std::string bytes = ReadFile(file);
  for (const char* path : {"main.TS", "main.splitgo_btn", "main.splitfile_grp", "main.title_lbl",
                           "main.Checkforupdate1"}) {
    EXPECT_NE(bytes.find(path), std::string::npos) << path;
  }
  // The texts the window shows at run time are in the template too.
  EXPECT_NE(bytes.find("Please set a number of parts greater than 1"), std::string::npos);
  EXPECT_NE(bytes.find("Generate automatic rebuild file"), std::string::npos);
}

} // namespace
} // namespace vandrel::test

namespace vandrel::test {
namespace {

// An absolute path begins with "/" on Linux, as the "/co" switch does: the
// file is opened and no template is written.
TEST_F(StartupTest, AnAbsolutePathIsOpenedAndIsNoSwitch) {
  TempDir languages;
  const fs::path content = dir_.path() / "content";
  fs::create_directories(content);
  const fs::path part = content / "film.vd0";
  WriteFile(part, "p");
  Open({part.string()},
       [&](Tmain& window) { window.Langue->SetExeFolder(W(languages.path().string())); });
  EXPECT_EQ(window().rbldfile_txt->text().toStdString(), part.string());
  EXPECT_FALSE(fs::exists(languages.path() / "Vandrel_ORIGINAL.SPK"));
}

// A hive with one bad line keeps the rest, the chosen language among it, and
// the start-up log names the file kept aside.
TEST_F(StartupTest, ADamagedHiveKeepsTheLanguageAndIsReportedInTheLog) {
  const fs::path hive = HermeticRoot() / "config" / "Tolvane" / "HKEY_CURRENT_USER.reg";
  std::string text = ReadFile(hive);
  const std::string section = "[SOFTWARE\\Tolvane\\Vandrel]\n";
  const size_t at = text.find(section);
  ASSERT_NE(at, std::string::npos) << text;
  text.insert(at + section.size(), "\"Langue\"=dword:0000040c\n\"Broken\"=dword:zz\n");
  WriteFile(hive, text);
#ifdef VANDREL_LANGUAGE_DIR
  Open({}, [](Tmain& window) { window.Langue->SetExeFolder(W(VANDREL_LANGUAGE_DIR)); });
  EXPECT_EQ(window().LoadedLanguageName(), "Français");
#else
  Open();
#endif
  EXPECT_EQ(ReadProductSetting(kUpdateServerSetting), "127.0.0.1:1") << "the good values stay";
  bool reported = false;
  for (const auto& [message, level] : LogLines()) {
    reported = reported ||
               (level == 2 && message.find("HKEY_CURRENT_USER.reg.damaged-") != std::string::npos);
  }
  EXPECT_TRUE(reported);
  // Back to English and one hive for the tests that follow.
  for (const auto& entry : fs::directory_iterator(hive.parent_path())) {
    if (entry.path().filename().string().find(".damaged-") != std::string::npos) {
      fs::remove(entry.path());
    }
  }
  platform::RegistryKey key;
  key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), true);
  key.DeleteValue("Langue");
}

TEST_F(StartupTest, AFailedUpdateCheckSaysNothingAndFreesTheMenuItem) {
  Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window().Checkforupdate1->isEnabled(); }, 20000));
  EXPECT_TRUE(Logged("Self update check...", 1));
  EXPECT_TRUE(LoggedStartingWith("Vandrel Update self check : Server error (", 2));
  EXPECT_FALSE(window().SilentUpdateCheck);
  EXPECT_TRUE(Notices().empty());
}

TEST_F(StartupTest, UpdateCheckDoneOffersANewVersionAndTellsWhenUpToDate) {
  Open();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window().Checkforupdate1->isEnabled(); }, 20000));
  TTarvixLite& checker = *window().UpdateChecker;
  // Up to date: logged always, shown only for a check the user asked for.
  checker.NewVersion = false;
  checker.Answered = true;
  window().SilentUpdateCheck = true;
  window().UpdateCheckDone();
  EXPECT_TRUE(Notices().empty());
  window().UpdateCheckDone();
  EXPECT_EQ(Notices(), std::vector<std::string>{"Vandrel is already up to date."});
  EXPECT_TRUE(Logged("Vandrel is already up to date.", 1));
  // A newer version is offered; No opens nothing.
  ClearNotices();
  checker.NewVersion = true;
  presenter_->Answer({kIdNo});
  window().UpdateCheckDone();
  EXPECT_TRUE(Logged("New version of Vandrel is detected", 1));
  EXPECT_EQ(Notices(), std::vector<std::string>{
                           "A new version of Vandrel is available. Do you want to download update "
                           "now ?"});
  EXPECT_EQ(Box(0).buttons, MessageButtons::YesNo);
  EXPECT_TRUE(window().Checkforupdate1->isEnabled());
}

} // namespace
} // namespace vandrel::test

namespace vandrel::test {
namespace {

// A portable copy carries its settings beside the program: the window
// writes them back there at the end and leaves no data folder behind.
TEST_F(StartupTest, APortableCopyMovesItsSettingsBesideTheProgramAtTheEnd) {
  MarkInstalled(false);
  const fs::path ini =
      fs::path(PortableSettingsFile(QCoreApplication::applicationFilePath().toStdString()));
  ASSERT_FALSE(fs::exists(ini)) << "left over from an earlier run: " << ini;
  Tmain& portable = Open();
  EXPECT_TRUE(Logged("Portable : Yes", 1));
  const fs::path data_folder = GetDataFolder(portable.ProgramPath(), "Vandrel");
  portable.close();
  const bool exported = fs::exists(ini);
  const std::string settings = exported ? ReadFile(ini) : std::string();
  fs::remove(ini);
  MarkInstalled(true);
  EXPECT_TRUE(exported);
  EXPECT_NE(settings.find("UpdateServer=127.0.0.1:1"), std::string::npos) << settings;
  EXPECT_FALSE(fs::exists(data_folder));
  EXPECT_EQ(ReadProductSetting(kUpdateServerSetting), "");
}

} // namespace
} // namespace vandrel::test
