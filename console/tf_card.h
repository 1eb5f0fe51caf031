// The day files instruments write on their TF card: one folder "THdb" + instrument number (1 to 247)
// on the card's root, and in it one file "YYYYMMDD.hhw" per day holding nothing but 10-byte
// measurement records. Names on the card are matched without regard to ASCII case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"

namespace console {

// Instrument numbers that can have a folder on the card.
inline constexpr int kTfFirstDevice = 1;
inline constexpr int kTfLastDevice = 247;
// The part of a day file an export reads.
inline constexpr std::size_t kDayFileReadLimit = 1024000;

// True when the first eight characters of `name` are decimal digits.
bool IsDigitDayName(std::string_view name);
// The text of `s` before the first `separator`; all of `s` when it holds none.
std::string CopyBeforeSeparator(std::string_view separator, std::string_view s);
// The dates ("YYYYMMDD") of the day files in `folder`, in no particular order: files named with
// eight digits and ".hhw" (any case) whose digits are a real calendar date from the year 2000 on.
// A folder that does not exist or cannot be read has none.
std::vector<std::string> ListDayFiles(const std::string& folder);
// -1, 0 or 1 as the dates at `index1` and `index2` of `list` compare by their numeric values.
int CompareDayFileNames(const std::vector<std::string>& list, int index1, int index2);
// Sorts dates by their numeric values and drops repeats (the same day in two cases of the name).
void SortDayFileNames(std::vector<std::string>& list);

// The day a "YYYYMMDD" date names, at 00:00; throws core::Error for a text that is no real date.
core::LocalTime DayFileDate(std::string_view date);
// The date as a number of days since 1899-12-30 (the date value the state keeps).
double DayFileDateValue(std::string_view date);
// The calendar day of a time as yyyymmdd.
inline int DayKey(const core::LocalTime& t) { return t.year * 10000 + t.month * 100 + t.day; }

// The folder of instrument `number` under `root` ("THdb" + number in any case); where the card has
// none, the path it would have.
std::string TfDeviceFolder(const std::string& root, int number);
// The path of the day file `date` of instrument `number`. Where the card has no such file, the path
// it would have, so that opening it reports the file.
std::string TfDayFilePath(const std::string& root, int number, std::string_view date);

}  // namespace console
