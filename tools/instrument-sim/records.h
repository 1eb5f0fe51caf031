// The two record kinds an instrument keeps, with their 10-byte line and card layouts.
#pragma once

#include <cstdint>

#include "tools/instrument-sim/civil_time.h"
#include "tools/instrument-sim/crc16.h"

namespace instrument_sim {

// A measurement: temperature and humidity in tenths, and when it was taken.
struct HistoryRecord {
  std::int16_t temperature = 0;  // tenths of a degree
  std::uint16_t humidity = 0;    // tenths of a percent
  CivilTime time;

  friend bool operator==(const HistoryRecord&, const HistoryRecord&) = default;
};

// Alarm record classes.
enum AlarmClass : std::uint8_t {
  kRelayEvent = 1,
  kAlarmEvent = 2,
  kLocalSetting = 3,
  kRemoteSetting = 4,
};

// Kinds of class 2.
enum AlarmKind : std::uint8_t {
  kHighTemperature = 1,
  kHighTemperatureCleared = 2,
  kLowTemperature = 3,
  kLowTemperatureCleared = 4,
  kHighHumidity = 5,
  kHighHumidityCleared = 6,
  kLowHumidity = 7,
  kLowHumidityCleared = 8,
};

// Kinds of classes 3 and 4 beyond the parameter registers (kind k of 1..20 is register 199 + k).
constexpr std::uint8_t kSettingDate = 25;
constexpr std::uint8_t kSettingTime = 26;
constexpr std::uint8_t kSettingClearRecords = 29;

struct AlarmRecord {
  std::int16_t value = 0;
  std::uint8_t alarm_class = 0;
  std::uint8_t kind = 0;
  CivilTime time;

  friend bool operator==(const AlarmRecord&, const AlarmRecord&) = default;
};

constexpr std::size_t kRecordSize = 10;

// temperature (s16 BE), humidity (u16 BE), year - 2000, month, day, hour, minute, second.
void append_record(Bytes& out, const HistoryRecord& r);
// value (s16 BE), class, kind, year - 2000, month, day, hour, minute, second.
void append_record(Bytes& out, const AlarmRecord& r);
// Decodes a 10-byte history record (no validation of the fields).
HistoryRecord decode_history_record(const std::uint8_t* p);

}  // namespace instrument_sim
