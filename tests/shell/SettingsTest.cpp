#include "shell/Settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "shell/U_Log.h"
#include "support/Hermetic.h"
#include "support/ScopedEnvironment.h"

namespace vandrel {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryStatus;
using platform::RegistryType;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

class SettingsTest : public testing::Test {
protected:
  TempDir dir;
  test::ScopedEnvironment config{"XDG_CONFIG_HOME", dir.File("config")};

  static RegistryKey Key(const AnsiString& path, bool create = true) {
    RegistryKey key;
    key.Open(RegistryRoot::CurrentUser, path, create);
    return key;
  }
};

TEST_F(SettingsTest, ProductSettingReadsStringsOnlyAndCreatesTheKey) {
  EXPECT_EQ(ReadProductSetting("LogMode"), "");
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel"));
  RegistryKey key = Key(ProductKeyPath());
  const struct {
    const char* stored;
    const char* read;
  } cases[] = {{"1", "1"}, {"01", "01"}, {"1 ", "1 "}, {"true", "true"}, {"", ""}};
  for (const auto& c : cases) {
    key.WriteString("LogMode", c.stored);
    EXPECT_EQ(ReadProductSetting("LogMode"), c.read);
  }
  key.WriteDword("LogMode", 1);
  EXPECT_EQ(ReadProductSetting("LogMode"), "") << "a DWORD LogMode reads as empty";
}

TEST_F(SettingsTest, CompanyValueAndKeysComeAndGo) {
  EXPECT_EQ(CompanyKeyPath(), "SOFTWARE\\Tolvane");
  EXPECT_EQ(ProductKeyPath(), "SOFTWARE\\Tolvane\\Vandrel");
  DeleteCompanyKeyIfEmpty();
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()))
      << "never creates the company key";

  ASSERT_TRUE(WriteProductPath("Vandrel", "/opt/Vandrel/vandrel"));
  AnsiString path;
  EXPECT_EQ(Key(CompanyKeyPath()).ReadString("Vandrel", path), RegistryStatus::Ok);
  EXPECT_EQ(path, "/opt/Vandrel/vandrel");
  Key(ProductKeyPath() + "\\Sub").WriteString("x", "y");
  Key(CompanyKeyPath() + "\\Other").WriteString("kept", "1");

  DeleteProductKey("Vandrel");
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, ProductKeyPath()));
  DeleteCompanyValue("Vandrel");
  DeleteCompanyValue("Vandrel");
  EXPECT_FALSE(Key(CompanyKeyPath()).HasValue("Vandrel"));
  DeleteCompanyKeyIfEmpty();
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()))
      << "another program's subkey keeps it";
  platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, CompanyKeyPath() + "\\Other");
  Key(CompanyKeyPath()).WriteString("Another", "value");
  DeleteCompanyKeyIfEmpty();
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()))
      << "a value keeps it";
  DeleteCompanyValue("Another");
  DeleteCompanyKeyIfEmpty();
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()));
}

TEST_F(SettingsTest, DamagedHiveIsReportedInTheLog) {
  fs::create_directories(dir.path() / "config" / "Tolvane");
  WriteFile(dir.path() / "config" / "Tolvane" / "HKEY_CURRENT_USER.reg", "garbage\n");
  EXPECT_EQ(ReadProductSetting("LogMode"), "");
  TKLog log(dir.File("Vandrel.log"), false, 10000);
  LogRegistryReports(&log);
  ASSERT_EQ(log.Lines.size(), 1u);
  EXPECT_EQ(log.Lines[0].rfind("Error\t", 0), 0u);
  EXPECT_NE(log.Lines[0].find("HKEY_CURRENT_USER.reg.damaged-"), std::string::npos) << log.Lines[0];
  LogRegistryReports(nullptr);
}

