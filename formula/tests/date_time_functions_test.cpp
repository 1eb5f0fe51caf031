// Table tests of the date and time functions: serials count from 30 December 1899 (DAY(1) = 31).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "formula/functions/date_time_calendar.h"
#include "formula/tests/evaluator_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;

// A1:A3 holidays 43836 (Monday 6 January 2020), text "x", 43831 (Wednesday 1 January 2020).
class DateTimeFunctionsTest : public ::testing::Test {
protected:
  DateTimeFunctionsTest() : ev(&wb) {
    wb.Num("A1", 43836);
    wb.Num("B1", 43831);
    wb.Str("C1", u"x");
  }

public:
  std::string Run(const Build& F) {
    return RunFormula(ev, F);
  }
  FakeWorkbook wb;
  TXLSFormulaEvaluator ev;
};

Build Date(double Y, double M, double D) { return Fn("DATE", {Num(Y), Num(M), Num(D)}); }
Build Arr(std::vector<double> V) {
  return [=](TXLSPtgsBuilder& b) {
    for (double x : V) b.Number(x);
    b.Array(static_cast<std::uint16_t>(V.size()), 1);
  };
}

struct Case {
  const char* what;
  Build formula;
  const char* want;
};

void RunCases(DateTimeFunctionsTest& T, const std::vector<Case>& Cases) {
  for (const Case& c : Cases) EXPECT_EQ(T.Run(c.formula), c.want) << c.what;
}

TEST_F(DateTimeFunctionsTest, DateAndParts) {
  RunCases(*this, {
      {"1 March 1900", Date(1900, 3, 1), "61"},
      {"1 January 1900 is serial 2", Date(1900, 1, 1), "2"},
      {"month 13 rolls into the next year", Date(2020, 13, 1), "44197"},
      {"month 0 is December before", Date(2020, 0, 1), "43800"},
      {"month -1 is November before", Date(2020, -1, 1), "43770"},
      {"day 0 is the last day of the month before", Date(2020, 3, 0), "43890"},
      {"day 32 rolls into the next month", Date(2020, 1, 32), "43862"},
      {"two-digit years count from 1900", Date(99, 1, 1), "36161"},
      {"year 0 is 1900", Date(0, 1, 1), "2"},
      {"year 1899 is 3799", Date(1899, 1, 1), "693598"},
      {"fractions are truncated", Date(2020.9, 1.9, 1.9), "43831"},
      {"an array stands for its first element", Fn("DATE", {Arr({2020, 1999}), Num(1), Num(1)}), "43831"},
      {"last day of the calendar", Date(9999, 12, 31), "2958465"},
      {"past the calendar", Date(9999, 12, 32), "#NUM!"},
      {"negative year", Date(-1, 1, 1), "#NUM!"},
      {"year 10000", Date(10000, 1, 1), "#NUM!"},
      {"before day 0", Date(1900, 1, -5), "#NUM!"},
      {"huge day count", Date(2020, 1, 1e300), "#NUM!"},
      {"text year", Fn("DATE", {Str(u"a"), Num(1), Num(1)}), "#VALUE!"},
      {"the leftmost error wins", Fn("DATE", {Num(2020), Fn("NA", {}), Op(ptgDiv, Num(1), Num(0))}), "#N/A"},
      {"DAY(1) is 31 December 1899", Fn("DAY", {Num(1)}), "31"},
      {"DAY(0) is 30 December 1899", Fn("DAY", {Num(0)}), "30"},
      {"YEAR(2)", Fn("YEAR", {Num(2)}), "1900"},
      {"MONTH(61)", Fn("MONTH", {Num(61)}), "3"},
      {"DAY(60) is 28 February 1900: no 29 February 1900", Fn("DAY", {Num(60)}), "28"},
      {"DAY of the last serial", Fn("DAY", {Num(2958465.9)}), "31"},
      {"YEAR past the calendar", Fn("YEAR", {Num(2958466)}), "#NUM!"},
      {"DAY negative", Fn("DAY", {Num(-1)}), "#NUM!"},
      {"DAY of date text", Fn("DAY", {Str(u"1/2/2020")}), "2"},
      {"MONTH of ISO date text", Fn("MONTH", {Str(u"2020-07-04")}), "7"},
      {"DAY of other text", Fn("DAY", {Str(u"soon")}), "#VALUE!"},
      {"DAY of an error", Fn("DAY", {Err(errRef)}), "#REF!"},
      {"HOUR", Fn("HOUR", {Num(0.75)}), "18"},
      {"MINUTE", Fn("MINUTE", {Fn("TIME", {Num(10), Num(30), Num(0)})}), "30"},
      {"SECOND", Fn("SECOND", {Fn("TIME", {Num(1), Num(2), Num(3)})}), "3"},
      {"SECOND rounds to the nearest second", Fn("SECOND", {Num(0.999999)}), "0"},
      {"HOUR rounds into the next day", Fn("HOUR", {Num(0.999999)}), "0"},
      {"HOUR of a date-time", Fn("HOUR", {Num(43831.5)}), "12"},
      {"HOUR of time text", Fn("HOUR", {Str(u"1:05:30 PM")}), "13"},
  });
}

