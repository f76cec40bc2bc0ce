#include "common/date.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace volarin {
namespace {

TEST(DateDigits, MonthDayYearInAnySeparator) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"03/15/2005", "20050315"},    {"3/5/05", "20050305"},
               {"3/5/5", "20050305"},         {"12-31-1999", "19991231"},
               {"3//2005", "200503"},         {"1/2/3", "20030102"},
               {"01/02/2024/99", "20240102"}, {"", ""},
               {"12.01.999", "9991201"}};
  for (const Case& c : cases) EXPECT_EQ(DateDigits(c.in), c.out) << c.in;
}

TEST(Date, SerialNumbersMatchTheSuiteCalendar) {
  EXPECT_EQ(Date::FromYmd(1899, 12, 30)->Serial(), 0);
  EXPECT_EQ(Date::FromYmd(1970, 1, 1)->Serial(), 25569);
  EXPECT_EQ(Date::FromYmd(2024, 3, 5)->Serial(), 45356);
  int y, m, d;
  Date(45356).ToYmd(y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20240305);
  EXPECT_EQ(Date::FromYmd(2024, 3, 5)->Weekday(), 2);  // a Tuesday
}

TEST(Date, ImpossibleDatesAreRefused) {
  EXPECT_FALSE(Date::FromYmd(2023, 2, 29));
  EXPECT_TRUE(Date::FromYmd(2024, 2, 29));
  EXPECT_FALSE(Date::FromYmd(1900, 2, 29));
  EXPECT_TRUE(Date::FromYmd(2000, 2, 29));
  EXPECT_FALSE(Date::FromYmd(2024, 13, 1));
  EXPECT_FALSE(Date::FromYmd(2024, 4, 31));
  EXPECT_FALSE(Date::FromYmd(0, 1, 1));
  EXPECT_FALSE(Date::FromDigits("        "));
  EXPECT_FALSE(Date::FromDigits("2024AB01"));
  EXPECT_FALSE(TextToDate("02/30/2024"));
  EXPECT_EQ(TextToDate("2/29/2024")->Digits(), "20240229");
}

TEST(Date, RoundTripsEveryDayOverFourCenturies) {
  for (int32_t serial = -700000; serial < 2958466; serial += 13) {
    int y, m, d;
    Date(serial).ToYmd(y, m, d);
    if (y < 1) continue;
    ASSERT_EQ(Date::FromYmd(y, m, d)->Serial(), serial);
  }
}

// The eight digits of every day from year 1 to 9999 are the printf form of its parts and read
// back as the same day.
TEST(Date, DigitsOfEveryDayReadBack) {
  const int32_t first = Date::FromYmd(1, 1, 1)->Serial();
  const int32_t last = Date::FromYmd(9999, 12, 31)->Serial();
  for (int32_t serial = first; serial <= last; ++serial) {
    const Date day(serial);
    if (day.IsNull()) continue;  // serial 0 is no date: blanks
    int y, m, d;
    day.ToYmd(y, m, d);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%04d%02d%02d", y, m, d);
    const std::string digits = day.Digits();
    ASSERT_EQ(digits, expected);
    ASSERT_EQ(Date::FromDigits(digits), day) << digits;
  }
}

TEST(DateToText, FollowsTheShortDateFormat) {
  const std::string saved = ShortDateFormat();
  const Date march5 = *Date::FromYmd(2024, 3, 5);
  SetShortDateFormat("MM/DD/YYYY");
  EXPECT_EQ(DateToText(march5), "03/05/2024");
  SetShortDateFormat("M/D/YY");
  EXPECT_EQ(DateToText(march5), "3/5/24");
  EXPECT_EQ(DateToText(Date()), "");
  EXPECT_EQ(Date().Digits(), "        ");
  SetShortDateFormat(saved);
}

}  // namespace
}  // namespace volarin
