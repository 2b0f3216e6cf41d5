#include <gtest/gtest.h>

#include "base/Numbers.h"
#include "engine/U_JobProgress.h"
#include "engine/U_PartSizes.h"

namespace vandrel {
namespace {

constexpr double kSecond = 1.0 / 86400;

TEST(JobProgressTest, PercentRoundsHalvesToEven) {
  EXPECT_EQ(ComputePercent(300, 1000), 30);
  EXPECT_EQ(ComputePercent(1, 200), 0) << "0.5 goes to the even 0";
  EXPECT_EQ(ComputePercent(3, 200), 2) << "1.5 goes to the even 2";
  EXPECT_EQ(ComputePercent(5, 200), 2) << "2.5 goes to the even 2";
  EXPECT_EQ(ComputePercent(1000, 1000), 100);
  EXPECT_EQ(ComputePercent(std::int64_t{1} << 40, std::int64_t{1} << 41), 50);
}

TEST(JobProgressTest, TimeLeftShowsMinutesAndSecondsWithoutFoldingHours) {
  // Seconds are floored from a double number of days: "about" the exact figure.
  EXPECT_NEAR(TimeLeftSeconds(25, 30 * kSecond), 90, 1);
  EXPECT_NEAR(TimeLeftSeconds(1, 76 * kSecond), 7524, 1);
  EXPECT_EQ(TimeLeftSeconds(100, 500 * kSecond), 0);
  EXPECT_EQ(TimeLeftSeconds(50, 20.5 * kSecond), 20) << "floored, not rounded";
  EXPECT_EQ(TimeLeftText("Time Left :", 90), "Time Left : 01:30");
  EXPECT_EQ(TimeLeftText("Time Left :", 7524), "Time Left : 125:24");
  EXPECT_EQ(TimeLeftText("Time Left :", 0), "Time Left : 00:00");
  EXPECT_EQ(TimeLeftText("Temps restant :", 61), "Temps restant : 01:01");
}

TEST(PartSizesTest, UnitsConvertBothWaysExactlyForThePresets) {
  for (const TPredefinedSize& preset : PredefinedSizeTable) {
    const SizeInUnit shown = SplitIntoUnit(static_cast<std::int64_t>(preset.Size));
    EXPECT_EQ(BytesFromUnit(shown.value, shown.unit_index), static_cast<std::int64_t>(preset.Size))
        << preset.Name;
  }
  const SizeInUnit floppy = SplitIntoUnit(1457664);
  EXPECT_EQ(floppy.unit_index, 2);
  EXPECT_DOUBLE_EQ(static_cast<double>(floppy.value), 1.39013671875);
  EXPECT_EQ(SplitIntoUnit(1023).unit_index, 0);
  EXPECT_EQ(SplitIntoUnit(65536).unit_index, 1);
  EXPECT_EQ(BytesFromUnit(2, 3), 2147483648);
}

TEST(PartSizesTest, SizeTextAndPartCounts) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> bytes;
  };
  for (const Case& c :
       {Case{"1457664", 1457664}, Case{"700m", 734003200}, Case{"700M", 734003200},
        Case{"64k", 65536}, Case{"2g", 2147483648}, Case{"10b", 10}, Case{"1.5k", 1536},
        Case{"0", 0}, Case{"", std::nullopt}, Case{"m", std::nullopt}, Case{"-5", std::nullopt},
        Case{"1.2.3", std::nullopt}, Case{"12q", std::nullopt}, Case{"99999999999g", std::nullopt},
        // "," is a decimal mark as "." is, whatever the locale.
        Case{"1,5k", 1536}, Case{"1,5m", 1572864}, Case{"1.5M", 1572864}, Case{".5k", 512},
        Case{"2.", 2}, Case{",", std::nullopt}, Case{"1,2.3", std::nullopt},
        Case{"1 5", std::nullopt}, Case{"+5", std::nullopt}, Case{"1e3", std::nullopt},
        // The edge of 63 bits: the largest sizes are exact, 2^63 is refused.
        Case{"9223372036854775807", 9223372036854775807}, Case{"9223372036854775808", std::nullopt},
        Case{"8589934591g", 9223372035781033984}, Case{"8589934592g", std::nullopt},
        Case{"100000000000000000000000", std::nullopt}}) {
    EXPECT_EQ(ParseSizeText(c.text), c.bytes) << c.text;
  }
  EXPECT_EQ(PartSizeForCount(10, 4), 3);
  EXPECT_EQ(PartSizeForCount(9, 4), 3);
  EXPECT_EQ(PartSizeForCount(5, 10), 1);
  EXPECT_EQ(PartSizeForCount(0, 3), 0);
}

} // namespace
} // namespace vandrel