TEST_F(DateTimeFunctionsTest, TimeAndWeekday) {
  RunCases(*this, {
      {"TIME", Fn("TIME", {Num(12), Num(0), Num(0)}), "0.5"},
      {"TIME wraps past 24 hours", Fn("TIME", {Num(25), Num(0), Num(0)}), "0.0416666666666667"},
      {"TIME minutes above 59 carry", Fn("TIME", {Num(1), Num(90), Num(0)}), "0.104166666666667"},
      {"TIME negative minutes within the total", Fn("TIME", {Num(1), Num(-30), Num(0)}), "0.0208333333333333"},
      {"TIME negative total", Fn("TIME", {Num(0), Num(-1), Num(0)}), "#NUM!"},
      {"TIME negative hour", Fn("TIME", {Num(-1), Num(0), Num(0)}), "#NUM!"},
      {"TIME argument too large", Fn("TIME", {Num(0), Num(0), Num(32768)}), "#NUM!"},
      {"TIME truncates", Fn("TIME", {Num(1.9), Num(0), Num(0)}), "0.0416666666666667"},
      {"WEEKDAY of a Sunday", Fn("WEEKDAY", {Date(2020, 1, 5)}), "1"},
      {"WEEKDAY type 2", Fn("WEEKDAY", {Date(2020, 1, 5), Num(2)}), "7"},
      {"WEEKDAY type 3", Fn("WEEKDAY", {Date(2020, 1, 5), Num(3)}), "6"},
      {"WEEKDAY type 11 (Monday 1)", Fn("WEEKDAY", {Date(2020, 1, 5), Num(11)}), "7"},
      {"WEEKDAY type 14 (Thursday 1)", Fn("WEEKDAY", {Date(2020, 1, 5), Num(14)}), "4"},
      {"WEEKDAY type 17 (Sunday 1)", Fn("WEEKDAY", {Date(2020, 1, 5), Num(17)}), "1"},
      {"WEEKDAY type 4", Fn("WEEKDAY", {Date(2020, 1, 5), Num(4)}), "#NUM!"},
      {"serial 1 is a Sunday", Fn("WEEKDAY", {Num(1)}), "1"},
      {"serial 0 is a Saturday", Fn("WEEKDAY", {Num(0)}), "7"},
      {"WEEKDAY negative", Fn("WEEKDAY", {Num(-3)}), "#NUM!"},
  });
}