TEST(ParseIniIntegerTest, AcceptsWholeNumbersOnly) {
  const struct {
    const char* text;
    bool ok;
    std::int32_t value;
  } cases[] = {
      {"0x10", true, 16},
      {"$10", true, 16},
      {"0XfF", true, 255},
      {"-0x10", true, -16},
      {"0xFFFFFFFF", true, -1},
      {"0x100000000", false, 0},
      {"42", true, 42},
      {"  42", true, 42},
      {"+7", true, 7},
      {"-5", true, -5},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},
      {"4294967295", false, 0},
      {"99999999999999999999999", false, 0},
      {"word", false, 0},
      {"12abc", false, 0},
      {"1 2", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"0x", false, 0},
      {"$", false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t value = 99;
    EXPECT_EQ(ParseIniInteger(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST_F(SettingsTest, ImportLoadsBothSectionsInFileOrder) {
  const std::string ini = dir.File("settings.ini");
  WriteFile(ini, "[Settings]\r\nLogMode=1\r\nUpdateServer=\" spaced \"\r\n"
                 "[Settings_DWORD]\r\nLangue=0x10\r\nWord=seven\r\nNegative=-2\r\nDollar=$1F\r\n");
  Key(ProductKeyPath()).WriteString("KeptByTheKey", "yes");
  ASSERT_TRUE(ImportSettingsFromIni("Vandrel", ini));
  RegistryKey key = Key(ProductKeyPath());
  EXPECT_EQ(key.ValueNames(), (std::vector<AnsiString>{"KeptByTheKey", "LogMode", "UpdateServer",
                                                       "Langue", "Word", "Negative", "Dollar"}));
  AnsiString text;
  key.ReadString("UpdateServer", text);
  EXPECT_EQ(text, " spaced ");
  const struct {
    const char* name;
    std::uint32_t value;
  } dwords[] = {{"Langue", 16}, {"Word", 0}, {"Negative", 0xFFFFFFFE}, {"Dollar", 31}};
  for (const auto& d : dwords) {
    std::uint32_t value = 1;
    EXPECT_EQ(key.ReadDword(d.name, value), RegistryStatus::Ok) << d.name;
    EXPECT_EQ(value, d.value) << d.name;
  }

  platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, ProductKeyPath());
  EXPECT_TRUE(ImportSettingsFromIni("Vandrel", dir.File("no such settings.ini")));
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, ProductKeyPath()))
      << "a first portable run makes an empty product key";
  EXPECT_TRUE(Key(ProductKeyPath()).ValueNames().empty());
}

TEST_F(SettingsTest, ExportWritesStringsAndDwordsAndSkipsOtherTypes) {
  const std::string ini = dir.File("settings.ini");
  WriteFile(ini, "[Settings]\r\nDeletedDuringTheRun=old\r\n");
  RegistryKey key = Key(ProductKeyPath());
  key.WriteString("LogMode", "1");
  key.WriteString("Padded", " two blanks ");
  key.WriteDword("Langue", 0x40C);
  key.WriteDword("High", 0x80000000u);
  key.WriteExpandString("Expand", "%HOME%");
  key.WriteRaw("Blob", RegistryType::Binary, "\x01\x02");
  ASSERT_TRUE(ExportSettingsToIni("Vandrel", ini));
  EXPECT_EQ(ReadFile(ini), "[Settings]\r\nDeletedDuringTheRun=old\r\nLogMode=1\r\n"
                           "Padded=\" two blanks \"\r\n"
                           "[Settings_DWORD]\r\nLangue=1036\r\nHigh=-2147483648\r\n");
  EXPECT_EQ(platform::IniReadEntryNames(ini, "Settings"),
            (std::vector<AnsiString>{"DeletedDuringTheRun", "LogMode", "Padded"}));
  EXPECT_EQ(platform::IniReadString(ini, "Settings_DWORD", "Langue"), "1036");
  EXPECT_EQ(platform::IniReadString(ini, "Settings_DWORD", "High"), "-2147483648");
  EXPECT_EQ(ReadFile(ini).find("Expand"), std::string::npos);
  EXPECT_EQ(ReadFile(ini).find("Blob"), std::string::npos);

  // Back through the file, every string and DWORD comes back exactly.
  platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, ProductKeyPath());
  ASSERT_TRUE(ImportSettingsFromIni("Vandrel", ini));
  AnsiString text;
  std::uint32_t number = 0;
  RegistryKey back = Key(ProductKeyPath());
  back.ReadString("Padded", text);
  EXPECT_EQ(text, " two blanks ");
  back.ReadDword("High", number);
  EXPECT_EQ(number, 0x80000000u);
  EXPECT_FALSE(back.HasValue("Expand")) << "other types are lost with the key";

  chmod(ini.c_str(), 0444);
  EXPECT_FALSE(ExportSettingsToIni("Vandrel", ini)) << "a read-only file fails the export";
}

