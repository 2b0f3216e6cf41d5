#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "base/Exceptions.h"
#include "shell/C_FileAssociation.h"
#include "shell/Settings.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

// The registry's three values, in memory, as the Win32 backend keeps them.
class MemoryBackend : public platform::FileAssociationBackend {
public:
  std::map<AnsiString, AnsiString> extension_points_to;
  std::map<AnsiString, platform::AssociationValues> types;
  AnsiString fail_with;
  int writes = 0;

  AnsiString Write(const AnsiString& extension, const platform::AssociationValues& values,
                   const AnsiString&) override {
    if (!fail_with.empty()) {
      return fail_with;
    }
    ++writes;
    extension_points_to[extension] = values.file_type;
    types[values.file_type] = values;
    return {};
  }
  platform::AssociationValues Read(const AnsiString& extension,
                                   const AnsiString& file_type) override {
    platform::AssociationValues values;
    if (auto it = types.find(file_type); it != types.end()) {
      values = it->second;
    }
    auto it = extension_points_to.find(extension);
    values.file_type = it == extension_points_to.end() ? "" : it->second;
    return values;
  }
  void Remove(const AnsiString& extension, const AnsiString& file_type) override {
    extension_points_to.erase(extension);
    types.erase(file_type);
  }
};

TEST(C_FileAssociationTest, ExtensionLosesBlanksAndDots) {
  const std::pair<const char*, const char*> cases[] = {
      {" .vd0 ", "vd0"}, {"vd0", "vd0"}, {"..v.d0", "vd0"}, {"\t.vd0\n", "vd0"}, {" . ", ""}};
  for (const auto& [value, expected] : cases) {
    TFileAssociation fa;
    fa.SetExtension(value);
    EXPECT_EQ(fa.Extension(), expected) << value;
  }
}

TEST(C_FileAssociationTest, ExecutableFromStoredCommands) {
  const std::string long_name(300, 'x');
  const std::pair<std::string, std::string> cases[] = {
      {OpenCommandFor("/opt/my apps/vandrel"), "/opt/my apps/vandrel"},
      {OpenCommandFor("/opt/100% sure/vandrel"), "/opt/100% sure/vandrel"},
      {"  \"C:\\Program Files\\Vandrel.exe\" \"%1\"", "C:\\Program Files\\Vandrel.exe"},
      // Unquoted values, as other writers leave them: the text before "%".
      {"C:\\Apps\\Vandrel.exe %1", "C:\\Apps\\Vandrel.exe"},
      {"  C:\\Apps\\Vandrel.exe   %1", "C:\\Apps\\Vandrel.exe"},
      {"C:\\Apps\\Vandrel.exe", ""},
      {long_name + " %1", long_name.substr(0, 255)},
      {"", ""},
  };
  for (const auto& [command, expected] : cases) {
    EXPECT_EQ(ExecutableFromCommand(command), expected) << command;
  }
  EXPECT_EQ(OpenCommandFor("C:\\Apps\\Vandrel.exe"), "\"C:\\Apps\\Vandrel.exe\" \"%1\"");
}

class FileAssociationMemoryTest : public testing::Test {
protected:
  void SetUp() override {
    exe_ = dir_.File("my apps/Vandrel.exe");
    fs::create_directories(dir_.path() / "my apps");
    test::WriteFile(exe_, "program");
    fa_.SetExtension(".vd0");
    fa_.SetExecutable(exe_);
  }
  test::TempDir dir_;
  std::string exe_;
  MemoryBackend backend_;
  TFileAssociation fa_{nullptr, &backend_};
};

TEST_F(FileAssociationMemoryTest, RegisterWritesQuotedCommandAndIcon) {
  fa_.RegisterAssociation();
  EXPECT_EQ(backend_.extension_points_to["vd0"], "vd0_file");
  EXPECT_EQ(backend_.types["vd0_file"].command, "\"" + exe_ + "\" \"%1\"");
  EXPECT_EQ(backend_.types["vd0_file"].icon, exe_); // no icon: the executable's
  EXPECT_EQ(fa_.Executable(), exe_);
  EXPECT_EQ(fa_.Icon(), exe_);
  EXPECT_TRUE(fa_.ReadAssociation());
}

TEST_F(FileAssociationMemoryTest, UnquotedCommandOfAnotherWriterStillReads) {
  backend_.extension_points_to["vd0"] = "vd0_file";
  backend_.types["vd0_file"] = {"", "C:\\Apps\\Vandrel.exe %1", "C:\\Apps\\Vandrel.exe"};
  EXPECT_EQ(fa_.Executable(), "C:\\Apps\\Vandrel.exe");
}

TEST_F(FileAssociationMemoryTest, ExtensionOfAnotherFileTypeIsNotOurs) {
  fa_.RegisterAssociation();
  backend_.extension_points_to["vd0"] = "OtherProgram.Document";
  EXPECT_FALSE(fa_.ReadAssociation());
  EXPECT_EQ(fa_.Executable(), "");
  EXPECT_EQ(fa_.Icon(), "");
}