TEST_F(DateTimeFunctionsTest, DayCounts) {
  RunCases(*this, {
      {"DAYS360 to the end of February", Fn("DAYS360", {Date(2020, 1, 15), Date(2020, 2, 29)}), "44"},
      {"DAYS360 European", Fn("DAYS360", {Date(2020, 1, 15), Date(2020, 2, 29), Bool(true)}), "44"},
      {"DAYS360 31st to 31st", Fn("DAYS360", {Date(2020, 1, 31), Date(2020, 3, 31)}), "60"},
      {"DAYS360 the end 31st stays after a start below 30", Fn("DAYS360", {Date(2020, 1, 15), Date(2020, 3, 31)}), "76"},
      {"DAYS360 European end 31st", Fn("DAYS360", {Date(2020, 1, 15), Date(2020, 3, 31), Bool(true)}), "75"},
      {"DAYS360 from the last of February", Fn("DAYS360", {Date(2020, 2, 29), Date(2020, 3, 15)}), "15"},
      {"DAYS360 from the last of February to a 31st", Fn("DAYS360", {Date(2020, 2, 29), Date(2020, 3, 31)}), "31"},
      {"DAYS360 from a 28 February that is no last day", Fn("DAYS360", {Date(2020, 2, 28), Date(2020, 3, 31)}), "33"},
      {"DAYS360 backwards", Fn("DAYS360", {Date(2020, 3, 1), Date(2020, 1, 1)}), "-60"},
      {"DAYS360 one argument", Fn("DAYS360", {Num(1)}), "#VALUE!"},
      {"DAYS360 negative date", Fn("DAYS360", {Num(-1), Num(5)}), "#NUM!"},
      {"EOMONTH into a leap February", Fn("EOMONTH", {Date(2020, 1, 31), Num(1)}), "43890"},
      {"EOMONTH back a month", Fn("EOMONTH", {Date(2020, 1, 15), Num(-1)}), "43830"},
      {"EOMONTH of the same month", Fn("EOMONTH", {Date(2021, 2, 3), Num(0)}), "44255"},
      {"EOMONTH before the calendar", Fn("EOMONTH", {Num(1), Num(-1)}), "#NUM!"},
      {"EOMONTH far away", Fn("EOMONTH", {Num(1), Num(1e9)}), "#NUM!"},
      {"YEARFRAC actual/actual in a leap year", Fn("YEARFRAC", {Date(2020, 1, 1), Date(2020, 7, 1), Num(1)}),
       "0.497267759562842"},
      {"YEARFRAC 30/360", Fn("YEARFRAC", {Date(2020, 1, 1), Date(2020, 7, 1)}), "0.5"},
      {"YEARFRAC swaps the dates", Fn("YEARFRAC", {Date(2020, 7, 1), Date(2020, 1, 1), Num(0)}), "0.5"},
      {"YEARFRAC actual/360", Fn("YEARFRAC", {Date(2020, 1, 1), Date(2020, 7, 1), Num(2)}), "0.505555555555556"},
      {"YEARFRAC actual/365", Fn("YEARFRAC", {Date(2020, 1, 1), Date(2020, 7, 1), Num(3)}), "0.498630136986301"},
      {"YEARFRAC European 30/360", Fn("YEARFRAC", {Date(2020, 1, 31), Date(2020, 3, 31), Num(4)}), "0.166666666666667"},
      {"YEARFRAC over several years averages the year length",
       Fn("YEARFRAC", {Date(2019, 6, 1), Date(2021, 6, 1), Num(1)}), "2.00091240875912"},
      {"YEARFRAC equal dates", Fn("YEARFRAC", {Num(100), Num(100), Num(1)}), "0"},
      {"YEARFRAC basis 5", Fn("YEARFRAC", {Num(1), Num(2), Num(5)}), "#NUM!"},
      {"YEARFRAC negative basis", Fn("YEARFRAC", {Num(1), Num(2), Num(-1)}), "#NUM!"},
  });
}