// The key's default value (the empty name), string or DWORD, goes to the
// file and comes back.
TEST_F(SettingsTest, DefaultValueGoesThroughTheFileAndBack) {
  for (const bool dword : {false, true}) {
    SCOPED_TRACE(dword ? "DWORD" : "string");
    const std::string ini = dir.File(dword ? "dword.ini" : "string.ini");
    platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, ProductKeyPath());
    RegistryKey key = Key(ProductKeyPath());
    if (dword) {
      key.WriteDword("", 7);
    } else {
      key.WriteString("", "the default");
    }
    key.WriteString("LogMode", "1");
    ASSERT_TRUE(ExportSettingsToIni("Vandrel", ini));
    platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, ProductKeyPath());
    ASSERT_TRUE(ImportSettingsFromIni("Vandrel", ini));
    RegistryKey back = Key(ProductKeyPath());
    EXPECT_EQ(back.ValueNames().size(), 2u);
    EXPECT_TRUE(back.HasValue("LogMode"));
    AnsiString text;
    std::uint32_t number = 0;
    if (dword) {
      EXPECT_EQ(back.ReadDword("", number), RegistryStatus::Ok);
      EXPECT_EQ(number, 7u);
    } else {
      EXPECT_EQ(back.ReadString("", text), RegistryStatus::Ok);
      EXPECT_EQ(text, "the default");
    }
  }
}

class InstalledTest : public SettingsTest {
protected:
  test::ScopedEnvironment data{"XDG_DATA_HOME", dir.File("data")};
  test::ScopedEnvironment system{"XDG_DATA_DIRS", dir.File("system") + ":" + dir.File("usr")};

  void Entry(const std::string& where, const std::string& file, const std::string& body) {
    fs::create_directories(dir.path() / where / "applications");
    WriteFile(dir.path() / where / "applications" / file,
              "[Desktop Entry]\nType=Application\n" + body);
  }
};

TEST_F(InstalledTest, DisplayNameOrEntryNameMustBeginWithThePrefix) {
  const struct {
    const char* what;
    const char* file;
    const char* body;
    bool installed;
  } cases[] = {
      {"prefix in capitals and a version", "vandrel.desktop", "Name=TOLVANE VANDREL 1.2.0\n", true},
      {"another word first", "vandrel.desktop", "Name=The Tolvane Vandrel\n", false},
      {"entry name without Name", "Tolvane Vandrel.desktop", "Exec=vandrel\n", true},
      {"display name decides", "Tolvane Vandrel.desktop", "Name=Something else\n", false},
      {"localised names do not count", "x.desktop", "Name[fr]=Tolvane Vandrel\nName=X\n", false},
      {"removed entry", "vandrel.desktop", "Name=Tolvane Vandrel\nHidden=true\n", false},
      {"shorter than the prefix", "t.desktop", "Name=Tolvane\n", false},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir.path() / "data" / "applications");
    Entry("data", c.file, c.body);
    EXPECT_EQ(IsInstalled("Tolvane Vandrel"), c.installed) << c.what;
  }
}

TEST_F(InstalledTest, SystemEntriesCountUnlessTheUserRemovedThem) {
  EXPECT_EQ(InstalledProgramPrefix(), "Tolvane Vandrel");
  EXPECT_FALSE(IsInstalled("Tolvane Vandrel"));
  Entry("usr", "com.tolvane.Vandrel.desktop", "Name=Tolvane Vandrel\n");
  EXPECT_TRUE(IsInstalled("tolvane vandrel"));
  Entry("data", "com.tolvane.Vandrel.desktop", "Name=Tolvane Vandrel\nHidden=true\n");
  EXPECT_FALSE(IsInstalled("Tolvane Vandrel"));
}

