#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "../localization/LangFileFixture.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::TempDir;

int RunTool(const std::string& arguments) {
  const std::string command = std::string("'") + VANDREL_LANG_TOOL + "' " + arguments;
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Q(const std::string& path) {
  return "'" + path + "'";
}

TEST(VandrelLangTest, RoundTripsALanguageFileByteForByte) {
  TempDir dir;
  test::AppTree tree;
  TLanguageRecord writer(4, &tree.app, nullptr);
  writer.Charset = 0;
  writer.FontName = "Sans";
  writer.WriteFile(dir.WFile("Vandrel_ORIGINAL.SPK"));
  test::LangFileWriter(dir.WFile("fr.SPK"))
      .Header(4, 0x040C)
      .Group("main.splitgo_btn", 0, 0x21,
             "D\xE9"
             "couper",
             0x32, "Lancer")
      .Group("AboutDlg.ok_btn", 2, 0x01, "Ok");
  const std::string templ = dir.File("Vandrel_ORIGINAL.SPK");
  const std::string fr = dir.File("fr.SPK");
  ASSERT_EQ(RunTool("to-po " + Q(templ) + " > " + Q(dir.File("t.po"))), 0);
  ASSERT_EQ(RunTool("to-spk " + Q(dir.File("t.po")) + " --template " + Q(templ) + " -o " +
                    Q(dir.File("t.SPK"))),
            0);
  EXPECT_EQ(test::ReadFile(dir.File("t.SPK")), test::ReadFile(templ));

  ASSERT_EQ(RunTool("to-po " + Q(fr) + " -o " + Q(dir.File("fr.po"))), 0);
  ASSERT_EQ(RunTool("to-spk " + Q(dir.File("fr.po")) + " -o " + Q(dir.File("fr2.SPK"))), 0);
  EXPECT_EQ(test::ReadFile(dir.File("fr2.SPK")), test::ReadFile(fr));
  EXPECT_NE(test::ReadFile(dir.File("fr.po")).find("msgstr \"Découper\""), std::string::npos);
}

TEST(VandrelLangTest, FailuresExitWithAStatusAndKeepTheOldFile) {
  TempDir dir;
  test::WriteFile(dir.path() / "old.SPK", "previous");
  test::WriteFile(dir.path() / "bad.po", "msgid \"x\"\nmsgstr \"\"\n");
  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool("frobnicate x"), 2);
  EXPECT_EQ(RunTool("to-spk " + Q(dir.File("bad.po"))), 2); // no -o
  EXPECT_EQ(RunTool("to-po " + Q(dir.File("missing.SPK")) + " 2>/dev/null"), 1);
  EXPECT_EQ(
      RunTool("to-spk " + Q(dir.File("bad.po")) + " -o " + Q(dir.File("old.SPK")) + " 2>/dev/null"),
      1);
  EXPECT_EQ(test::ReadFile(dir.path() / "old.SPK"), "previous");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.SPK"));
}

} // namespace
} // namespace vandrel
