// Calendar arithmetic on day serials (day 0 is 30 December 1899, proleptic Gregorian calendar): the
// day counts of the 30/360 and actual conventions, year fractions and working days. Shared by the
// date-time and financial functions.
#pragma once

#include <vector>

namespace formula::functions {

bool IsLeapYear(long long Year);
int DaysInMonth(long long Year, int Month);
// The serial of a calendar date; Month 1..12, Day 1..31 (no range check of the year).
double SerialOf(long long Year, int Month, int Day);
// Year, month and day of the whole day of Serial.
void YmdOf(double Serial, int& Year, int& Month, int& Day);
// 0 Monday .. 6 Sunday for the whole day of Serial.
int WeekdayIndex(double Serial);

// DAYS360: US (NASD) or European 30/360 day count from Start to End (whole days).
double Days360(double Start, double End, bool European);
// YEARFRAC by basis 0..4; False for another basis.
bool YearFraction(double Start, double End, int Basis, double& Fraction);

// The working day Days working days after (before, when negative) Start, weekends and the days of
// Holidays skipped; Holidays sorted ascending, unique, whole days.
double AddWorkdays(double Start, double Days, const std::vector<double>& Holidays);
// The working days from Start to End, both included; negative when End lies before Start.
double CountWorkdays(double Start, double End, const std::vector<double>& Holidays);

}  // namespace formula::functions
