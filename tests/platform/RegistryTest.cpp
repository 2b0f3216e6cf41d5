#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/Hermetic.h"
#include "support/ScopedEnvironment.h"

namespace vandrel::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;

// Every test gets hives of its own.
class RegistryTest : public testing::Test {
protected:
  TempDir dir;
  test::ScopedEnvironment config{"XDG_CONFIG_HOME", dir.File("config")};
  fs::path HiveFile(const char* root = "HKEY_CURRENT_USER") const {
    return dir.path() / "config" / "Tolvane" / (std::string(root) + ".reg");
  }
};

TEST_F(RegistryTest, EveryValueTypeSurvivesTheHiveFile) {
  const struct {
    const char* name;
    RegistryType type;
    std::string data;
  } cases[] = {
      {"Plain", RegistryType::String, "/opt/Vandrel Portable/vandrel"},
      {"Tricky", RegistryType::String,
       std::string("tab\tnew\nline\r\"quoted\" back\\slash é \x01\x7f")},
      {"Empty", RegistryType::String, ""},
      {"Expand", RegistryType::ExpandString, "%APPDATA%\\Tolvane"},
      {"Langue", RegistryType::Dword, std::string("\x0c\x04\x00\x00", 4)},
      {"AllOnes", RegistryType::Dword, std::string("\xff\xff\xff\xff", 4)},
      {"Blob", RegistryType::Binary, std::string("\x00\x01\xfe\xff", 4)},
      {"NoBytes", RegistryType::Binary, ""},
      {"List", RegistryType::MultiString, std::string("a\0b\0\0", 5)},
      {"Big", RegistryType::Qword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {"Odd", static_cast<RegistryType>(0x1234), "\x10"},
      {"", RegistryType::String, "the default value"},
  };
  {
    RegistryKey key;
    ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel", true),
              RegistryStatus::Ok);
    for (const auto& c : cases) {
      ASSERT_EQ(key.WriteRaw(c.name, c.type, c.data), RegistryStatus::Ok) << c.name;
    }
  }
  RegistryKey again;
  ASSERT_EQ(again.Open(RegistryRoot::CurrentUser, "software\\TOLVANE\\vandrel", false),
            RegistryStatus::Ok);
  std::vector<AnsiString> expected_names;
  for (const auto& c : cases) {
    RegistryType type{};
    std::string data;
    ASSERT_EQ(again.ReadRaw(c.name, type, data), RegistryStatus::Ok) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(data, c.data) << c.name;
    expected_names.push_back(c.name);
  }
  EXPECT_EQ(again.ValueNames(), expected_names) << "values keep the order they were written in";
  const std::string text = ReadFile(HiveFile());
  EXPECT_NE(text.find("[SOFTWARE\\Tolvane\\Vandrel]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Plain\"=\"/opt/Vandrel Portable/vandrel\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Langue\"=dword:0000040c\n"), std::string::npos);
}

