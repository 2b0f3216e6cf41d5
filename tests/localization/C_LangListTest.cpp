#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "LangFileFixture.h"
#include "localization/C_LangList.h"
#include "platform/Registry.h"
#include "platform/Session.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::AppTree;
using test::LangFileWriter;
using test::TempDir;

// A 1 x 1 24-bit BMP.
std::string TinyBmp() {
  std::string b = "BM";
  auto put32 = [&b](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      b.push_back(static_cast<char>(v >> (8 * i)));
    }
  };
  auto put16 = [&b](std::uint16_t v) {
    b.push_back(static_cast<char>(v));
    b.push_back(static_cast<char>(v >> 8));
  };
  put32(58), put16(0), put16(0), put32(54);
  put32(40), put32(1), put32(1), put16(1), put16(24), put32(0), put32(4);
  put32(0), put32(0), put32(0), put32(0);
  b += std::string("\x00\x00\xFF\x00", 4);
  return b;
}

struct ListFixture {
  TempDir dir;
  AppTree tree;
  TLangList* list;
  explicit ListFixture(const std::string& reg_key) {
    list = new TLangList(tree.main, "Langue");
    list->FilePrefix = "Vandrel_";
    list->RegKey = reg_key;
    list->SetExeFolder(Utf8ToWide(dir.path().string()));
    list->Loaded();
  }
  WideString File(const std::string& name) const { return dir.WFile(name); }
  // A revision-4 language file translating the split button.
  void Language(std::uint32_t code, const std::string& caption, const std::string& title = "T") {
    char name[64];
    std::snprintf(name, sizeof name, "Vandrel_%08X.SPK", code);
    LangFileWriter w(File(name));
    w.Int(0, (4 << 16) + static_cast<int>(code & 0xFFFF))
        .Text(1, title)
        .Text(2, "Heading " + title)
        .Text(3, "Detail")
        .Text(4, "")
        .Text(5, "");
    w.Int(0x200, (4 << 24) | (12 << 16) | (0 << 10) | 33).Int(0x204, 0).Text(0x205, "");
    w.Text(0x206, "").Text(0x201, "").Text(0x202, "Sans").Int(0x203, 0).Int(0x204, 8);
    w.Group("main.splitgo_btn", 0, 0x21, caption);
  }
  std::vector<std::uint32_t> Codes() const {
    std::vector<std::uint32_t> codes;
    for (const auto& e : list->Languages()) {
      codes.push_back(e.Code);
    }
    return codes;
  }
  AnsiString Caption() const { return *tree.splitgo->GetText("Caption"); }
};

std::optional<std::uint32_t> StoredCode(const std::string& key_path) {
  platform::RegistryKey key;
  std::uint32_t value = 0;
  if (key.Open(platform::RegistryRoot::CurrentUser, key_path, false, false) !=
          platform::RegistryStatus::Ok ||
      key.ReadDword("Langue", value) != platform::RegistryStatus::Ok) {
    return std::nullopt;
  }
  return value;
}

TEST(LangListTest, VersionTextUnpacksTheFourNumbers) {
  EXPECT_EQ(VersionText((4u << 24) | (12u << 16) | (0u << 10) | 33u), "4.12.0.33");
  EXPECT_EQ(LanguageTable().size(), 145u);
  EXPECT_EQ(LanguageTable().front(), 0x0400);
  EXPECT_EQ(LanguageTable().back(), 0x042A);
}

TEST(LangListTest, ScanFollowsTheTableAndStopsAtAMissingVariant) {
  ListFixture f("Software\\Tolvane\\ScanTest");
  f.Language(0x0407, "Teilen", "Deutsch");
  f.Language(0x0001040C, "Couper 2", "Français 2");
  f.Language(0x040C, "Couper",
             "Fran\xE7"
             "ais");               // code page 1252
  f.Language(0x00030409, "never"); // variant 3 without 1 and 2
  f.Language(0x0409, "Split", "English");
  f.Language(0x0480, "not in the table");
  {
    LangFileWriter w(f.File("Vandrel_00000419.SPK")); // revision 0
    w.file.AppendData(0, "\x19\x04", 2);
    w.Text(1, "Russkij").Text(2, "").Text(3, "old").Text(4, "").Text(5, "");
  }
  test::WriteFile(f.dir.path() / "Vandrel_00000410.SPK", "not a language file");
  test::WriteFile(f.dir.path() / "Vandrel_00010410.SPK", "");
  EXPECT_TRUE(f.list->ScanLanguages());
  EXPECT_EQ(f.Codes(), (std::vector<std::uint32_t>{0x0409, 0x040C, 0x1040C, 0x0407, 0x0419}));
  EXPECT_EQ(f.list->Languages()[1].Name, "Français [4.12.0.33] - Detail");
  EXPECT_EQ(f.list->Languages()[4].Name, "Russkij - old");
  EXPECT_EQ(f.list->LanguageCode(2), 0x1040Cu);
  EXPECT_EQ(f.list->LanguageCode(9), 0u);
}

