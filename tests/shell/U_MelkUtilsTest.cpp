#include "shell/U_MelkUtils.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace vandrel