TEST_F(FileAssociationMemoryTest, NothingIsWrittenWithoutProgramOrIcon) {
  fa_.SetIcon(dir_.File("missing.ico"));
  EXPECT_FALSE(fa_.CanRegister());
  fa_.RegisterAssociation();
  fa_.SetIcon("");
  fa_.SetExecutable(dir_.File("missing.exe"));
  fa_.RegisterAssociation();
  fa_.SetExecutable(exe_);
  fa_.SetExtension("...");
  fa_.RegisterAssociation();
  EXPECT_EQ(backend_.writes, 0);
  // Every type name begins with the empty text: an empty extension is
  // still not associated.
  backend_.extension_points_to[""] = "Some.Type";
  EXPECT_FALSE(fa_.ReadAssociation());
}

TEST_F(FileAssociationMemoryTest, FailuresAreRaised) {
  backend_.fail_with = "Cannot write /x/vd0_file.desktop: Permission denied";
  EXPECT_THROW(
      {
        try {
          fa_.RegisterAssociation();
        } catch (const Exception& error) {
          EXPECT_EQ(error.Message(), backend_.fail_with);
          throw;
        }
      },
      Exception);
  backend_.fail_with.clear();
  const std::string quoted = dir_.File("a \"quoted\" name");
  test::WriteFile(quoted, "program");
  fa_.SetExecutable(quoted);
  EXPECT_THROW(fa_.RegisterAssociation(), Exception);
  EXPECT_EQ(backend_.writes, 0);
}

TEST_F(FileAssociationMemoryTest, RemoveEmptiesTheProperties) {
  fa_.RegisterAssociation();
  fa_.RemoveAssociation();
  EXPECT_TRUE(backend_.extension_points_to.empty());
  EXPECT_EQ(fa_.Executable(), "");
}

// The desktop's own files, in the hermetic XDG folders.
class FileAssociationXdgTest : public testing::Test {
protected:
  void SetUp() override {
    data_ = std::getenv("XDG_DATA_HOME");
    config_ = std::getenv("XDG_CONFIG_HOME");
    fs::create_directories(dir_.path() / "install $dir 100%");
    exe_ = dir_.File("install $dir 100%/van`drel\\bin");
    icon_ = dir_.File("vandrel icon.png");
    test::WriteFile(exe_, "program");
    test::WriteFile(icon_, "picture");
    fa_.SetExtension("vd0");
  }
  void TearDown() override {
    TFileAssociation cleanup;
    cleanup.SetExtension("vd0");
    cleanup.RemoveAssociation();
    std::error_code ignored;
    fs::remove_all(MimeApps(), ignored);
  }
  fs::path MimeApps() const { return fs::path(config_) / "mimeapps.list"; }
  fs::path Package() const { return fs::path(data_) / "mime/packages/vd0_file.xml"; }
  fs::path Entry() const { return fs::path(data_) / "applications/vd0_file.desktop"; }

  test::TempDir dir_;
  std::string data_, config_, exe_, icon_;
  TFileAssociation fa_;
};

TEST_F(FileAssociationXdgTest, RoundTripAndRemoval) {
  test::WriteFile(MimeApps(), "[Default Applications]\ntext/plain=editor.desktop\n\n"
                              "[Added Associations]\nimage/png=viewer.desktop;\n");
  fa_.SetExecutable(exe_);
  fa_.SetIcon(icon_);
  fa_.RegisterAssociation();

  const std::string package = test::ReadFile(Package());
  EXPECT_NE(package.find("type=\"application/x-vd0\""), std::string::npos) << package;
  EXPECT_NE(package.find("<glob pattern=\"*.vd0\"/>"), std::string::npos) << package;
  const std::string entry = test::ReadFile(Entry());
  EXPECT_NE(entry.find("Exec=\"" + dir_.path().string() +
                       "/install \\\\$dir 100%%/van\\\\`drel\\\\\\\\bin\" %f\n"),
            std::string::npos)
      << entry;
  EXPECT_NE(entry.find("MimeType=application/x-vd0;\n"), std::string::npos) << entry;
  EXPECT_EQ(test::ReadFile(MimeApps()), "[Default Applications]\ntext/plain=editor.desktop\n"
                                        "application/x-vd0=vd0_file.desktop\n\n"
                                        "[Added Associations]\nimage/png=viewer.desktop;\n");

  EXPECT_EQ(fa_.Executable(), exe_);
  EXPECT_EQ(fa_.Icon(), icon_);
  // A desktop entry is no uninstall entry: the program does not count as
  // installed because of it.
  EXPECT_FALSE(IsInstalled(VANDREL_COMPANY_NAME " " VANDREL_PRODUCT_NAME));

  fa_.RemoveAssociation();
  EXPECT_FALSE(fs::exists(Package()));
  EXPECT_FALSE(fs::exists(Entry()));
  EXPECT_EQ(test::ReadFile(MimeApps()), "[Default Applications]\ntext/plain=editor.desktop\n\n"
                                        "[Added Associations]\nimage/png=viewer.desktop;\n");
  EXPECT_EQ(fa_.Executable(), "");
  EXPECT_FALSE(fa_.ReadAssociation());
}