// The list and the language switch read the header through one codec, so
// they agree on every integer record, whatever its length.
TEST(LangListTest, ScanReadsTheHeaderAsTheSwitchDoes) {
  ListFixture f("Software\\Tolvane\\ScanCodecTest");
  {
    LangFileWriter w(f.File("Vandrel_0000040C.SPK"));
    w.Int(0, (4 << 16) + 0x040C)
        .Text(1, "Fran\xE7"
                 "ais");
    w.Text(2, "").Text(3, "France").Text(4, "").Text(5, "");
    w.file.AppendData(0x200, "\x21\x00", 2); // version 0.0.0.33, in 2 bytes
    w.Int(0x204, 0).Text(0x205, "").Text(0x206, "").Text(0x201, "").Text(0x202, "Sans");
    w.file.AppendData(0x203, "", 0); // no bytes: character set 0, code page 1252
    w.Int(0x204, 8);
  }
  ASSERT_TRUE(f.list->ScanLanguages());
  ASSERT_EQ(f.Codes(), (std::vector<std::uint32_t>{0x040C}));
  TLanguageRecord reader(4, &f.tree.app, nullptr);
  ASSERT_TRUE(reader.ApplyFile(f.File("Vandrel_0000040C.SPK")));
  EXPECT_EQ(reader.Charset, 0);
  EXPECT_EQ(reader.Title, "Français");
  EXPECT_EQ(f.list->Languages()[0].Name,
            reader.Title + " [" + VersionText(static_cast<std::uint32_t>(reader.ProgramVersion)) +
                "] - France");
  EXPECT_EQ(f.list->Languages()[0].Name, "Français [0.0.0.33] - France");
}

TEST(LangListTest, SwitchAppliesStoresAndNotifies) {
  const std::string key = "Software\\Tolvane\\SwitchTest";
  ListFixture f(key);
  f.Language(0x040C, "Couper", "Français");
  f.Language(0x0407, "Teilen", "Deutsch");
  f.list->ScanLanguages();
  int after = 0;
  f.list->AfterLanguageSwitch = [&](TComponent* sender) {
    EXPECT_EQ(sender, f.list);
    ++after;
  };
  EXPECT_EQ(f.list->CurrentTitle(), "");
  f.list->SetProp("LanguageIndex", 1);
  EXPECT_EQ(f.Caption(), "Teilen");
  EXPECT_EQ(f.list->CurrentTitle(), "Deutsch");
  EXPECT_EQ(f.list->CurrentHeading(), "Heading Deutsch");
  EXPECT_EQ(StoredCode(key), 0x0407u);
  f.list->SetLanguageIndex(1); // the same language again applies again
  EXPECT_EQ(after, 2);
  f.list->SetLanguageIndex(5); // out of range: nothing
  EXPECT_EQ(f.list->LanguageIndex(), 1);

  // A file gone since the scan: the index and the stored code change, the
  // texts stay, no notification.
  std::filesystem::remove(f.dir.path() / "Vandrel_0000040C.SPK");
  f.list->SetLanguageIndex(0);
  EXPECT_FALSE(f.list->LanguageLoaded());
  EXPECT_EQ(f.list->LanguageIndex(), 0);
  EXPECT_EQ(StoredCode(key), 0x040Cu);
  EXPECT_EQ(f.Caption(), "Teilen");
  EXPECT_EQ(after, 2);
  EXPECT_EQ(f.list->CurrentTitle(), "");
}