TEST_F(RegistryTest, TypedReadsAndWritesCheckTypesAndAccess) {
  RegistryKey key;
  ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel", true),
            RegistryStatus::Ok);
  ASSERT_EQ(key.WriteString("LogMode", "1"), RegistryStatus::Ok);
  ASSERT_EQ(key.WriteDword("Langue", 0x0000040C), RegistryStatus::Ok);
  ASSERT_EQ(key.WriteExpandString("Path", "$HOME"), RegistryStatus::Ok);
  AnsiString text;
  std::uint32_t number = 0;
  EXPECT_EQ(key.ReadString("logmode", text), RegistryStatus::Ok);
  EXPECT_EQ(text, "1");
  EXPECT_EQ(key.ReadString("Path", text), RegistryStatus::Ok) << "expandable strings read as text";
  EXPECT_EQ(key.ReadDword("Langue", number), RegistryStatus::Ok);
  EXPECT_EQ(number, 0x40Cu);
  EXPECT_EQ(key.ReadString("Langue", text), RegistryStatus::WrongType);
  EXPECT_EQ(key.ReadDword("LogMode", number), RegistryStatus::WrongType);
  EXPECT_EQ(key.ReadString("Missing", text), RegistryStatus::NotFound);
  RegistryType type{};
  EXPECT_EQ(key.GetValueType("LANGUE", type), RegistryStatus::Ok);
  EXPECT_EQ(type, RegistryType::Dword);

  ASSERT_EQ(key.WriteDword("LogMode", 1), RegistryStatus::Ok) << "a write may change the type";
  EXPECT_EQ(key.ReadDword("LogMode", number), RegistryStatus::Ok);
  EXPECT_EQ(key.ValueNames(), (std::vector<AnsiString>{"LogMode", "Langue", "Path"}));
  EXPECT_EQ(key.DeleteValue("path"), RegistryStatus::Ok);
  EXPECT_EQ(key.DeleteValue("Path"), RegistryStatus::NotFound);
  EXPECT_FALSE(key.HasValue("Path"));

  RegistryKey reader;
  ASSERT_EQ(reader.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel", false, false),
            RegistryStatus::Ok);
  EXPECT_EQ(reader.WriteString("LogMode", "0"), RegistryStatus::AccessDenied);
  EXPECT_EQ(reader.DeleteValue("Langue"), RegistryStatus::AccessDenied);
  EXPECT_TRUE(reader.HasValue("Langue"));
}

