// The instruments' two record memories as the line carries them: the 10-byte measurement record, the
// alarm record with its texts, the requests that read, count and reset them, and the sizes that go
// with a reading (records per fast request, reply time-out per line speed).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console/frames.h"

namespace console {

// Registers of the record memories.
constexpr std::uint16_t kHistoryRegister = 7;        // 4 count registers, then 5 per record
constexpr std::uint16_t kAlarmRegister = 1000;       // 2 count registers, then 5 for one record
constexpr std::uint16_t kAlarmUnreadRegister = 1001;
constexpr std::uint16_t kHistoryUnreadRegister = 2002;
constexpr std::uint16_t kDayRegister = 3000;         // the by-date query, then the day's counts and records
constexpr std::uint16_t kRangeQueryRegister = 4000;  // the by-range query, then the range's counts
constexpr std::uint16_t kRangeRegister = 5000;       // the range's records, laid out as register 7

// Records one fast request asks for at most, and the register count that asks for them.
constexpr std::int32_t kMaxFastRecords = 100;
constexpr std::uint16_t kMaxRecordRead = 5 * kMaxFastRecords + 4;

// A measurement: temperature (signed) and humidity in tenths, and when it was taken.
struct HistoryRecord {
  std::int16_t temperature = 0;
  std::uint16_t humidity = 0;
  std::uint8_t year = 0;  // minus 2000
  std::uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
constexpr std::size_t kHistoryRecordSize = 10;

// Decodes the 10 bytes at `p` (no check of the fields: they are shown as received).
HistoryRecord DecodeHistoryRecord(const std::uint8_t* p);
// "%.4d-%.2d-%.2d %.2d:%.2d:%.2d" of a record's time (year plus 2000).
std::string RecordTimeText(int year, int month, int day, int hour, int minute, int second);
std::string RecordTimeText(const HistoryRecord& r);
// "%0.1f" of tenths, with '.' whatever the locale.
std::string TenthsText(std::int32_t tenths);

// The list lines of the record readings.
std::string HistoryLine(std::int32_t number, const HistoryRecord& r);  // all unread and range readings
std::string DayLine(std::int32_t number, const HistoryRecord& r);      // one day's reading: time of day only
std::string PushedRecordLine(std::int32_t number, const HistoryRecord& r);

// Records the instrument counted as read but no reply carried: `count` of them numbered from
// `first`. "缺失%d条记录", the numbers ("101-200", or "7" for one), and the list line "(101-200):缺失100条记录".
std::string GapText(std::int64_t count);
std::string GapNumbers(std::int64_t first, std::int64_t count);
std::string GapLine(std::int64_t first, std::int64_t count);
// How many records went missing before a reply: the instrument had `before` left (negative: not
// known), the reply carries `received` and says `left` remain. New records the instrument made
// meanwhile only raise `left`; fewer than expected means records were lost on the way.
std::int64_t MissingBefore(std::int64_t before, std::int64_t received, std::int64_t left);

// The type and value texts of an alarm record: relay events (class 1), alarms (class 2) and setting
// changes at the instrument (class 3) or through the line (class 4). Both are empty for a class or
// kind without a text.
struct AlarmTexts {
  std::string type;
  std::string value;
};
AlarmTexts AlarmRecordTexts(std::uint8_t alarm_class, std::uint8_t kind, std::int16_t value);
// "(%d):%s:(%s),%.4d-%.2d-%.2d %.2d:%.2d:%.2d"
std::string AlarmLine(std::int32_t number, const AlarmTexts& texts, const std::string& time_text);

// Records a fast request asks for: the records still to read, at most 100 (0 when none are known,
// which asks for the counts alone).
std::int32_t FastReadBatch(std::int32_t records_to_read);
// Registers a history or range read asks for: four count registers and five per record.
std::uint16_t RecordReadQuantity(std::int32_t batch);
// Whole records of `batch` that a reply of `length` bytes really carries when its first record
// starts at byte `first` (the CRC's two bytes follow the last one).
std::int32_t RecordsPresent(std::int32_t length, std::int32_t first, std::int32_t batch);

// Reply time-out of the next request of a continuous history reading, by BaudIndex; nothing for an
// index outside the table (the time-out keeps its interval).
std::optional<std::uint32_t> ContinuousReadTimeout(std::uint8_t baud_index);

// Four-byte counts of the replies: unsigned 32-bit, big-endian.
std::uint32_t LoadCount32(const std::uint8_t* p);
// A count as the int32 the reading works with (counts beyond it are still shown in full).
std::int32_t ClampCount(std::uint32_t count);

// One query date: three bytes (year minus 2000, month, day) and a zero byte. The year must lie in
// 2000..2255.
struct QueryDate {
  std::int32_t year = 2000, month = 1, day = 1;
};

// The requests of the record panels.
Frame AlarmCountsFrame(std::uint8_t address);
Frame AlarmRecordFrame(std::uint8_t address);
Frame AlarmUnreadResetFrame(std::uint8_t address, std::uint16_t unread);
Frame HistoryCountsFrame(std::uint8_t address);
Frame HistoryUnreadResetFrame(std::uint8_t address, std::int32_t unread);  // 0..2147483647
Frame DayQueryFrame(std::uint8_t address, const QueryDate& day);
Frame RangeQueryFrame(std::uint8_t address, const QueryDate& from, const QueryDate& to);
Frame DayCountsFrame(std::uint8_t address, bool extended_counters);
Frame RangeCountsFrame(std::uint8_t address);
// History (register 7) or range (register 5000) records: `quantity` registers, 4..504.
Frame RecordReadFrame(std::uint8_t address, std::uint16_t reg, std::uint16_t quantity);
Frame DayReadFrame(std::uint8_t address, bool extended_counters);

}  // namespace console