TEST(LangListTest, RefusedSwitchLeavesEverythingAsItWas) {
  const std::string key = "Software\\Tolvane\\RefuseTest";
  ListFixture f(key);
  f.Language(0x040C, "Couper");
  f.Language(0x0407, "Teilen");
  f.list->ScanLanguages();
  f.list->SetLanguageIndex(0);
  std::uint32_t seen_old = 0, seen_new = 0;
  f.list->BeforeLanguageSwitch = [&](TLangList*, std::uint32_t o, std::uint32_t n, bool& can) {
    seen_old = o;
    seen_new = n;
    can = false;
  };
  f.list->SetLanguageIndex(1);
  EXPECT_EQ(seen_old, 0x040Cu);
  EXPECT_EQ(seen_new, 0x0407u);
  EXPECT_EQ(f.list->LanguageIndex(), 0);
  EXPECT_EQ(f.Caption(), "Couper");
  EXPECT_EQ(StoredCode(key), 0x040Cu);
}

TEST(LangListTest, SelectByCodeFallsBackToLanguageThenPrimaryLanguage) {
  ListFixture f("Software\\Tolvane\\SelectTest");
  f.Language(0x0409, "Split");
  f.Language(0x040C, "Couper");
  f.list->ScanLanguages();
  struct Case {
    std::uint32_t code;
    bool found;
    std::uint32_t selected;
  } cases[] = {{0x1040C, true, 0x040C},
               {0x080C, true, 0x040C},
               {0x0409, true, 0x0409},
               {0x0407, false, 0x0409}};
  for (const Case& c : cases) {
    EXPECT_EQ(f.list->SelectByCode(c.code), c.found) << std::hex << c.code;
    EXPECT_EQ(f.list->LanguageCode(f.list->LanguageIndex()), c.selected) << std::hex << c.code;
  }
}

TEST(LangListTest, RestoreUsesTheStoredCodeOrElseTheSystemLanguage) {
  const std::string key = "Software\\Tolvane\\RestoreTest";
  {
    ListFixture f(key);
    f.Language(0x0409, "Split");
    f.Language(0x040C, "Couper");
    f.list->ScanLanguages();
    setenv("LC_ALL", "fr_CA.UTF-8", 1); // 0C0C: same primary language as 040C
    EXPECT_TRUE(f.list->RestoreLanguage());
    unsetenv("LC_ALL");
    EXPECT_EQ(f.Caption(), "Couper");
  }
  {
    platform::RegistryKey k;
    k.Open(platform::RegistryRoot::CurrentUser, key, true);
    k.WriteDword("Langue", 0x0409);
  }
  ListFixture f(key);
  f.Language(0x0409, "Split now");
  f.Language(0x040C, "Couper");
  f.list->ScanLanguages();
  EXPECT_TRUE(f.list->RestoreLanguage());
  EXPECT_EQ(f.Caption(), "Split now");
}

TEST(LangListTest, EmptyRegKeyMeansNoRegistryAccessAndNothingApplied) {
  const std::filesystem::path hive =
      test::HermeticRoot() / "config" / "Tolvane" / "HKEY_CURRENT_USER.reg";
  const bool hive_before = std::filesystem::exists(hive);
  const auto stamp =
      hive_before ? std::filesystem::last_write_time(hive) : std::filesystem::file_time_type{};
  ListFixture f("");
  f.Language(0x040C, "Couper");
  f.list->FirstActivation();
  EXPECT_EQ(f.list->Languages().size(), 1u);
  EXPECT_EQ(f.Caption(), "Split Now");
  EXPECT_FALSE(f.list->SaveLanguage());
  f.list->SetLanguageIndex(0);
  EXPECT_EQ(f.Caption(), "Couper");
  EXPECT_EQ(std::filesystem::exists(hive), hive_before);
  if (hive_before) {
    EXPECT_EQ(std::filesystem::last_write_time(hive), stamp);
  }
}

TEST(LangListTest, StoredValueOfAnotherTypeIsReportedOnce) {
  const std::string key = "Software\\Tolvane\\WrongTypeTest";
  {
    platform::RegistryKey k;
    k.Open(platform::RegistryRoot::CurrentUser, key, true);
    k.WriteString("Langue", "040C");
  }
  ListFixture f(key);
  f.Language(0x040C, "Couper");
  try {
    ActivateApplication();
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Langue'");
  }
  EXPECT_EQ(f.Caption(), "Split Now");
  EXPECT_NO_THROW(ActivateApplication()); // the next activation does not raise it again
}

