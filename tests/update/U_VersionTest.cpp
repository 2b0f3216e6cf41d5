#include "update/U_Version.h"

#include <gtest/gtest.h>

namespace vandrel {
namespace {

struct ParseCase {
  const char* text;
  int32_t major, minor, release, build;
  bool valid;
};
void PrintTo(const ParseCase& c, std::ostream* out) {
  *out << testing::PrintToString(std::string(c.text));
}

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, GivesTheFourFields) {
  const ParseCase& c = GetParam();
  const TTarvixVersion version(c.text);
  EXPECT_EQ(version.Major, c.major);
  EXPECT_EQ(version.Minor, c.minor);
  EXPECT_EQ(version.Release, c.release);
  EXPECT_EQ(version.Build, c.build);
  EXPECT_EQ(version.IsValid(), c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseTest,
    testing::Values(
        ParseCase{"4.12.0.33", 4, 12, 0, 33, true}, ParseCase{"4.13", 4, 13, 0, 0, true},
        ParseCase{"", 0, 0, 0, 0, false}, ParseCase{"0.0.0.0", 0, 0, 0, 0, false},
        // The fourth text is "4.5", which is not a number.
        ParseCase{"1.2.3.4.5", 1, 2, 3, 0, true}, ParseCase{"5.1 beta", 5, 0, 0, 0, true},
        ParseCase{"4.13.0.1\r\n", 4, 13, 0, 0, true}, ParseCase{" 7.1.0.0", 7, 1, 0, 0, true},
        ParseCase{"7.1.0.5 ", 7, 1, 0, 0, true}, ParseCase{"70000.1.0.0", 0, 1, 0, 0, true},
        ParseCase{"65535.65536.0.0", 65535, 0, 0, 0, true},
        ParseCase{"-1.0.0.0", -1, 0, 0, 0, false}, ParseCase{"+3.0.0.0", 3, 0, 0, 0, true},
        ParseCase{"1..3", 1, 0, 3, 0, true}, ParseCase{"$10.0.0.0", 16, 0, 0, 0, true},
        ParseCase{"x1F.0X0a.0xff.$FFFF", 31, 10, 255, 65535, true},
        ParseCase{"0x.$.x.-", 0, 0, 0, 0, false}, ParseCase{"$FFFFFFFF.1.0.0", -1, 1, 0, 0, false},
        ParseCase{"$1FFFFFFFF.1.0.0", 0, 1, 0, 0, true},
        ParseCase{"-$10.20.0.0", -16, 20, 0, 0, true},
        ParseCase{"2147483648.1.0.0", 0, 1, 0, 0, true},
        ParseCase{"-2147483648.1.0.0", INT32_MIN, 1, 0, 0, false},
        ParseCase{"99999999999999999999.2.0.0", 0, 2, 0, 0, true},
        ParseCase{"1.2g.3.4", 1, 0, 3, 4, true}));

TEST(VersionTest, PackedConstructorAndTexts) {
  const TTarvixVersion version = TTarvixVersion::CreatePacked(65538, 196612);
  EXPECT_EQ(version.ToText(), "1.2.3.4");
  EXPECT_EQ(version.HighText(), "65538");
  EXPECT_EQ(version.LowText(), "196612");
  EXPECT_EQ(TTarvixVersion("4.12").HighText(), "262156");
  const TTarvixVersion top = TTarvixVersion::CreatePacked(0xFFFFFFFF, 0xFFFF0000);
  EXPECT_EQ(top.ToText(), "65535.65535.65535.0");
  EXPECT_EQ(top.HighText(), "4294967295");
}

TEST(VersionTest, PackedHalvesWrapForNegativeFields) {
  TTarvixVersion version;
  version.Major = -1;
  EXPECT_EQ(version.High(), 0xFFFF0000u);
  EXPECT_EQ(version.ToText(), "-1.0.0.0");
}

TEST(VersionTest, Comparisons) {
  const TTarvixVersion newer("4.13.0.0");
  const TTarvixVersion current("4.12.0.33");
  EXPECT_TRUE(newer.IsNewerThan(current));
  EXPECT_TRUE(newer.IsNewerThanPacked(current.High(), current.Low()));
  EXPECT_FALSE(current.IsNewerThan(newer));
  EXPECT_FALSE(current.IsNewerThanPacked(newer.High(), newer.Low()));
  EXPECT_FALSE(current.IsNewerThan(current));
  EXPECT_FALSE(current.IsNewerThanPacked(current.High(), current.Low()));
  // Same High: the Low half decides.
  EXPECT_TRUE(TTarvixVersion("4.12.0.34").IsNewerThanPacked(current.High(), current.Low()));
  // Signed against unsigned: a negative major is older field by field but
  // packs into a large High.
  TTarvixVersion negative;
  negative.Major = -1;
  EXPECT_FALSE(negative.IsNewerThan(current));
  EXPECT_TRUE(negative.IsNewerThanPacked(current.High(), current.Low()));
}

TEST(VersionTest, FieldCount) {
  EXPECT_EQ(CountFields("", "."), 0);
  EXPECT_EQ(CountFields("4", "."), 1);
  EXPECT_EQ(CountFields("4.13", "."), 2);
  EXPECT_EQ(CountFields("1..3", "."), 3);
  EXPECT_EQ(CountFields("1,2 3", ", "), 3);
}

} // namespace
} // namespace vandrel
