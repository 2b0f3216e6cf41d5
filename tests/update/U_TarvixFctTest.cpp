// Product identity of generated PE files (never files of other programs):
// the name, company and version steps with their edge cases, the generic
// clean-ups, the uninstall-entry lookups of the registry hive, the pseudo
// names, and damaged images that must read as "nothing" without harm.

#include "update/U_TarvixFct.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Registry.h"
#include "shell/ImageFixtures.h"
#include "support/Hermetic.h"
#include "update/U_Tarvix_Lite.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct PeSpec {
  std::vector<std::pair<std::string, std::string>> strings;
  std::string fixed = "1.0.0.0"; ///< the fixed file version, four fields
  bool pe64 = false;
  std::uint32_t translation = 0x04B00409;
};

test::Bytes PeImage(const PeSpec& spec) {
  std::vector<VersionStringEntry> entries;
  for (const auto& [name, value] : spec.strings) {
    entries.push_back({name, value});
  }
  std::uint32_t fields[4] = {};
  std::sscanf(spec.fixed.c_str(), "%u.%u.%u.%u", &fields[0], &fields[1], &fields[2], &fields[3]);
  VersionResourceSpec resource;
  resource.file_version_ms = (fields[0] << 16) | fields[1];
  resource.file_version_ls = (fields[2] << 16) | fields[3];
  resource.product_version_ms = resource.file_version_ms;
  resource.product_version_ls = resource.file_version_ls;
  resource.translation = spec.translation;
  resource.strings = entries.data();
  resource.string_count = entries.size();
  return test::MakePe(BuildVersionResource(resource), spec.pe64).image;
}

std::string WriteBytes(const fs::path& file, const test::Bytes& bytes) {
  fs::create_directories(file.parent_path());
  test::WriteFile(file, std::string(bytes.begin(), bytes.end()));
  return file.string();
}

std::string WritePe(const fs::path& file, const PeSpec& spec) {
  return WriteBytes(file, PeImage(spec));
}

class IdentityTest : public testing::Test {
protected:
  TempDir dir;
  std::string Pe(const PeSpec& spec, const std::string& name = "fixture.exe") {
    return WritePe(dir.path() / name, spec);
  }
};

TEST_F(IdentityTest, OwnExecutableKeepsItsVersionResourceIdentityAndRequest) {
  const AnsiString cli = VANDREL_CLI_PATH;
  const TDisplayedFileInfo info = GetDisplayedFileInfo(cli);
  EXPECT_EQ(info.ProductName, "Vandrel");
  EXPECT_EQ(info.CompanyName, "Tolvane");
  EXPECT_EQ(GetProductVersion(cli, "", ""), VANDREL_VERSION_TEXT);
  EXPECT_EQ(GetProductVersion(cli, info.ProductName, info.CompanyName), VANDREL_VERSION_TEXT);

  const TUpdateIdentity identity = ReadUpdateIdentity(cli);
  EXPECT_EQ(identity.ProductName, "Vandrel");
  EXPECT_EQ(identity.CompanyName, "Tolvane");
  EXPECT_EQ(identity.Version, "1.0.0.1");
  EXPECT_EQ(UpdateCheckUrl("update.tolvane.example", identity.ProductName, identity.CompanyName,
                           65536, 1),
            "https://update.tolvane.example/tarvix/check.php?uid=0&ProductName=Vandrel"
            "&Company=Tolvane&VH=65536&VL=1");
}

