// The calendar against known dates and against itself over a long span.
#include "core/calendar.h"

#include <gtest/gtest.h>

namespace core {
namespace {

TEST(Calendar, LeapYearsAndMonthLengths) {
  struct Case {
    std::int64_t year;
    int month;
    int days;
  } cases[] = {
      {2000, 2, 29}, {1900, 2, 28}, {2024, 2, 29}, {2023, 2, 28}, {2100, 2, 28}, {2400, 2, 29},
      {2023, 1, 31}, {2023, 4, 30}, {2023, 12, 31}, {2023, 0, 0},  {2023, 13, 0}, {-4, 2, 29},
  };
  for (const auto& c : cases) EXPECT_EQ(days_in_month(c.year, c.month), c.days) << c.year << "-" << c.month;
  EXPECT_TRUE(is_leap_year(0));
  EXPECT_FALSE(is_leap_year(1));
}

TEST(Calendar, DayNumbersOfKnownDates) {
  struct Case {
    std::int64_t year;
    int month, day;
    std::int64_t days;
    int weekday;
  } cases[] = {
      {1970, 1, 1, 0, 4},        {1969, 12, 31, -1, 3},   {2000, 3, 1, 11017, 3},
      {1899, 12, 30, -25569, 6}, {2014, 4, 8, 16168, 2},  {1, 1, 1, -719162, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(days_from_civil(c.year, c.month, c.day), c.days) << c.year;
    EXPECT_EQ(day_of_week(c.days), c.weekday) << c.year;
    const CivilDate d = civil_from_days(c.days);
    EXPECT_EQ(d.year, c.year);
    EXPECT_EQ(d.month, c.month);
    EXPECT_EQ(d.day, c.day);
  }
  // A day past the month's end runs on.
  EXPECT_EQ(days_from_civil(2023, 1, 32), days_from_civil(2023, 2, 1));
  EXPECT_EQ(days_from_civil(2023, 3, 0), days_from_civil(2023, 2, 28));
}

TEST(Calendar, EveryDayFollowsTheOneBefore) {
  CivilDate prev = civil_from_days(days_from_civil(-1000, 1, 1) - 1);
  for (std::int64_t n = days_from_civil(-1000, 1, 1); n <= days_from_civil(10000, 12, 31); ++n) {
    const CivilDate d = civil_from_days(n);
    const bool next_day = d.year == prev.year && d.month == prev.month && d.day == prev.day + 1;
    const bool next_month = d.year == prev.year && d.month == prev.month + 1 && d.day == 1 &&
                            prev.day == days_in_month(prev.year, prev.month);
    const bool next_year = d.year == prev.year + 1 && d.month == 1 && d.day == 1 && prev.month == 12 && prev.day == 31;
    ASSERT_TRUE(next_day || next_month || next_year) << n;
    ASSERT_EQ(days_from_civil(d.year, d.month, d.day), n);
    prev = d;
  }
}

}  // namespace
}  // namespace core