TEST_F(DateTimeFunctionsTest, WorkingDays) {
  const Build fri = Date(2020, 1, 3), sat = Date(2020, 1, 4);
  RunCases(*this, {
      {"WORKDAY over a weekend", Fn("WORKDAY", {fri, Num(1)}), "43836"},
      {"WORKDAY backwards", Fn("WORKDAY", {fri, Num(-1)}), "43832"},
      {"WORKDAY from a Saturday", Fn("WORKDAY", {sat, Num(1)}), "43836"},
      {"WORKDAY back from a Saturday", Fn("WORKDAY", {sat, Num(-1)}), "43833"},
      {"WORKDAY zero days keeps the start", Fn("WORKDAY", {sat, Num(0)}), "43834"},
      {"WORKDAY ten days", Fn("WORKDAY", {fri, Num(10)}), "43847"},
      {"WORKDAY skips a holiday", Fn("WORKDAY", {fri, Num(1), Ref("A1")}), "43837"},
      {"WORKDAY skips holidays given as an array", Fn("WORKDAY", {fri, Num(1), Arr({43836, 43837})}), "43838"},
      {"WORKDAY back over a holiday", Fn("WORKDAY", {Date(2020, 1, 2), Num(-1), Ref("B1")}), "43830"},
      {"WORKDAY with a holiday on a weekend", Fn("WORKDAY", {fri, Num(1), Num(43835)}), "43836"},
      {"WORKDAY with text among the holidays", Fn("WORKDAY", {fri, Num(1), Ref("A1", "C1")}), "#VALUE!"},
      {"WORKDAY before the calendar", Fn("WORKDAY", {Num(1), Num(-1)}), "#NUM!"},
      {"WORKDAY past the calendar", Fn("WORKDAY", {fri, Num(1e9)}), "#NUM!"},
      {"WORKDAY start out of range", Fn("WORKDAY", {Num(-5), Num(1)}), "#NUM!"},
      {"NETWORKDAYS of January 2020", Fn("NETWORKDAYS", {Date(2020, 1, 1), Date(2020, 1, 31)}), "23"},
      {"NETWORKDAYS backwards", Fn("NETWORKDAYS", {Date(2020, 1, 31), Date(2020, 1, 1)}), "-23"},
      {"NETWORKDAYS with holidays", Fn("NETWORKDAYS", {Date(2020, 1, 1), Date(2020, 1, 31), Ref("A1", "B1")}), "21"},
      {"NETWORKDAYS counts a repeated holiday once",
       Fn("NETWORKDAYS", {Date(2020, 1, 1), Date(2020, 1, 31), Arr({43836, 43836, 43834})}), "22"},
      {"NETWORKDAYS of one weekday", Fn("NETWORKDAYS", {fri, fri}), "1"},
      {"NETWORKDAYS of one Saturday", Fn("NETWORKDAYS", {sat, sat}), "0"},
      {"NETWORKDAYS over the whole calendar", Fn("NETWORKDAYS", {Num(0), Num(2958465)}), "2113190"},
      {"NETWORKDAYS error in the end", Fn("NETWORKDAYS", {fri, Err(errNA)}), "#N/A"},
  });
}

// Every serial of the calendar reads back as the date it was built from.
TEST(DateTimeCalendarTest, SerialRoundTrip) {
  double expect = 0;
  int y0, m0, d0;
  functions::YmdOf(0, y0, m0, d0);
  ASSERT_EQ(y0 * 10000 + m0 * 100 + d0, 18991230);
  for (int y = 1900; y <= 9999; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= functions::DaysInMonth(y, m); ++d) {
        const double s = functions::SerialOf(y, m, d);
        if (y == 1900 && m == 1 && d == 1) expect = s;
        ASSERT_EQ(s, expect) << y << "-" << m << "-" << d;
        int yy, mm, dd;
        functions::YmdOf(s, yy, mm, dd);
        ASSERT_TRUE(yy == y && mm == m && dd == d) << s;
        expect = s + 1;
      }
  EXPECT_EQ(expect - 1, 2958465);
}

// Working days forward and back agree with a day-by-day walk, with holidays on every weekday.
TEST(DateTimeCalendarTest, WorkdaysAgreeWithWalking) {
  const std::vector<double> holidays = {43836, 43840, 43841, 43850, 43851, 43852, 43900};
  auto isWork = [&](double d) {
    return functions::WeekdayIndex(d) < 5 && !std::binary_search(holidays.begin(), holidays.end(), d);
  };
  for (double start = 43820; start < 43870; ++start)
    for (int days = -30; days <= 30; ++days) {
      double d = start;
      for (int left = std::abs(days); left > 0;) {
        d += days > 0 ? 1 : -1;
        if (isWork(d)) --left;
      }
      ASSERT_EQ(functions::AddWorkdays(start, days, holidays), d) << start << " " << days;
      double n = 0;
      const double a = std::min(start, start + days), b = std::max(start, start + days);
      for (double x = a; x <= b; ++x) n += isWork(x);
      ASSERT_EQ(functions::CountWorkdays(start, start + days, holidays), days < 0 ? -n : n)
          << start << " " << days;
    }
}

}  // namespace
}  // namespace formula