TEST_F(RegistryTest, KeysOpenCreateListAndDeleteAsTrees) {
  RegistryKey key;
  EXPECT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane", false),
            RegistryStatus::NotFound);
  EXPECT_FALSE(fs::exists(HiveFile())) << "looking does not create the hive";
  ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel\\Deep", true),
            RegistryStatus::Ok);
  EXPECT_EQ(key.Path(), "SOFTWARE\\Tolvane\\Vandrel\\Deep");
  RegistryKey other;
  ASSERT_EQ(other.Open(RegistryRoot::CurrentUser, "\\SOFTWARE\\Tolvane\\alpha\\", true),
            RegistryStatus::Ok);
  EXPECT_TRUE(RegistryKeyExists(RegistryRoot::CurrentUser, "SOFTWARE\\TOLVANE\\VANDREL"));
  EXPECT_FALSE(RegistryKeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Tolvane"))
      << "each root is a hive of its own";

  RegistryKey company;
  ASSERT_EQ(company.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane", false),
            RegistryStatus::Ok);
  EXPECT_EQ(company.SubkeyNames(), (std::vector<AnsiString>{"alpha", "Vandrel"}));
  EXPECT_TRUE(company.ValueNames().empty());

  EXPECT_EQ(DeleteRegistryKeyTree(RegistryRoot::CurrentUser, "software\\tolvane\\vandrel"),
            RegistryStatus::Ok);
  EXPECT_FALSE(RegistryKeyExists(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel\\Deep"));
  EXPECT_EQ(key.WriteString("x", "y"), RegistryStatus::NotFound) << "the open key was deleted";
  EXPECT_EQ(DeleteRegistryKeyTree(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel"),
            RegistryStatus::NotFound);
  EXPECT_EQ(DeleteRegistryKeyTree(RegistryRoot::CurrentUser, ""), RegistryStatus::AccessDenied);
  EXPECT_EQ(company.SubkeyNames(), (std::vector<AnsiString>{"alpha"}));

  RegistryKey closed;
  EXPECT_EQ(closed.WriteString("x", "y"), RegistryStatus::NotFound);
  EXPECT_TRUE(closed.ValueNames().empty());
}

// A hive with lines that do not read keeps everything else; the original
// is kept aside as it was and the report names it.
TEST_F(RegistryTest, DamagedHiveKeepsWhatReadsAndIsKeptAsideAndReported) {
  const std::string header = "Vandrel registry hive 1\n";
  const std::string good = "[SOFTWARE\\Tolvane\\Vandrel]\n\"Langue\"=dword:0000040c\n"
                           "\"LogMode\"=\"1\"\n";
  struct Case {
    const char* what;
    std::string text;
    bool keeps_values;
    const char* report_says;
  } cases[] = {
      {"one bad value line", header + good + "\"Cut\"=dword:12z\n", true, "1 line could not"},
      {"a bad line among good values",
       header + "[SOFTWARE\\Tolvane\\Vandrel]\n\"Langue\"=dword:0000040c\nnot a value\n"
                "\"LogMode\"=\"1\"\n",
       true, "1 line could not"},
      {"a broken section drops only its own values",
       header + good + "[SOFTWARE\\Broken\n\"Lost\"=\"x\"\n", true, "2 lines could not"},
      {"a lost header line", good, true, "1 line could not"},
      {"nothing readable", "\x01\x02 garbage\nmore garbage\n", false,
       "nothing in it could be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(HiveFile().parent_path());
    fs::create_directories(HiveFile().parent_path());
    test::WriteFile(HiveFile(), c.text);
    std::vector<AnsiString> reports;
    SetRegistryReportHandler([&](const AnsiString& message) { reports.push_back(message); });

    RegistryKey key;
    const RegistryStatus opened =
        key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel", false);
    std::uint32_t langue = 0;
    AnsiString log_mode;
    if (c.keeps_values) {
      ASSERT_EQ(opened, RegistryStatus::Ok);
      EXPECT_EQ(key.ReadDword("Langue", langue), RegistryStatus::Ok);
      EXPECT_EQ(langue, 0x40Cu);
      EXPECT_EQ(key.ReadString("LogMode", log_mode), RegistryStatus::Ok);
      EXPECT_EQ(log_mode, "1");
      EXPECT_FALSE(RegistryKeyExists(RegistryRoot::CurrentUser, "SOFTWARE\\Broken"));
    } else {
      EXPECT_EQ(opened, RegistryStatus::NotFound);
    }
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("damaged"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find(c.report_says), std::string::npos) << reports[0];
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(HiveFile().parent_path())) {
      if (entry.path().filename().string().find(".damaged-") != std::string::npos) {
        aside.push_back(entry.path());
      }
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(aside[0]), c.text) << "the damaged file is kept as it was";
    EXPECT_NE(reports[0].find(aside[0].string()), std::string::npos);

    // The hive now holds what read, and reads cleanly from here on.
    ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane", true), RegistryStatus::Ok);
    EXPECT_EQ(key.WriteString("Vandrel", "/usr/bin/vandrel"), RegistryStatus::Ok);
    RegistryKey product;
    EXPECT_EQ(product.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel", false),
              c.keeps_values ? RegistryStatus::Ok : RegistryStatus::NotFound);
    EXPECT_EQ(reports.size(), 1u) << "the rewritten hive is sound";
    SetRegistryReportHandler(nullptr);
  }
}

// A link or FIFO at the hive's name is neither followed nor opened, and
// nothing waits for a FIFO's writer.
TEST_F(RegistryTest, HiveThatIsNoRegularFileIsRefused) {
  fs::create_directories(HiveFile().parent_path());
  const fs::path elsewhere = dir.path() / "elsewhere.reg";
  test::WriteFile(elsewhere, "Vandrel registry hive 1\n[SOFTWARE\\Tolvane]\n\"X\"=\"y\"\n");
  for (const char* kind : {"link", "fifo"}) {
    SCOPED_TRACE(kind);
    fs::remove(HiveFile());
    if (std::string(kind) == "link") {
      fs::create_symlink(elsewhere, HiveFile());
    } else {
      ASSERT_EQ(mkfifo(HiveFile().c_str(), 0600), 0);
    }
    RegistryKey key;
    EXPECT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane", true),
              RegistryStatus::Failed);
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane"));
    EXPECT_EQ(fs::symlink_status(HiveFile()).type(),
              std::string(kind) == "link" ? fs::file_type::symlink : fs::file_type::fifo);
  }
  EXPECT_EQ(ReadFile(elsewhere), "Vandrel registry hive 1\n[SOFTWARE\\Tolvane]\n\"X\"=\"y\"\n");
}

// Files made for the hive follow the umask; a replaced hive keeps its mode.
TEST_F(RegistryTest, HiveFilesFollowTheUmaskAndKeepTheirMode) {
  const mode_t saved = umask(0002);
  RegistryKey key;
  ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane", true), RegistryStatus::Ok);
  struct stat st {};
  ASSERT_EQ(stat(HiveFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
  const fs::path lock = HiveFile().parent_path() / "HKEY_CURRENT_USER.lock";
  ASSERT_EQ(stat(lock.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
  chmod(HiveFile().c_str(), 0640);
  EXPECT_EQ(key.WriteString("Vandrel", "/usr/bin/vandrel"), RegistryStatus::Ok);
  ASSERT_EQ(stat(HiveFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  umask(saved);
}

// A hive whose keys hold no value goes with its lock file and folder; one
// value anywhere keeps it.
TEST_F(RegistryTest, EmptyHiveIsDiscardedWithItsLock) {
  const fs::path folder = HiveFile().parent_path();
  EXPECT_FALSE(DiscardRegistryRootIfEmpty(RegistryRoot::CurrentUser)) << "no hive at all";
  RegistryKey key;
  ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Deep", true),
            RegistryStatus::Ok);
  ASSERT_EQ(key.WriteString("Kept", "1"), RegistryStatus::Ok);
  EXPECT_FALSE(DiscardRegistryRootIfEmpty(RegistryRoot::CurrentUser));
  EXPECT_TRUE(fs::exists(HiveFile()));
  ASSERT_EQ(key.DeleteValue("Kept"), RegistryStatus::Ok);
  EXPECT_TRUE(DiscardRegistryRootIfEmpty(RegistryRoot::CurrentUser));
  EXPECT_FALSE(fs::exists(folder)) << "hive, lock file and folder are gone";
  // The registry works again afterwards.
  ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane", true), RegistryStatus::Ok);
  EXPECT_EQ(key.WriteString("Again", "1"), RegistryStatus::Ok);
  // Another file in the folder keeps the folder.
  test::WriteFile(folder / "HKEY_LOCAL_MACHINE.reg", "Vandrel registry hive 1\n");
  ASSERT_EQ(key.DeleteValue("Again"), RegistryStatus::Ok);
  EXPECT_TRUE(DiscardRegistryRootIfEmpty(RegistryRoot::CurrentUser));
  EXPECT_FALSE(fs::exists(HiveFile()));
  EXPECT_TRUE(fs::exists(folder / "HKEY_LOCAL_MACHINE.reg"));
}

TEST_F(RegistryTest, ReportsWaitForTheHandler) {
  fs::create_directories(HiveFile("HKEY_CLASSES_ROOT").parent_path());
  test::WriteFile(HiveFile("HKEY_CLASSES_ROOT"), "not a hive\n");
  EXPECT_FALSE(RegistryKeyExists(RegistryRoot::ClassesRoot, ".vd0"));
  std::vector<AnsiString> reports;
  SetRegistryReportHandler([&](const AnsiString& message) { reports.push_back(message); });
  EXPECT_EQ(reports.size(), 1u);
  SetRegistryReportHandler(nullptr);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kWrites = 25;
  auto write_all = [](const char* prefix) {
    for (int i = 0; i < kWrites; ++i) {
      RegistryKey key;
      if (key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel", true) !=
              RegistryStatus::Ok ||
          key.WriteDword(prefix + std::to_string(i), static_cast<std::uint32_t>(i)) !=
              RegistryStatus::Ok) {
        return false;
      }
    }
    return true;
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    _exit(write_all("child") ? 0 : 1);
  }
  const bool parent_ok = write_all("parent");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(parent_ok);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  RegistryKey key;
  ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel", false),
            RegistryStatus::Ok);
  EXPECT_EQ(key.ValueNames().size(), 2u * kWrites);
}

} // namespace
} // namespace vandrel::platform