TEST(LangListTest, CoArgumentWritesTheTemplateWithABeep) {
  struct Case {
    std::vector<AnsiString> arguments;
    bool writes;
  } cases[] = {
      {{"-co"}, true},   {{"/CO"}, true},   {{"file.vd0", "-Config"}, true},
      {{"x-co"}, false}, {{"--co"}, false}, {{}, false},
  };
  for (const Case& c : cases) {
    ListFixture f("");
    int beeps = 0;
    platform::SetBeepHandler([&](unsigned hz, unsigned ms) {
      EXPECT_EQ(hz, 4000u);
      EXPECT_EQ(ms, 100u);
      ++beeps;
    });
    f.tree.main->SetProp("Font", TFont{"Sans", 0, 8});
    f.list->SetArguments(c.arguments);
    f.list->FirstActivation();
    platform::SetBeepHandler(nullptr);
    const auto file = f.dir.path() / "Vandrel_ORIGINAL.SPK";
    const std::string label = c.arguments.empty() ? "(none)" : c.arguments.back();
    EXPECT_EQ(std::filesystem::exists(file), c.writes) << label;
    EXPECT_EQ(beeps, c.writes ? 1 : 0) << label;
    if (c.writes) {
      TLanguageRecord back(4, &f.tree.app, nullptr);
      EXPECT_TRUE(back.ApplyFile(Utf8ToWide(file.string())));
      EXPECT_EQ(back.FontName, "Sans");
      EXPECT_EQ(back.Charset, 0);
    }
  }
}

// On Linux an absolute path begins with "/": a file or folder named on the
// command line never writes the template, "/co" alone still does.
TEST(LangListTest, AbsolutePathsAreNoSlashSwitches) {
  TempDir dir;
  const std::string content = dir.File("content");
  std::filesystem::create_directories(content);
  test::WriteFile(content + "/film.vd0", "part");
  struct Case {
    std::string argument;
    bool is_switch;
  } cases[] = {
      {"-co", true},
      {"/co", true},
      {"/CONFIG", true},
      {"-co/x", true},
      {content + "/film.vd0", false},
      {content, false},
      {"/content/film.vd0", false}, // holds a further "/", existing or not
      {"/config/", false},
      {"film.vd0", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTemplateSwitch(c.argument), c.is_switch) << c.argument;
  }
  // An existing folder straight under "/", with no further "/", is a path.
  ASSERT_TRUE(std::filesystem::is_directory("/usr"));
  EXPECT_FALSE(IsTemplateSwitch("/usr"));
  EXPECT_TRUE(IsTemplateSwitch("/co-no-such-folder"));

  ListFixture f("");
  f.list->SetArguments({content + "/film.vd0"});
  f.list->FirstActivation();
  EXPECT_FALSE(std::filesystem::exists(f.dir.path() / "Vandrel_ORIGINAL.SPK"));
}

// The template is written anew each time: a new one follows the umask, a
// replaced one keeps its mode.
TEST(LangListTest, TemplateFollowsTheUmaskAndKeepsItsMode) {
  ListFixture f("");
  const auto file = f.dir.path() / "Vandrel_ORIGINAL.SPK";
  const mode_t saved = umask(0002);
  ASSERT_TRUE(f.list->WriteTemplate());
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0664));
  std::filesystem::permissions(file, std::filesystem::perms(0640));
  ASSERT_TRUE(f.list->WriteTemplate());
  umask(saved);
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
}

