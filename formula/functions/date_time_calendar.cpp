#include "formula/functions/date_time_calendar.h"

#include <algorithm>
#include <cmath>

#include "core/calendar.h"
#include "formula/support/locale.h"

namespace formula::functions {

namespace {

bool IsLastOfFebruary(int Y, int M, int D) { return M == 2 && D == DaysInMonth(Y, M); }

double Whole(double V) { return std::floor(V); }

// Weekdays (Monday to Friday) from a fixed Monday up to and including X, as a relative count.
double WeekdaysThrough(double X) {
  const double m0 = 2;  // 1 January 1900, a Monday
  const double t = X - m0;
  const double weeks = std::floor(t / 7);
  const double r = t - weeks * 7;  // 0..6, 0 = Monday
  return weeks * 5 + std::min(r + 1, 5.0);
}

// Holidays of the list that fall on a weekday, within [A, B].
double HolidaysWithin(const std::vector<double>& Holidays, double A, double B) {
  if (A > B) return 0;
  auto lo = std::lower_bound(Holidays.begin(), Holidays.end(), A);
  auto hi = std::upper_bound(Holidays.begin(), Holidays.end(), B);
  double n = 0;
  for (auto it = lo; it != hi; ++it)
    if (WeekdayIndex(*it) < 5) ++n;
  return n;
}

// The working day N (> 0) working days after D, or before it when Back; weekends only.
double StepWorkdays(double D, double N, bool Back) {
  int w = WeekdayIndex(D);
  if (!Back) {
    if (w > 4) D -= w - 4, w = 4;  // a weekend start counts from the Friday before
    const double total = w + N;
    const double weeks = std::floor(total / 5);
    return D + weeks * 7 + (total - weeks * 5) - w;
  }
  if (w > 4) D += 7 - w, w = 0;  // from the Monday after
  const double fromFriday = 4 - w;
  const double total = fromFriday + N;
  const double weeks = std::floor(total / 5);
  return D - (weeks * 7 + (total - weeks * 5) - fromFriday);
}

}  // namespace

bool IsLeapYear(long long Year) { return core::is_leap_year(Year); }

int DaysInMonth(long long Year, int Month) { return Month < 1 || Month > 12 ? 31 : core::days_in_month(Year, Month); }

double SerialOf(long long Year, int Month, int Day) { return SerialOfDate(Year, Month, Day); }

void YmdOf(double Serial, int& Year, int& Month, int& Day) { DecodeSerialDate(Serial, Year, Month, Day); }

int WeekdayIndex(double Serial) {
  // Serial 2 (1 January 1900) is a Monday.
  const long long d = static_cast<long long>(std::floor(Serial)) - 2;
  return static_cast<int>(((d % 7) + 7) % 7);
}

double Days360(double Start, double End, bool European) {
  int y1, m1, d1, y2, m2, d2;
  YmdOf(Start, y1, m1, d1);
  YmdOf(End, y2, m2, d2);
  if (European) {
    if (d1 == 31) d1 = 30;
    if (d2 == 31) d2 = 30;
  } else {
    // An end on the 31st counts as the 30th when the start is the 30th or later; then a start on the
    // last day of its month (February included) counts as the 30th.
    // Both on the last day of February: both count as the 30th.
    if (m1 == 2 && d1 == DaysInMonth(y1, 2) && m2 == 2 && d2 == DaysInMonth(y2, 2)) d2 = 30;
    if (d2 == 31 && d1 >= 30) d2 = 30;
    if (d1 == DaysInMonth(y1, m1)) d1 = 30;
  }
  return 360.0 * (y2 - y1) + 30.0 * (m2 - m1) + (d2 - d1);
}

bool YearFraction(double Start, double End, int Basis, double& Fraction) {
  double s = Whole(Start), e = Whole(End);
  if (s > e) std::swap(s, e);
  if (Basis < 0 || Basis > 4) return false;
  if (s == e) {
    Fraction = 0;
    return true;
  }
  int y1, m1, d1, y2, m2, d2;
  YmdOf(s, y1, m1, d1);
  YmdOf(e, y2, m2, d2);
  switch (Basis) {
    case 0: {
      if (d1 == 31 && d2 == 31) {
        d1 = d2 = 30;
      } else if (d1 == 31) {
        d1 = 30;
      } else if (d1 == 30 && d2 == 31) {
        d2 = 30;
      } else if (IsLastOfFebruary(y1, m1, d1)) {
        d1 = 30;
        if (IsLastOfFebruary(y2, m2, d2)) d2 = 30;
      }
      Fraction = (360.0 * (y2 - y1) + 30.0 * (m2 - m1) + (d2 - d1)) / 360.0;
      return true;
    }
    case 1: {
      const bool withinYear = y1 == y2 || (y2 == y1 + 1 && (m1 > m2 || (m1 == m2 && d1 >= d2)));
      double yearLength;
      if (withinYear) {
        bool leap;
        if (y1 == y2) {
          leap = IsLeapYear(y1);
        } else {
          // A 29 February between the dates (both ends included) makes the year 366 days long.
          leap = (IsLeapYear(y1) && (m1 < 2 || (m1 == 2 && d1 <= 29))) ||
                 (IsLeapYear(y2) && (m2 > 2 || (m2 == 2 && d2 == 29)));
        }
        yearLength = leap ? 366 : 365;
      } else {
        yearLength = (SerialOf(y2 + 1LL, 1, 1) - SerialOf(y1, 1, 1)) / (y2 - y1 + 1);
      }
      Fraction = (e - s) / yearLength;
      return true;
    }
    case 2: Fraction = (e - s) / 360; return true;
    case 3: Fraction = (e - s) / 365; return true;
    default:
      if (d1 == 31) d1 = 30;
      if (d2 == 31) d2 = 30;
      Fraction = (360.0 * (y2 - y1) + 30.0 * (m2 - m1) + (d2 - d1)) / 360.0;
      return true;
  }
}

double AddWorkdays(double Start, double Days, const std::vector<double>& Holidays) {
  double cur = Whole(Start);
  if (Days == 0) return cur;
  const bool back = Days < 0;
  double left = std::fabs(Days);
  // Step over weekends at once, then step again over the holidays that the step passed.
  while (left > 0) {
    const double next = StepWorkdays(cur, left, back);
    left = back ? HolidaysWithin(Holidays, next, cur - 1) : HolidaysWithin(Holidays, cur + 1, next);
    cur = next;
  }
  return cur;
}

double CountWorkdays(double Start, double End, const std::vector<double>& Holidays) {
  double a = Whole(Start), b = Whole(End);
  const bool negative = a > b;
  if (negative) std::swap(a, b);
  const double n = WeekdaysThrough(b) - WeekdaysThrough(a - 1) - HolidaysWithin(Holidays, a, b);
  return negative ? -n : n;
}

}  // namespace formula::functions