TEST_F(SettingsTest, DataFolderIsMadeUnderXdgDataHomeOrFallsBackToTheExecutableFolder) {
  const std::string exe = dir.File("portable/vandrel");
  {
    test::ScopedEnvironment data("XDG_DATA_HOME", dir.File("fresh/share"));
    EXPECT_EQ(GetDataFolder(exe, "Vandrel"), dir.File("fresh/share/Tolvane/Vandrel/"));
    EXPECT_TRUE(fs::is_directory(dir.File("fresh/share/Tolvane/Vandrel")));
  }
  {
    WriteFile(dir.File("a file"), "in the way");
    test::ScopedEnvironment data("XDG_DATA_HOME", dir.File("a file/share"));
    EXPECT_EQ(GetDataFolder(exe, "Vandrel"), dir.File("portable/"));
  }
  test::ScopedEnvironment data("XDG_DATA_HOME", std::nullopt);
  test::ScopedEnvironment home("HOME", std::nullopt);
  EXPECT_EQ(GetDataFolder(exe, "Vandrel"), dir.File("portable/"));
}

TEST_F(SettingsTest, FolderTreeGoesWithReadOnlyEntriesButNeverFollowsLinks) {
  const fs::path tree = dir.path() / "data folder";
  const fs::path outside = dir.path() / "outside";
  fs::create_directories(tree / "nested" / "deeper");
  fs::create_directories(outside / "keep");
  WriteFile(outside / "keep" / "precious.txt", "mine");
  WriteFile(tree / "Vandrel.log", "log");
  WriteFile(tree / ".hidden", "dot files go too");
  WriteFile(tree / "nested" / "read-only.qvb", "x");
  WriteFile(tree / "nested" / "deeper" / "été.txt", "x");
  chmod((tree / "nested" / "read-only.qvb").c_str(), 0444);
  chmod((tree / "nested" / "deeper").c_str(), 0555);
  fs::create_directory_symlink(outside / "keep", tree / "link to folder");
  fs::create_symlink(outside / "keep" / "precious.txt", tree / "nested" / "link to file");

  EXPECT_TRUE(DeleteFolderTree((tree / "").string(), "*"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  EXPECT_EQ(ReadFile(outside / "keep" / "precious.txt"), "mine");

  // The data folder itself replaced by a link: the link goes, not the target.
  fs::create_directory_symlink(outside, tree);
  EXPECT_TRUE(DeleteFolderTree(tree.string(), "*"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  EXPECT_TRUE(fs::exists(outside / "keep" / "precious.txt"));

  EXPECT_TRUE(DeleteFolderTree("", "*")) << "an empty name deletes nothing";
}

TEST_F(SettingsTest, FolderTreeWithAnExtensionTakesOnlyMatchingEntries) {
  const fs::path mirror = dir.path() / "mirror";
  fs::create_directories(mirror / "sub.spk");
  fs::create_directories(mirror / "plain");
  WriteFile(mirror / "Vandrel_0000040C.SPK", "x");
  WriteFile(mirror / "lower.spk", "x");
  WriteFile(mirror / "plain" / "inside.SPK", "x");
  WriteFile(mirror / "sub.spk" / "inner.spk", "x");
  WriteFile(mirror / "sub.spk" / "inner.txt", "x");
  WriteFile(mirror / "settings.ini", "x");
  DeleteFolderTree(mirror.string(), "SPK");
  EXPECT_FALSE(fs::exists(mirror / "Vandrel_0000040C.SPK"));
  EXPECT_FALSE(fs::exists(mirror / "lower.spk"));
  EXPECT_FALSE(fs::exists(mirror / "sub.spk" / "inner.spk"));
  EXPECT_TRUE(fs::exists(mirror / "sub.spk" / "inner.txt"));
  EXPECT_TRUE(fs::exists(mirror / "plain" / "inside.SPK")) << "only matching folders are entered";
  EXPECT_TRUE(fs::exists(mirror / "settings.ini"));

  fs::remove_all(mirror);
  fs::create_directories(mirror);
  WriteFile(mirror / "Vandrel_ORIGINAL.SPK", "x");
  DeleteFolderTree(mirror.string(), "SPK");
  EXPECT_FALSE(fs::exists(mirror)) << "a mirror of language files only disappears";
  EXPECT_EQ(CleanVirtualStore(dir.File("portable/")), "") << "no VirtualStore on Linux";
}

TEST_F(SettingsTest, SubfoldersAndTheCompanyDataFolder) {
  test::ScopedEnvironment data("XDG_DATA_HOME", dir.File("share"));
  const fs::path company = dir.path() / "share" / "Tolvane";
  fs::create_directories(company / "Vandrel");
  fs::create_directories(company / "Other Program");
  WriteFile(company / "file.txt", "x");
  std::vector<AnsiString> list{"kept"};
  ListSubfolders(company.string(), list);
  std::sort(list.begin() + 1, list.end());
  EXPECT_EQ(list, (std::vector<AnsiString>{"kept", (company / "Other Program").string(),
                                           (company / "Vandrel").string()}));
  RemoveEmptyCompanyDataFolder();
  EXPECT_TRUE(fs::exists(company));
  fs::remove_all(company / "Vandrel");
  fs::remove_all(company / "Other Program");
  RemoveEmptyCompanyDataFolder();
  EXPECT_TRUE(fs::exists(company)) << "a file keeps it";
  fs::remove(company / "file.txt");
  RemoveEmptyCompanyDataFolder();
  EXPECT_FALSE(fs::exists(company));
  EXPECT_TRUE(SwitchWow64Redirection(true));
  EXPECT_TRUE(SwitchWow64Redirection(false));
}

TEST_F(SettingsTest, OnDiskPathKeepsExistingNamesAndNeverMatchesWildcards) {
  fs::create_directories(dir.path() / "Parts Folder");
  WriteFile(dir.path() / "Parts Folder" / "abc.vd0", "x");
  const WideString base = dir.WFile("Parts Folder/");
  const struct {
    WideString given;
    WideString expected;
  } cases[] = {
      {base + u"abc.vd0", base + u"abc.vd0"},
      {base + u"missing/tail.vd0", base + u"missing/tail.vd0"},
      {base + u"a*", base + u"a*"},
      {base + u"ab?.vd0", base + u"ab?.vd0"},
      {u"relative/name", u"relative/name"},
      {u"name", u"name"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetOnDiskPath(c.given), c.expected) << WideToUtf8(c.given);
  }
  const AnsiString url = GetBurnerPageUrl();
  EXPECT_EQ(url.rfind("https://", 0), 0u);
  EXPECT_EQ(url.substr(url.size() - 8), "/qiv.php");
}

class PortableTest : public SettingsTest {
protected:
  test::ScopedEnvironment data{"XDG_DATA_HOME", dir.File("share")};
  test::ScopedEnvironment system{"XDG_DATA_DIRS", dir.File("system")};
  fs::path exe_folder = dir.path() / "USB stick";
  std::string exe = (exe_folder / "vandrel").string();

  void SetUp() override {
    fs::create_directories(exe_folder);
    WriteFile(exe_folder / "vandrel", "program");
    WriteFile(exe_folder / "Vandrel_0000040C.SPK", "language");
    WriteFile(exe_folder / "settings.ini", "[Settings_DWORD]\r\nLangue=1036\r\n");
  }
};

TEST_F(PortableTest, ARunLeavesOnlyTheSettingsFile) {
  LoadPortableSettings(exe);
  std::uint32_t langue = 0;
  EXPECT_EQ(Key(ProductKeyPath()).ReadDword("Langue", langue), RegistryStatus::Ok);
  EXPECT_EQ(langue, 1036u);
  WriteProductPath("Vandrel", exe);
  Key(ProductKeyPath()).WriteString("LogMode", "1");
  const AnsiString data_folder = GetDataFolder(exe, "Vandrel");
  WriteFile(data_folder + "Vandrel.log", "log");
  WriteFile(data_folder + "vandrel_0.qvb", "project");
  chmod((data_folder + "vandrel_0.qvb").c_str(), 0444);

  // A key without values counts as empty.
  Key("SOFTWARE\\Left empty");
  TKLog log(data_folder + "Vandrel.log", true, 10000);
  log.Add("Starting", 1);

  SavePortableSettings(exe, "Vandrel", &log);
  log.Add("after the shut-down", 1);
  log.Save();
  EXPECT_FALSE(fs::exists(dir.path() / "share" / "Tolvane")) << "nothing writes the log again";
  EXPECT_FALSE(fs::exists(dir.path() / "config" / "Tolvane"))
      << "neither the hive nor its lock stays";
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()));
  EXPECT_EQ(platform::IniReadString(PortableSettingsFile(exe), "Settings", "LogMode"), "1");
  EXPECT_EQ(platform::IniReadString(PortableSettingsFile(exe), "Settings_DWORD", "Langue"), "1036");
  EXPECT_TRUE(fs::exists(exe_folder / "vandrel"));
  EXPECT_TRUE(fs::exists(exe_folder / "Vandrel_0000040C.SPK"));
}

TEST_F(PortableTest, FallbackDataFolderLosesOnlyTheProgramsOwnFiles) {
  WriteFile(dir.File("a file"), "in the way");
  test::ScopedEnvironment blocked("XDG_DATA_HOME", dir.File("a file/share"));
  ASSERT_EQ(GetDataFolder(exe, "Vandrel"), (exe_folder / "").string());
  WriteFile(exe_folder / "Vandrel.log", "log");
  WriteFile(exe_folder / "vandrel_3.qvb", "project");
  WriteFile(exe_folder / "vandrel_notes.qvb", "not ours");
  WriteFile(exe_folder / "notes.txt", "the user's");
  LoadPortableSettings(exe);
  {
    // Beside the program the log is neither saved at the end nor after.
    TKLog log((exe_folder / "Vandrel.log").string(), false, 10000);
    log.Add("Starting", 1);
    SavePortableSettings(exe, "Vandrel", &log);
  }
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(exe_folder)) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Vandrel_0000040C.SPK", "notes.txt", "settings.ini",
                                            "vandrel", "vandrel_notes.qvb"}));
}

