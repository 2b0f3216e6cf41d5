#include <gtest/gtest.h>

#include "platform/Strings.h"

namespace vandrel {
namespace {

TEST(StringsTest, Utf8AndUtf16RoundTripAndReplaceBrokenSequences) {
  for (const char* text : {"", "plain", "été à Noël", "日本語", "emoji 😀 end"}) {
    EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
  }
  EXPECT_EQ(Utf8ToWide("😀"), (std::u16string{0xD83D, 0xDE00}));
  EXPECT_EQ(Utf8ToWide("a\xFF"
                       "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToWide("\xC3"), u"\uFFFD") << "truncated sequence";
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), u"\uFFFD\uFFFD") << "overlong form";
  EXPECT_EQ(WideToUtf8(std::u16string{u'a', 0xD800}), "a\xEF\xBF\xBD") << "lone surrogate";
  EXPECT_EQ(WideFromInt(-12), u"-12");
}

} // namespace
} // namespace vandrel