TEST_F(IdentityTest, ProductNameStepsAndEdgeCases) {
  struct Case {
    const char* what;
    PeSpec spec;
    const char* file;
    const char* expected;
  };
  const Case cases[] = {
      {"x64 on PE32+", {{{"ProductName", "Foo x64"}}, "1.0.0.0", true}, "foo.exe", "Foo (64 bits)"},
      {"x64 on PE32", {{{"ProductName", "Foo x64"}}}, "foo.exe", "Foo x64"},
      {"no second suffix",
       {{{"ProductName", "Bar (64 bits)"}}, "1.0.0.0", true},
       "bar.exe",
       "Bar (64 bits)"},
      {"four-word description, name differs from file",
       {{{"ProductName", "Tool"}, {"FileDescription", "Quick Image Resize Tool"}}},
       "qirt.exe",
       "Quick Image Resize Tool"},
      {"four-word description, name is the file's",
       {{{"ProductName", "Tool"}, {"FileDescription", "Quick Image Resize Tool"}}},
       "TOOL.exe",
       "Tool"},
      {"three-word description wins anyway",
       {{{"ProductName", "Tool"}, {"FileDescription", "Quick Image Resizer"}}},
       "tool.exe",
       "Quick Image Resizer"},
      {"description repeating the name",
       {{{"ProductName", "Tool"}, {"FileDescription", "Tool Image Resizer"}}},
       "qirt.exe",
       "Tool"},
      {"description with a parenthesis",
       {{{"ProductName", "Tool"}, {"FileDescription", "Resizer (Tool)"}}},
       "qirt.exe",
       "Tool"},
      {"description with a parenthesis, registered name",
       {{{"ProductName", "Tool\xC2\xAE"}, {"FileDescription", "Resizer (Tool) Helper"}}},
       "qirt.exe",
       "Resizer (Tool) Helper"},
      {"updater takes its description",
       {{{"ProductName", "Tool"}, {"FileDescription", "Tool Updater"}}},
       "updater.exe",
       "Tool Updater"},
      {"description only", {{{"FileDescription", "Sample Viewer"}}}, "sv.exe", "Sample Viewer"},
      {"long name gives way to the internal name",
       {{{"ProductName", "A very long product name of many words"}, {"InternalName", "longname"}}},
       "x.exe",
       "longname"},
      {"nothing at all", {}, "plain name.exe", "plain name"},
      {"a product rule", {{{"ProductName", "FileZilla FTP Client"}}}, "fz.exe", "FileZilla"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = Pe(c.spec, c.file);
    EXPECT_EQ(GetProductName(file), c.expected);
    fs::remove(file);
  }
}

TEST_F(IdentityTest, GenericNameCleanUp) {
  struct Case {
    const char* product;
    const char* expected;
  };
  const Case cases[] = {
      {"Foo Bar (64-bit)", "Foo Bar"},
      {"Foo Bar (32 bits)", "Foo Bar"},
      {"Foo (Bar) (64-bit)", "Foo (Bar) (64-bit)"},
      {"Foo Editor 2.1", "Foo Editor"},
      {"Foo Editor v3", "Foo Editor"},
      {"Foo Editor V1.2", "Foo Editor"},
      {"Foo Editor 2010", "Foo Editor 2010"},
      {"Widget Studio (TM)", "Widget Studio"},
      {"Foo\xE2\x84\xA2 Editor", "Foo Editor"},
      {"Foo Inc.", "Foo Inc"},
      {"Foo.exe", "Foo"},
      {"Foo Loader.dll loader", "Foo Loader"},
      {"Foo Viewer Application", "Foo Viewer"},
      {"Foo Viewer for Windows NT", "Foo Viewer"},
      {"Foo for Windows\xC2\xAE", "Foo"},
      {"Foo 64-bit", "Foo"},
      {"Main executable for Foo", "Foo"},
      {"ShInstUtil - Foo", "Foo"},
      {"Foo http://foo.example", "Foo"},
      {"?Foo", "Foo"},
      {"?", "fixture"},
      {"$Foo", ""},
      {"Foo ?? Bar", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.product);
    EXPECT_EQ(GetProductName(Pe({{{"ProductName", c.product}}})), c.expected);
  }
}

TEST_F(IdentityTest, CompanyStepsAndEdgeCases) {
  struct Case {
    const char* company;
    const char* copyright;
    const char* expected;
  };
  const Case cases[] = {
      {", LLC", "Copyright (C) 2019 Acme Widgets, LLC", "Acme Widgets, LLC"},
      {", llc", "", ""},
      {"", "\xC2\xA9 2003-2019 Acme Ltd. All rights reserved.", "Acme Ltd"},
      {"Acme L.L.C.", "", "Acme LLC"},
      {"Acme Inc.,", "", "Acme Inc."},
      {"Acme (", "", "Acme"},
      {"Acme ;-[", "", "Acme"},
      {"Acme -", "", "Acme"},
      {"-", "Acme", "Acme"},
      {"Acme\r\nsecond line", "", "Acme"},
      {"GPL", "", ""},
      {"Released under GPL", "Acme", "Acme"},
      {"Acme - Licensed under GPL", "", "Acme"},
      {"Developed by Acme", "", "Acme"},
      {"Acme Software http://acme.example", "", "Acme Software"},
      {"Acme Software www.acme.example", "", "Acme Software"},
      {"TODO", "", ""},
      {"$Company", "", ""},
      {"?", "", ""},
      {"Acme ?? Ltd", "", ""},
      {"Micron Electronics", "", "Micron Technology, Inc."},
      {"Copyright (c) 2012 Evernote Corporation", "", "Evernote Corp."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.company);
    const std::string file = Pe(
        {{{"ProductName", "Widget"}, {"CompanyName", c.company}, {"LegalCopyright", c.copyright}}});
    EXPECT_EQ(GetCompanyName(file, "Widget"), c.expected);
    EXPECT_EQ(GetDisplayedFileInfo(file).CompanyName, c.expected);
  }

  // A file rule settles the company at once.
  const std::string eac =
      WritePe(dir.path() / "Exact Audio Copy" / "EAC.exe", {{{"ProductName", "EAC"}}});
  EXPECT_EQ(GetCompanyName(eac, "EAC"), "ExactAudioCopy.org");
  // Product rules that look at the company see the version resource's.
  EXPECT_EQ(GetCompanyName(Pe({{{"ProductName", "WizTree"}}}), "WizTree"), "Antibody Software");
}

TEST(CopyrightNoiseTest, MarksYearsAndPhrasesGo) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"Copyright (C) 2019 Acme, Inc.", "Acme, Inc."},
      {"(c) 1998-2004 Foo Bar", "Foo Bar"},
      {"c) Foo Bar", "Foo Bar"},
      {"by Foo", "Foo"},
      {"Foo Bar 2010", "Foo Bar"},
      {"Foo Bar \xC2\xA9", "Foo Bar"},
      {"Foo Bar - 07", "Foo Bar"},
      {"2003/2010 Foo", "Foo"},
      {"12/2010 Foo", "Foo"},
      {"ACME/Foo", "ACME/Foo"},
      {"1990 Foo", "1990 Foo"},
      {",Foo,", "Foo"},
      {"Foo released under the GPL", "Foo"},
      {"Foo Freeware licensed under GPL", "Foo"},
      {"Foo Ltd, All Rights Reserved", "Foo Ltd"},
      {"Foo 2010.", "Foo"},
      {"- Foo -", "Foo"},
      {"Copyright(c) Foo", "Foo"},
      {"Foo Ltd. No rights reserved.", "Foo Ltd."},
      {"Acme", "Acme"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StripCopyrightNoise(c.text), c.expected);
  }
}

