// The proleptic Gregorian calendar: leap years, month lengths, and dates as day numbers. Everything
// here is arithmetic on fields, independent of time zones and of the host's settings.
#pragma once

#include <cstdint>

namespace core {

constexpr bool is_leap_year(std::int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// The days of `month` (1..12) in `year`; 0 for a month outside 1..12.
constexpr int days_in_month(std::int64_t year, int month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 (negative before it) of year, month (1..12) and day; a day beyond the month's
// end, or below 1, counts on into the neighbouring months.
constexpr std::int64_t days_from_civil(std::int64_t year, int month, std::int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yoe = year - era * 400;
  const std::int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct CivilDate {
  std::int64_t year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
};

// The date of a day number as days_from_civil counts them.
constexpr CivilDate civil_from_days(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  CivilDate d;
  d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  d.year = yoe + era * 400 + (d.month <= 2 ? 1 : 0);
  return d;
}

// Day 0 of the spreadsheet date serials, 30 December 1899, as a day number.
inline constexpr std::int64_t kDateSerialEpoch = days_from_civil(1899, 12, 30);

// 0 = Sunday.
constexpr int day_of_week(std::int64_t days) { return static_cast<int>(((days % 7) + 11) % 7); }

}  // namespace core
