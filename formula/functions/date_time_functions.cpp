// Date and time worksheet functions on day serials (day 0 is 30 December 1899, so DAY(1) = 31 and
// 1 January 1900 is serial 2): DATE and TIME, the part extractors, WEEKDAY, DAYS360, EOMONTH,
// YEARFRAC, WORKDAY and NETWORKDAYS. Arguments are read first argument first, so the leftmost bad
// argument gives the error; dates outside 0 .. 31 December 9999 are #NUM!.
#include <algorithm>
#include <cmath>
#include <vector>

#include "formula/functions/date_time_calendar.h"
#include "formula/functions/families.h"
#include "formula/functions/financial_arguments.h"
#include "formula/support/locale.h"

namespace formula::functions {

namespace {

enum : int {
  fidDate = 65, fidTime = 66, fidDay = 67, fidMonth = 68, fidYear = 69, fidWeekday = 70, fidHour = 71,
  fidMinute = 72, fidSecond = 73, fidDays360 = 220, fidWorkday = 866, fidNetworkdays = 867, fidEoMonth = 869,
  fidYearFrac = 870,
};

// One past the last moment of 31 December 9999.
constexpr double kSerialEnd = MAX_SERIAL_DATE + 1;

bool InDateRange(double V) { return V >= 0 && V < kSerialEnd; }

void PushSerial(TValueStack& S, double V) {
  if (InDateRange(V))
    S.PushFloat(V);
  else
    S.PushError(errNum);
}

// Argument I as a date-time serial (a number, or text that reads as a date or time); #NUM! outside
// the calendar.
bool DateArg(TFunctionArgs& A, int I, double& V) {
  if (!A.Number(I, V)) return false;
  if (!InDateRange(V)) return A.Fail(errNum);
  return true;
}

// DATE(year, month, day): years 0..1899 count from 1900, as in spreadsheet applications; months and
// days outside their ranges move the date on or back.
void Date(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double y = 0, m = 0, d = 0;
  if (!a.Whole(0, 0, y) || !a.Whole(1, 0, m) || !a.Whole(2, 0, d)) return;
  if (y < 0 || y >= 10000 || std::fabs(m) > 1e6 || std::fabs(d) > 1e8) {
    S.PushError(errNum);
    return;
  }
  if (y < 1900) y += 1900;
  const double months = y * 12 + (m - 1);
  const double year = std::floor(months / 12);
  const int month = static_cast<int>(months - year * 12) + 1;
  PushSerial(S, SerialOf(static_cast<long long>(year), month, 1) + (d - 1));
}

// TIME(hour, minute, second): the time of day of the total, wrapping past 24 hours; a negative total
// is #NUM!.
void Time(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double h = 0, m = 0, s = 0;
  if (!a.Whole(0, 0, h) || !a.Whole(1, 0, m) || !a.Whole(2, 0, s)) return;
  if (h > 32767 || m > 32767 || s > 32767) {
    S.PushError(errNum);
    return;
  }
  const double total = h * 3600 + m * 60 + s;
  if (total < 0) {
    S.PushError(errNum);
    return;
  }
  S.PushFloat(std::fmod(total, 86400) / 86400);
}

// DAY, MONTH, YEAR, HOUR, MINUTE and SECOND; the time of day is taken to the nearest second.
void DatePart(TValueStack& S, int Count, int Id) {
  TFunctionArgs a(S, Count);
  double v = 0;
  if (!DateArg(a, 0, v)) return;
  if (Id == fidHour || Id == fidMinute || Id == fidSecond) {
    double secs = std::round((v - std::floor(v)) * 86400);
    if (secs >= 86400) secs -= 86400;
    const double part = Id == fidHour ? std::floor(secs / 3600)
                        : Id == fidMinute ? std::floor(std::fmod(secs, 3600) / 60)
                                          : std::fmod(secs, 60);
    S.PushFloat(part);
    return;
  }
  int y, m, d;
  YmdOf(v, y, m, d);
  S.PushFloat(Id == fidDay ? d : Id == fidMonth ? m : y);
}

// WEEKDAY(date, [type = 1]): types 1 (Sunday 1), 2 (Monday 1), 3 (Monday 0) and 11..17 (the week
// starting Monday .. Sunday as 1); other types are #NUM!.
void Weekday(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double v = 0, type = 1;
  if (!a.CountIn(1, 2) || !DateArg(a, 0, v) || !a.Whole(1, 1, type)) return;
  const int w = WeekdayIndex(v);  // 0 Monday .. 6 Sunday
  int r;
  if (type == 1) {
    r = (w + 1) % 7 + 1;
  } else if (type == 2) {
    r = w + 1;
  } else if (type == 3) {
    r = w;
  } else if (type >= 11 && type <= 17) {
    const int first = static_cast<int>(type) - 11;  // 0 Monday .. 6 Sunday
    r = (w - first + 7) % 7 + 1;
  } else {
    S.PushError(errNum);
    return;
  }
  S.PushFloat(r);
}

void Days360Fn(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double start = 0, end = 0;
  bool european = false;
  if (!a.CountIn(2, 3) || !DateArg(a, 0, start) || !DateArg(a, 1, end) || !a.Bool(2, false, european)) return;
  S.PushFloat(Days360(start, end, european));
}

// EOMONTH(start, months): the last day of the month months after start's.
void EoMonth(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double start = 0, months = 0;
  if (!DateArg(a, 0, start) || !a.Whole(1, 0, months)) return;
  if (std::fabs(months) > 1e6) {
    S.PushError(errNum);
    return;
  }
  int y, m, d;
  YmdOf(start, y, m, d);
  const double total = y * 12.0 + (m - 1) + months;
  const double year = std::floor(total / 12);
  const int month = static_cast<int>(total - year * 12) + 1;
  const auto yy = static_cast<long long>(year);
  PushSerial(S, SerialOf(yy, month, DaysInMonth(yy, month)));
}

void YearFrac(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double start = 0, end = 0, basis = 0;
  if (!DateArg(a, 0, start) || !DateArg(a, 1, end) || !a.Whole(2, 0, basis)) return;
  double f = 0;
  if (!YearFraction(start, end, static_cast<int>(std::clamp(basis, -1.0, 5.0)), f)) {
    S.PushError(errNum);
    return;
  }
  S.PushFloat(f);
}

// The holidays argument I of WORKDAY and NETWORKDAYS as sorted whole days.
bool Holidays(TFunctionArgs& A, int I, std::vector<double>& Out) {
  if (!A.Given(I)) return true;
  if (const std::uint8_t err = CollectListNumbers(A.Stack(), A.At(I), true, Out)) return A.Fail(err);
  for (double& h : Out) {
    if (!InDateRange(h)) return A.Fail(errNum);
    h = std::floor(h);
  }
  std::sort(Out.begin(), Out.end());
  Out.erase(std::unique(Out.begin(), Out.end()), Out.end());
  return true;
}

// WORKDAY(start, days, [holidays]): Saturdays, Sundays and the holidays are not working days.
void Workday(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double start = 0, days = 0;
  std::vector<double> holidays;
  if (!DateArg(a, 0, start) || !a.Whole(1, 0, days) || !Holidays(a, 2, holidays)) return;
  if (std::fabs(days) > kSerialEnd) {
    S.PushError(errNum);
    return;
  }
  PushSerial(S, AddWorkdays(start, days, holidays));
}

void Networkdays(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double start = 0, end = 0;
  std::vector<double> holidays;
  if (!DateArg(a, 0, start) || !DateArg(a, 1, end) || !Holidays(a, 2, holidays)) return;
  S.PushFloat(CountWorkdays(start, end, holidays));
}

}  // namespace

bool RunDateTimeFunction(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidDate: Date(S, Count); return true;
    case fidTime: Time(S, Count); return true;
    case fidDay:
    case fidMonth:
    case fidYear:
    case fidHour:
    case fidMinute:
    case fidSecond: DatePart(S, Count, Id); return true;
    case fidWeekday: Weekday(S, Count); return true;
    case fidDays360: Days360Fn(S, Count); return true;
    case fidEoMonth: EoMonth(S, Count); return true;
    case fidYearFrac: YearFrac(S, Count); return true;
    case fidWorkday: Workday(S, Count); return true;
    case fidNetworkdays: Networkdays(S, Count); return true;
    default: return false;
  }
}

}  // namespace formula::functions