TEST(NameCleanUpTest, UrlsMarksAndPlaceholdersGo) {
  struct Case {
    const char* text;
    const char* cleaned;
    const char* urls_stripped;
  };
  const Case cases[] = {
      {"Foo http://a.example https://b.example", "Foo", "Foo http://a.example"},
      {"Foo HTTP://a.example", "Foo", "Foo"},
      {"http://only.example", "http://only.example", "http://only.example"},
      {"?Foo -", "Foo", "?Foo -"},
      {"@", "", "@"},
      {"Foo", "Foo", "Foo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CleanName(c.text), c.cleaned);
    EXPECT_EQ(StripTrailingUrls(c.text), c.urls_stripped);
  }
}

TEST(VersionTextTest, CleanValidAndXmlValues) {
  EXPECT_EQ(CleanVersionText("4, 2, 0, 1"), "4.2.0.1");
  EXPECT_EQ(CleanVersionText("1.2 beta 3"), "1.2");
  EXPECT_EQ(CleanVersionText("v1.2"), "");
  EXPECT_TRUE(IsVersionText(""));
  EXPECT_TRUE(IsVersionText("1..2"));
  EXPECT_FALSE(IsVersionText("1.2a"));
  EXPECT_FALSE(IsValidVersionText(""));
  EXPECT_FALSE(IsValidVersionText("0.0"));
  EXPECT_TRUE(IsValidVersionText("0.1"));

  struct Case {
    std::vector<AnsiString> lines;
    const char* expected;
  };
  const Case cases[] = {
      {{"<name>Foo</name>"}, "Foo"},
      {{"  <name> Foo Bar </name>  "}, "Foo Bar"},
      {{"<name>a</name>", "<other>x</other>", "<name>b</name>"}, "b"},
      {{"<!-- <name>c</name> -->"}, "c"},
      {{"<filename>x</filename>"}, ""},
      {{}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetXmlValue("name", c.lines), c.expected);
  }
}

TEST_F(IdentityTest, VersionReconciliation) {
  struct Case {
    const char* what;
    const char* fixed;
    const char* file_version;
    const char* product_version;
    const char* product;
    const char* expected;
  };
  const Case cases[] = {
      {"FileVersion of the same High half", "2.5.0.0", "2.5.0.1234", "", "Tool", "2.5.0.1234"},
      {"longer of the strings", "2.5.0.0", "2.5.0.0", "2.5.1", "Tool", "2.5.0.0"},
      {"equal lengths give FileVersion", "3.1.0.0", "3.1.0.0", "3.1.2.7", "Tool", "3.1.0.0"},
      {"1.0.0.0 takes FileVersion", "1.0.0.0", "4.2", "", "Tool", "4.2.0.0"},
      {"1.0.0.0 takes a newer ProductVersion", "1.0.0.0", "", "2.0 beta", "Tool", "2.0"},
      {"commas in FileVersion", "3.1.0.0", "3, 1, 0, 5", "", "Tool", "3.1.0.5"},
      {"0.0.0.0 takes ProductVersion", "0.0.0.0", "", "4.5", "Tool", "4.5"},
      {"ProductVersion of a higher minor", "7.8.0.0", "7.8", "7.85", "Editor", "7.85"},
      {"not for notepad++", "7.8.0.0", "7.8", "7.85", "Notepad++", "7.8.0.0"},
      {"minor spelt across fields", "7.12.0.0", "7.12.0.0", "7.120", "Tool", "7.12.0.0"},
      {"a lower FileVersion is ignored", "5.0.0.0", "4.9", "", "Tool", "5.0.0.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = Pe({{{"ProductName", c.product},
                                  {"FileVersion", c.file_version},
                                  {"ProductVersion", c.product_version}},
                                 c.fixed});
    EXPECT_EQ(GetProductVersion(file, "", ""), c.expected);
  }
  EXPECT_EQ(GetProductVersion(dir.File("missing.exe"), "", ""), "");
}

