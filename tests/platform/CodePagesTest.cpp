#include <gtest/gtest.h>

#include "platform/CodePages.h"

namespace vandrel::platform {
namespace {

TEST(CodePagesTest, CharsetsMapToTheirWindowsCodePages) {
  struct Case {
    std::uint8_t charset;
    unsigned code_page;
  };
  const Case cases[] = {{0, 1252},           {128, 932},          {134, 936},  {136, 950},
                        {161, 1253},         {162, 1254},         {177, 1255}, {178, 1256},
                        {186, 1257},         {204, 1251},         {222, 874},  {238, 1250},
                        {1, AnsiCodePage()}, {99, AnsiCodePage()}};
  for (const Case& c : cases) {
    EXPECT_EQ(CodePageOfCharset(c.charset), c.code_page) << int(c.charset);
  }
}

TEST(CodePagesTest, ConvertsBothWaysAndRefusesWhatHasNoEncoding) {
  EXPECT_EQ(CodePageToUtf8("Fran\xE7"
                           "ais",
                           1252),
            "Français");
  EXPECT_EQ(Utf8ToCodePage("Français", 1252), "Fran\xE7"
                                              "ais");
  EXPECT_EQ(CodePageToUtf8("\xC4\xE0", 1251), "Да");
  EXPECT_EQ(Utf8ToCodePage("Да", 1252), std::nullopt);
  EXPECT_EQ(CodePageToUtf8("\x81", 1252), std::nullopt);          // undefined in 1252
  EXPECT_EQ(CodePageToUtf8("\xC3", kCodePageUtf8), std::nullopt); // cut UTF-8
  EXPECT_EQ(CodePageToUtf8("abc", 123456), std::nullopt);         // unknown page
}

TEST(CodePagesTest, LossyFormsReplaceWhatCannotBeConverted) {
  EXPECT_EQ(CodePageToUtf8Lossy("a\x81"
                                "b",
                                1252),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Utf8ToCodePageLossy("aДb", 1252), "a?b");
  EXPECT_EQ(CodePageToUtf8Lossy("a\xC3", kCodePageUtf8), "a\xEF\xBF\xBD");
}

TEST(CodePagesTest, CaseInsensitiveComparisonCoversAccentedLetters) {
  EXPECT_TRUE(SameTextIgnoringCase("Split Now", "SPLIT now"));
  EXPECT_TRUE(SameTextIgnoringCase("Écran", "écRAN"));
  EXPECT_TRUE(SameTextIgnoringCase("ДИСК", "диск"));
  EXPECT_FALSE(SameTextIgnoringCase("Split", "Splits"));
  EXPECT_FALSE(SameTextIgnoringCase("Ecran", "Écran"));
}

} // namespace
} // namespace vandrel::platform
