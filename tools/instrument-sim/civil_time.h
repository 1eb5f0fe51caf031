// Calendar time as the instrument keeps it: plain date and time fields, no time zone. Arithmetic goes
// through a day count, so results never depend on the host's zone or daylight saving.
#pragma once

#include <cstdint>

namespace instrument_sim {

struct CivilTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// A real calendar date with a time of day, and a year the instrument's one-byte field can carry.
bool is_valid(const CivilTime& t);
// Seconds since 1970-01-01 00:00:00 of the same calendar.
std::int64_t to_seconds(const CivilTime& t);
CivilTime from_seconds(std::int64_t seconds);
// Date only, as a sortable number yyyymmdd.
int date_key(const CivilTime& t);

}  // namespace instrument_sim