TEST_F(IdentityTest, VersionStringsComeFromTheFirstTranslation) {
  const std::string file = Pe({{{"FileVersion", "1, 2, 3, 4"},
                                {"ProductVersion", "1, 2"},
                                {"OriginalFilename", "orig.exe"},
                                {"LegalCopyright", "\xC2\xA9 Acme"}},
                               "1.2.3.4",
                               false,
                               0x04E40407});
  const FileVersionInfoRec rec = ReadVersionStrings(file);
  EXPECT_EQ(rec.FileVersion, "1.2.3.4");
  EXPECT_EQ(rec.ProductVersion, "1.2");
  EXPECT_EQ(rec.OriginalFilename, "orig.exe");
  EXPECT_EQ(rec.LegalCopyright, "\xC2\xA9 Acme");
  EXPECT_EQ(rec.FileDescription, "");
  const FileVersionInfoRec missing = ReadVersionStrings(dir.File("missing.exe"));
  EXPECT_EQ(missing.FileVersion + missing.ProductName + missing.CompanyName, "");
  EXPECT_EQ(ToSysnativePath("/usr/lib/system32/x.exe"), "/usr/lib/system32/x.exe");
}

TEST_F(IdentityTest, IsPeFileTellsPe32FromPe32Plus) {
  struct Case {
    const char* what;
    test::Bytes bytes;
    bool pe;
    bool is64;
  };
  test::Bytes mz_only = {'M', 'Z'};
  mz_only.resize(0x80, 0);
  const Case cases[] = {
      {"PE32", PeImage({}), true, false},
      {"PE32+", PeImage({{}, "1.0.0.0", true}), true, true},
      {"ELF", test::MakeElf(test::SampleVersionResource()).image, false, false},
      {"MZ without PE", mz_only, false, false},
      {"empty", {}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = WriteBytes(dir.path() / "probe.bin", c.bytes);
    bool is64 = true;
    EXPECT_EQ(IsPeFile(file, is64), c.pe);
    EXPECT_EQ(is64, c.is64);
  }
  bool is64 = true;
  EXPECT_FALSE(IsPeFile(dir.File("missing.exe"), is64));
  EXPECT_FALSE(is64);
}

TEST_F(IdentityTest, AirDescriptorFillsWhatTheFileLacks) {
  const fs::path folder = dir.path() / "air app";
  fs::create_directories(folder / "META-INF" / "AIR");
  test::WriteFile(folder / "META-INF" / "AIR" / "application.xml",
                  "<application>\n  <name>Air Sample</name>\n"
                  "  <copyright>\xC2\xA9 2020 Acme Ltd</copyright>\n"
                  "  <versionNumber>3.1.4</versionNumber>\n</application>\n");
  test::WriteFile(folder / "app.exe", "not an executable");
  const std::string file = (folder / "app.exe").string();
  const TDisplayedFileInfo info = GetDisplayedFileInfo(file);
  EXPECT_EQ(info.ProductName, "Air Sample");
  EXPECT_EQ(info.CompanyName, "Acme Ltd");
  EXPECT_EQ(GetProductVersion(file, "", ""), "3.1.4");
}

TEST_F(IdentityTest, NewestVersionSubfolder) {
  const fs::path folder = dir.path() / "Chrome";
  for (const char* name : {"119.0.6045.199", "120.0.6099.130", "99.1", "Locales", "0.0"}) {
    fs::create_directories(folder / name);
  }
  const std::string file =
      WritePe(folder / "chrome.exe", {{{"ProductName", "Google Chrome"}}, "0.0.0.0"});
  EXPECT_EQ(GetVersionFromNewestSubfolder(file), "120.0.6099.130");
  EXPECT_EQ(GetProductVersion(file, "", ""), "120.0.6099.130");
  EXPECT_EQ(GetVersionFromNewestSubfolder(Pe({})), "");
}

class UninstallEntriesTest : public testing::Test {
protected:
  static constexpr char kPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

  void SetUp() override {
    Add(platform::RegistryRoot::LocalMachine, "klite64", "K-Lite Codec Pack 17.0.5 (64-bit)",
        "17.0.5");
    Add(platform::RegistryRoot::LocalMachine, "klite", "K-Lite Codec Pack 16.9.0 Basic", "16.9.0");
    Add(platform::RegistryRoot::LocalMachine, "klite-old", "K-Lite Codec Pack 12.0 Basic", "12.0");
    Add(platform::RegistryRoot::LocalMachine, "mega", "K-Lite Mega Codec Pack 17.1", "17.1.0");
    Add(platform::RegistryRoot::LocalMachine, "qta", "QuickTime Alternative 3.2.2", "");
    Add(platform::RegistryRoot::LocalMachine, "hashtab", "HashTab 6.0.0.34", "6.0.0.34");
    Add(platform::RegistryRoot::LocalMachine, "suite", "Tool Suite - 4.1", "x");
    Add(platform::RegistryRoot::CurrentUser, "ym", "Windows 11 Manager", "1.4.3", "Yamicsoft");
    Add(platform::RegistryRoot::CurrentUser, "ym2", "Windows 10 Manager", "3.9", "Someone");
    // An entry without a DisplayName does not count.
    platform::RegistryKey key;
    ASSERT_EQ(
        key.Open(platform::RegistryRoot::LocalMachine, AnsiString(kPath) + "\\nameless", true),
        platform::RegistryStatus::Ok);
    key.WriteString("DisplayVersion", "99.0");
  }
  void TearDown() override {
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::LocalMachine, "SOFTWARE");
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, kPath);
  }
  static void Add(platform::RegistryRoot root, const char* key_name, const char* display_name,
                  const char* version, const char* publisher = "") {
    platform::RegistryKey key;
    ASSERT_EQ(key.Open(root, AnsiString(kPath) + "\\" + key_name, true),
              platform::RegistryStatus::Ok);
    key.WriteString("DisplayName", display_name);
    if (*version != '\0') {
      key.WriteString("DisplayVersion", version);
    }
    if (*publisher != '\0') {
      key.WriteString("Publisher", publisher);
    }
  }
};

