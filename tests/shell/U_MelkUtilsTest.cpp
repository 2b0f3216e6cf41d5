#include "shell/U_MelkUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/Hermetic.h"

namespace vandrel {
namespace {

TEST(UrlEncodeTest, KeepsTheSafeSetAndEscapesTheRest) {
  EXPECT_EQ(UrlEncode(""), "");
  EXPECT_EQ(UrlEncode("AZaz09-._"), "AZaz09-._");
  EXPECT_EQ(UrlEncode("My Product"), "My%20Product");
  EXPECT_EQ(UrlEncode("Smith & Sons"), "Smith%20%26%20Sons");
  EXPECT_EQ(UrlEncode("a/b?c=d+e~%"), "a%2Fb%3Fc%3Dd%2Be%7E%25");
  EXPECT_EQ(UrlEncode("\xE9t\xC3\xA9"), "%E9t%C3%A9");
  EXPECT_EQ(UrlEncode(std::string("\0\x7F\xFF", 3)), "%00%7F%FF");
}

TEST(TextHelpersTest, CaseRulesAndBoundsOfEachHelper) {
  EXPECT_TRUE(ContainsText("NEEDLE", "a needle here"));
  EXPECT_TRUE(ContainsText("", "anything"));
  EXPECT_FALSE(ContainsText("needles", "needle"));
  EXPECT_EQ(FindText("abcABC", "Cab"), 2u);
  EXPECT_TRUE(StartsText("Foo Bar", "fOO"));
  EXPECT_FALSE(StartsText("Fo", "Foo"));
  EXPECT_TRUE(EndsText("Foo Bar", "BAR"));
  EXPECT_TRUE(StartsStr("Foo", "Fo"));
  EXPECT_FALSE(StartsStr("Foo", "fo"));
  EXPECT_EQ(StripPrefix("Main Tool", "main "), "Tool");
  EXPECT_EQ(StripPrefix("Tool", "main "), "Tool");
  EXPECT_EQ(StripSuffix("Tool.EXE", ".exe"), "Tool");
  EXPECT_EQ(LeftText("abcdef", 2), "ab");
  EXPECT_EQ(LeftText("abcdef", -3), "");
  EXPECT_EQ(LeftText("abc", 10), "abc");
  EXPECT_EQ(RightText("abcdef", 2), "ef");
  EXPECT_EQ(RightText("abc", 10), "abc");
  EXPECT_EQ(TextAfter("key=value=x", "="), "value=x");
  EXPECT_EQ(TextAfter("no marker", "="), "no marker");
  EXPECT_EQ(TextBefore("key=value", "="), "key");
  EXPECT_EQ(TextBefore("a-b", "B"), "a-b");
  EXPECT_EQ(ReplaceAll("a, b, c", ", ", "."), "a.b.c");
  EXPECT_EQ(ReplaceAllText("MPC one, mpc two", "mpc", "X"), "X one, X two");
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(FileNameNoExt("/opt/My Tool/tool.v2.exe"), "tool.v2");
  EXPECT_EQ(FileNameNoExt("C:\\Tools\\EAC.exe"), "EAC");
  EXPECT_EQ(FileNameNoExt("noext"), "noext");
  EXPECT_EQ(ExtractFilePath("/opt/tool.exe"), "/opt/");
  EXPECT_EQ(ExtractFilePath("tool.exe"), "");
}

TEST(TextHelpersTest, FieldsCountAndSplitAtEverySeparator) {
  struct Case {
    const char* text;
    const char* separators;
    int count;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"", " ", 0, {}},
      {"one", " ", 1, {"one"}},
      {"a b-c", " -", 3, {"a", "b", "c"}},
      {"a  b", " ", 3, {"a", "", "b"}},
      {"-a-", "-", 3, {"", "a", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FieldCount(c.text, c.separators), c.count);
    for (int i = 0; i < static_cast<int>(c.fields.size()); ++i) {
      EXPECT_EQ(FieldAt(c.text, i, c.separators), c.fields[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(FieldAt(c.text, static_cast<int>(c.fields.size()), c.separators), "");
    EXPECT_EQ(FieldAt(c.text, -1, c.separators), "");
  }
}

TEST(FileHelpersTest, SizesAndRecursiveSearches) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  fs::create_directories(dir.path() / "sub" / "deeper");
  test::WriteFile(dir.path() / "top.SPK", "12345");
  test::WriteFile(dir.path() / "empty.spk", "");
  test::WriteFile(dir.path() / "sub" / "deeper" / "Appinfo.INI", "x");
  test::WriteFile(dir.path() / "sub" / "other.txt", "x");
  EXPECT_TRUE(FileExistsAndNotEmpty(dir.File("top.SPK")));
  EXPECT_FALSE(FileExistsAndNotEmpty(dir.File("empty.spk")));
  EXPECT_FALSE(FileExistsAndNotEmpty(dir.File("sub")));
  EXPECT_FALSE(FileExistsAndNotEmpty(dir.File("missing")));
  EXPECT_EQ(GetFileSize64(dir.File("top.SPK")), 5);
  EXPECT_EQ(GetFileSize64(dir.File("missing")), -1);

  std::vector<AnsiString> found;
  FindFilesByExt(dir.path().string(), ".spk", found);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<AnsiString>{dir.File("empty.spk"), dir.File("top.SPK")}));
  found.clear();
  FindFilesByName(dir.path().string(), "appinfo.ini", found);
  EXPECT_EQ(found, std::vector<AnsiString>{dir.File("sub/deeper/Appinfo.INI")});
  // A link back up the tree ends at the depth bound instead of looping.
  fs::create_directory_symlink(dir.path(), dir.path() / "sub" / "loop");
  found.clear();
  FindFilesByName(dir.path().string(), "other.txt", found);
  EXPECT_GE(found.size(), 1u);
}

} // namespace
} // namespace vandrel