TEST_F(PortableTest, FailedExportKeepsTheRegistry) {
  LoadPortableSettings(exe);
  WriteProductPath("Vandrel", exe);
  chmod((exe_folder / "settings.ini").c_str(), 0444);
  SavePortableSettings(exe, "Vandrel", nullptr);
  EXPECT_TRUE(Key(ProductKeyPath(), false).HasValue("Langue"));
  EXPECT_TRUE(Key(CompanyKeyPath(), false).HasValue("Vandrel"));
}

TEST_F(PortableTest, InstalledCopyKeepsEverything) {
  fs::create_directories(dir.path() / "system" / "applications");
  WriteFile(dir.path() / "system" / "applications" / "vandrel.desktop",
            "[Desktop Entry]\nName=Tolvane Vandrel\n");
  LoadPortableSettings(exe);
  EXPECT_FALSE(Key(ProductKeyPath()).HasValue("Langue")) << "an installed copy imports nothing";
  WriteProductPath("Vandrel", exe);
  const AnsiString data_folder = GetDataFolder(exe, "Vandrel");
  TKLog log(data_folder + "Vandrel.log", false, 10000);
  log.Add("Starting", 1);
  SavePortableSettings(exe, "Vandrel", &log);
  EXPECT_NE(ReadFile(data_folder + "Vandrel.log").find("Starting"), std::string::npos)
      << "the log is saved at the end";
  EXPECT_TRUE(fs::is_directory(data_folder));
  EXPECT_TRUE(Key(CompanyKeyPath(), false).HasValue("Vandrel"));
}

} // namespace
} // namespace vandrel