TEST_F(UninstallEntriesTest, LookupsFindTheirEntries) {
  EXPECT_EQ(FindUninstallVersion("k-lite codec pack"), "17.0.5");
  EXPECT_EQ(FindUninstallVersion("nothing"), "");
  EXPECT_EQ(FindUninstallVersion("Codec"), "17.1.0");
  EXPECT_EQ(FindUninstallVersionWith("K-Lite Codec Pack", "64-BIT"), "17.0.5");
  EXPECT_EQ(FindUninstallVersionWithout("K-Lite Codec Pack", "64-bit"), "16.9.0");
  EXPECT_EQ(FindUninstallVersionInName("QuickTime Alternative"), "3.2.2");
  EXPECT_EQ(FindUninstallVersionInName("HashTab"), "6.0.0.34");
  EXPECT_EQ(FindUninstallVersionByPrefix("tool suite"), "4.1");
  EXPECT_EQ(FindUninstallVersionByFirstWord("Tool"), "Suite");
  EXPECT_EQ(FindUninstallVersionInNameByFirstWord("hashtab"), "6.0.0.34");
  EXPECT_EQ(FindUninstallVersionInNameByFirstWord("Hash"), "");
  EXPECT_EQ(FindCurrentUserUninstallVersion(), "1.4.3");
}