// The program's own icon is its installed theme icon: an executable holds
// no picture on Linux. The files follow the umask; mimeapps.list, which
// the user owns, keeps its mode.
TEST_F(FileAssociationXdgTest, ProgramIconIsTheThemeIconAndFilesFollowTheUmask) {
  fs::create_directories(MimeApps().parent_path());
  test::WriteFile(MimeApps(), "[Default Applications]\n");
  fs::permissions(MimeApps(), fs::perms::owner_read | fs::perms::owner_write);
  const mode_t saved = umask(0002);
  fa_.SetExecutable(exe_);
  fa_.SetIcon(""); // the executable, as "register" has it
  fa_.RegisterAssociation();
  umask(saved);
  const std::string entry = test::ReadFile(Entry());
  EXPECT_NE(entry.find("\nIcon=vandrel\n"), std::string::npos) << entry;
  EXPECT_EQ(entry.find("Icon=" + dir_.path().string()), std::string::npos) << entry;
  EXPECT_EQ(fa_.Icon(), exe_) << "the theme icon stands for the program's own";
  const fs::perms group_write = fs::perms::group_write;
  EXPECT_EQ(fs::status(Entry()).permissions(), fs::perms(0664));
  EXPECT_EQ(fs::status(Package()).permissions(), fs::perms(0664));
  EXPECT_EQ(fs::status(MimeApps()).permissions() & group_write, fs::perms::none);
  EXPECT_EQ(fs::status(MimeApps()).permissions(), fs::perms(0600));
}

TEST_F(FileAssociationXdgTest, RefreshesTheMimeCacheWhenTheToolIsThere) {
  if (std::system("command -v update-mime-database >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "update-mime-database is not installed";
  }
  fa_.SetExecutable(exe_);
  fa_.RegisterAssociation();
  const std::string globs = test::ReadFile(fs::path(data_) / "mime/globs2");
  EXPECT_NE(globs.find("application/x-vd0:*.vd0"), std::string::npos) << globs;
}

// The desktop's own validator accepts the entry and the package we write,
// also for a program whose path needs every escape of the Exec line.
TEST_F(FileAssociationXdgTest, WrittenFilesPassTheDesktopValidators) {
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "desktop-file-validate is not installed";
  }
  fa_.SetExecutable(exe_);
  fa_.SetIcon(icon_);
  fa_.RegisterAssociation();
  const std::string report = dir_.File("validator.txt");
  const std::string command =
      "desktop-file-validate '" + Entry().string() + "' >'" + report + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << test::ReadFile(Entry()) << "\n"
                                             << test::ReadFile(report);
  if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
    const std::string xml = "xmllint --noout '" + Package().string() + "'";
    EXPECT_EQ(std::system(xml.c_str()), 0) << test::ReadFile(Package());
  }
}

TEST_F(FileAssociationXdgTest, DefaultOfAnotherProgramIsNotOurs) {
  fa_.SetExecutable(exe_);
  fa_.RegisterAssociation();
  test::WriteFile(MimeApps(), "[Default Applications]\napplication/x-vd0=other-viewer.desktop;\n");
  EXPECT_FALSE(fa_.ReadAssociation());
  EXPECT_EQ(fa_.Executable(), "");
}

TEST_F(FileAssociationXdgTest, HandWrittenExecLineReads) {
  fs::create_directories(Entry().parent_path());
  fs::create_directories(Package().parent_path());
  test::WriteFile(Package(), "<mime-info/>");
  test::WriteFile(Entry(), "[Desktop Entry]\nName=Vandrel\nExec=vandrel --open %U\n");
  test::WriteFile(MimeApps(), "[Default Applications]\napplication/x-vd0=vd0_file.desktop\n");
  EXPECT_TRUE(fa_.ReadAssociation());
  EXPECT_EQ(fa_.Executable(), "vandrel");
}

TEST_F(FileAssociationXdgTest, ExtensionThatIsNoFileNameIsRefused) {
  fa_.SetExtension("vd0/../../escape");
  fa_.SetExecutable(exe_);
  EXPECT_THROW(fa_.RegisterAssociation(), Exception);
  EXPECT_FALSE(fs::exists(fs::path(data_) / "mime/packages"));
  EXPECT_FALSE(fs::exists(fs::path(data_) / "applications"));
  EXPECT_FALSE(fa_.ReadAssociation());
  fa_.RemoveAssociation(); // nothing to remove, and no failure
}

TEST_F(FileAssociationXdgTest, WriteFailureRaisesAndNamesTheFile) {
  // A folder where mimeapps.list belongs refuses the write, even for root.
  fs::create_directories(MimeApps() / "in the way");
  fa_.SetExecutable(exe_);
  try {
    fa_.RegisterAssociation();
    ADD_FAILURE() << "no error raised";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find(MimeApps().string()), std::string::npos) << error.Message();
  }
}

} // namespace
} // namespace vandrel