TEST(LangListTest, ActivationRunsTheListOnceAndBeforeTheMainWindowsHandler) {
  const std::string key = "Software\\Tolvane\\ActivationTest";
  TempDir dir;
  AppTree tree;
  std::vector<std::string> order;
  auto* main_events = new TApplicationEvents(tree.main); // the window's own, created earlier
  main_events->OnActivate = [&] { order.push_back("main:" + *tree.splitgo->GetText("Caption")); };
  auto* list = new TLangList(tree.main, "Langue");
  list->FilePrefix = "Vandrel_";
  list->RegKey = key;
  list->SetExeFolder(Utf8ToWide(dir.path().string()));
  list->Loaded();
  {
    platform::RegistryKey k;
    k.Open(platform::RegistryRoot::CurrentUser, key, true);
    k.WriteDword("Langue", 0x040C);
  }
  LangFileWriter(dir.WFile("Vandrel_0000040C.SPK"))
      .Header(4, 0x040C)
      .Group("main.splitgo_btn", 0, 0x21, "Couper");
  ActivateApplication();
  ActivateApplication();
  EXPECT_EQ(order, (std::vector<std::string>{"main:Couper", "main:Couper"}));
  EXPECT_EQ(list->Root(), &tree.app);
}

TEST(LangListTest, LanguageFolderPrefersSubDirAndElseSitsBesideTheProgram) {
  ListFixture f("");
  f.list->SubDir = "../share/vandrel";
  EXPECT_EQ(f.list->LanguageFolder(), Utf8ToWide(f.dir.path().string() + "/"));
  std::filesystem::create_directories(f.dir.path() / ".." / "share" / "vandrel");
  EXPECT_EQ(f.list->LanguageFolder(), Utf8ToWide(f.dir.path().string() + "/../share/vandrel/"));
  std::filesystem::remove_all(f.dir.path() / ".." / "share");
}

TEST(LangListTest, LoadFlagReadsRecordFiveAndRefusesBrokenPictures) {
  ListFixture f("");
  {
    LangFileWriter w(f.File("Vandrel_0000040C.SPK"));
    w.Int(0, 0x4040C).Text(1, "").Text(2, "").Text(3, "").Text(4, "").Text(5, TinyBmp());
  }
  {
    LangFileWriter w(f.File("Vandrel_00000407.SPK"));
    w.Int(0, 0x40407).Text(1, "").Text(2, "").Text(3, "").Text(4, "").Text(5, "BM broken");
  }
  {
    LangFileWriter w(f.File("Vandrel_00000409.SPK")); // five records only
    w.Int(0, 0x40409).Text(1, "").Text(2, "").Text(3, "").Text(4, TinyBmp());
  }
  const std::string before = test::ReadFile(f.dir.path() / "Vandrel_0000040C.SPK");
  TBitmap flag;
  EXPECT_TRUE(f.list->LoadFlag(0x040C, flag));
  EXPECT_EQ(flag.Width(), 1);
  EXPECT_EQ(flag.Bytes(), TinyBmp());
  EXPECT_EQ(test::ReadFile(f.dir.path() / "Vandrel_0000040C.SPK"), before);
  EXPECT_FALSE(f.list->LoadFlag(0x0407, flag));
  EXPECT_TRUE(flag.Empty());
  EXPECT_FALSE(f.list->LoadFlag(0x0409, flag));
  EXPECT_FALSE(f.list->LoadFlag(0x0419, flag));
  EXPECT_FALSE(std::filesystem::exists(f.dir.path() / "Vandrel_00000419.SPK")); // not created
}

TEST(LangListTest, CplCompatibilityTranslatesOnlyTheOwnerWindow) {
  TempDir dir;
  AppTree tree;
  auto* list = new TLangList(tree.about, "Langue");
  list->CplCompatibility = true;
  list->RegKey = "";
  list->SetExeFolder(Utf8ToWide(dir.path().string()));
  list->Loaded();
  EXPECT_EQ(list->Root(), tree.about);
  LangFileWriter(dir.WFile("0000040C.SPK"))
      .Header(4, 0x040C)
      .Group("AboutDlg.ok_btn", 0, 0x21, "D'accord")
      .Group("main.splitgo_btn", 0, 0x21, "Couper");
  list->ScanLanguages();
  list->SetLanguageIndex(0);
  EXPECT_EQ(tree.ok->GetText("Caption"), "D'accord");
  EXPECT_EQ(tree.splitgo->GetText("Caption"), "Split Now");
}

TEST(LangListTest, ExcludedCompsAreSortedWithoutDuplicates) {
  ListFixture f("");
  f.list->SetProp("ExcludedComps", TStrings{"main.b", "A", "a", "Main.B", "c"});
  EXPECT_EQ(f.list->ExcludedComps(), (TStrings{"A", "c", "main.b"}));
}

} // namespace
} // namespace vandrel