TEST_F(UninstallEntriesTest, PseudoNamesGiveFixedNamesAndEntryVersions) {
  struct Case {
    const char* name;
    const char* product;
    const char* company;
    const char* version;
  };
  const Case cases[] = {
      {"CCCP", "Combined Community Codec Pack", "CCCP Project", ""},
      {"QTA", "QuickTime Alternative", "QuickTime Alternative Team", "3.2.2"},
      {"QTL", "QuickTime Lite", "QuickTime Lite Team", ""},
      {"KLITE", "K-Lite Codec Pack", "K-Lite Codec Pack Team", "16.9.0"},
      {"KLITE64", "K-Lite Codec Pack (64-Bits)", "K-Lite Codec Pack Team", "17.0.5"},
      {"KLITEMEGA", "K-Lite Codec Pack (Mega)", "K-Lite Codec Pack Team", "17.1.0"},
      {"HASHTAB", "HashTab", "Implbits Software", "6.0.0.34"},
      {"OPENHASHTAB", "OpenHashTab", "OpenHashTab Team", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(IsPseudoFileName(c.name));
    const TDisplayedFileInfo info = GetDisplayedFileInfo(c.name);
    EXPECT_EQ(info.ProductName, c.product);
    EXPECT_EQ(info.CompanyName, c.company);
    EXPECT_EQ(GetProductVersion(c.name, "", ""), c.version);
  }
  EXPECT_FALSE(IsPseudoFileName("klite64"));
  EXPECT_FALSE(IsPseudoFileName("KLITE64 "));
}

TEST_F(UninstallEntriesTest, PortableNameOnlyWithoutAnEntry) {
  TempDir dir;
  const std::string file =
      WritePe(dir.path() / "mbam.exe", {{{"ProductName", "Malwarebytes Anti-Malware"}}});
  EXPECT_EQ(GetProductName(file), "Malwarebytes Anti-Malware Portable");
  Add(platform::RegistryRoot::LocalMachine, "mbam", "Malwarebytes Anti-Malware 1.75",
      "1.75.0.1300");
  EXPECT_EQ(GetProductName(file), "Malwarebytes Anti-Malware");
}

// Damaged images read as "no version information": the name falls back to
// the file's, and nothing crashes, loops or allocates beyond the caps.
TEST_F(IdentityTest, DamagedImagesReadAsNothing) {
  static const VersionStringEntry entries[] = {{"ProductName", "Damaged Tool"}};
  VersionResourceSpec resource;
  resource.strings = entries;
  resource.string_count = 1;
  const test::Bytes bytes_of_resource = BuildVersionResource(resource);
  const test::PeLayout good = test::MakePe(bytes_of_resource);
  const std::size_t resource_end = good.resource + bytes_of_resource.size();
  struct Case {
    const char* what;
    std::function<void(test::Bytes&)> damage;
  };
  const Case cases[] = {
      {"resource tree points back at its root",
       [&](test::Bytes& b) { test::Put32(b, good.name_entry + 4, 0x80000000u); }},
      {"language level points at the name level",
       [&](test::Bytes& b) { test::Put32(b, good.language_entry + 4, 0x80000018u); }},
      {"huge data entry",
       [&](test::Bytes& b) { test::Put32(b, good.data_entry + 4, 0xFFFFFFFFu); }},
      {"huge section", [&](test::Bytes& b) { test::Put32(b, good.section_raw_size, 0xFFFFFFFFu); }},
      {"many sections", [&](test::Bytes& b) { test::Put16(b, good.section_count, 0xFFFF); }},
      {"many entries", [&](test::Bytes& b) { test::Put16(b, good.rsrc + 12, 0xFFFF); }},
      {"PE header past the end", [&](test::Bytes& b) { test::Put32(b, 0x3C, 0xFFFFFFF0u); }},
      {"block length past its parent",
       [&](test::Bytes& b) { test::Put16(b, good.resource, 0xFFFF); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::Bytes bytes = good.image;
    c.damage(bytes);
    const std::string file = WriteBytes(dir.path() / "damaged.exe", bytes);
    const TDisplayedFileInfo info = GetDisplayedFileInfo(file);
    EXPECT_TRUE(info.ProductName == "damaged" || info.ProductName == "Damaged Tool")
        << info.ProductName;
    EXPECT_EQ(info.CompanyName, "");
    GetProductVersion(file, "", "");
  }
  // Every truncation of a good image.
  for (std::size_t size = 0; size < good.image.size(); size += 7) {
    const std::string file = WriteBytes(
        dir.path() / "cut.exe",
        test::Bytes(good.image.begin(), good.image.begin() + static_cast<std::ptrdiff_t>(size)));
    const TDisplayedFileInfo info = GetDisplayedFileInfo(file);
    // Cut after the resource, the image still holds all that is read.
    EXPECT_EQ(info.ProductName, size >= resource_end ? "Damaged Tool" : "cut") << size;
    EXPECT_EQ(GetProductVersion(file, "", ""), size >= resource_end ? "0.0.0.0" : "") << size;
  }
  // A version string far beyond any real one is cut, not refused.
  const std::string huge = Pe({{{"ProductName", std::string(20000, 'x')}}});
  EXPECT_EQ(ReadVersionStrings(huge).ProductName.size(), kMaxIdentityText);
}

} // namespace
} // namespace vandrel
