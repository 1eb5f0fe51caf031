#include "tools/instrument-sim/civil_time.h"

#include "core/calendar.h"

namespace instrument_sim {

bool is_valid(const CivilTime& t) {
  return t.year >= 2000 && t.year <= 2255 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= core::days_in_month(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
         t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::int64_t to_seconds(const CivilTime& t) {
  return core::days_from_civil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime from_seconds(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  CivilTime t;
  const core::CivilDate date = core::civil_from_days(days);
  t.year = static_cast<int>(date.year);
  t.month = date.month;
  t.day = date.day;
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

int date_key(const CivilTime& t) { return t.year * 10000 + t.month * 100 + t.day; }

}  // namespace instrument_sim
