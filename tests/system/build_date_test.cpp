#include <gtest/gtest.h>

#include <string>

#include "scratch_dir.h"
#include "system/system_internal.h"

namespace {

const std::string kHead = "Linux version 2.6.37 (builder@host) (gcc version 4.5.1) #1 PREEMPT ";

struct DateCase {
  const char* name;
  std::string content;  // the version file
  int day;
  int month;
  int year;
};

class BuildDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(BuildDateTest, ReadsTheTimeStampFromTheEnd) {
  const DateCase& c = GetParam();
  kxtest::ScratchDir dir;
  const std::string path = dir.write("version", c.content);
  EXPECT_EQ(KX::internal::buildDayFrom(path), c.day);
  EXPECT_EQ(KX::internal::buildMonthFrom(path), c.month);
  EXPECT_EQ(KX::internal::buildYearFrom(path), c.year);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BuildDateTest,
    ::testing::Values(
        DateCase{"OneDigitDay", kHead + "Tue Mar 8 10:11:12 CET 2011\n", 8, 3, 2011},
        DateCase{"TwoDigitDay", kHead + "Tue Mar 15 10:11:12 CET 2011\n", 15, 3, 2011},
        DateCase{"OtherMonth", kHead + "Sun Dec 31 23:59:59 UTC 2023\n", 31, 12, 2023},
        DateCase{"NoFinalLineFeed", kHead + "Mon Jan 1 00:00:00 UTC 2024", 1, 1, 2024},
        DateCase{"OnlyFirstLine", kHead + "Tue Mar 8 10:11:12 CET 2011\nFeb 2 x y 1999\n", 8, 3,
                 2011},
        // date's %e pads a one-digit day with a blank: an empty token lands
        // where the month is looked for.
        DateCase{"TwoBlanksBeforeDay", kHead + "Tue Mar  8 10:11:12 CET 2011\n", 8, -1, 2011},
        DateCase{"LeadingZeroOctal", kHead + "Tue Mar 07 10:11:12 CET 2011\n", 7, 3, 2011},
        DateCase{"LeadingZeroEight", kHead + "Tue Mar 08 10:11:12 CET 2011\n", 0, 3, 2011},
        DateCase{"LeadingZeroNine", kHead + "Tue Mar 09 10:11:12 CET 2011\n", 0, 3, 2011},
        DateCase{"FourTokens", "8 10:11:12 CET 2011\n", 8, -1, 2011},
        DateCase{"ThreeTokens", "10:11:12 CET 2011\n", -1, -1, 2011},
        DateCase{"OneToken", "2011\n", -1, -1, 2011},
        DateCase{"MonthInCapitals", kHead + "Tue MAR 8 10:11:12 CET 2011\n", 8, -1, 2011},
        DateCase{"TrailingBlank", kHead + "Tue Mar 8 10:11:12 CET 2011 \n", 10, -1, 0},
        DateCase{"NotNumbers", kHead + "Tue Mar x 10:11:12 CET y\n", 0, 3, 0},
        DateCase{"EmptyFile", "", -1, -1, -1},
        DateCase{"EmptyFirstLine", "\n" + kHead + "Tue Mar 8 10:11:12 CET 2011\n", -1, -1, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuildDate, MissingFileGivesMinusOne) {
  kxtest::ScratchDir dir;
  const std::string path = dir.path() + "/absent";
  EXPECT_EQ(KX::internal::buildDayFrom(path), -1);
  EXPECT_EQ(KX::internal::buildMonthFrom(path), -1);
  EXPECT_EQ(KX::internal::buildYearFrom(path), -1);
}

}  // namespace
