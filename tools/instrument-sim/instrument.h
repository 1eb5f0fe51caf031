// One temperature and humidity instrument as the serial line sees it: its registers, its two record
// memories with their unread counts, the day and range cursors, its clock and its model information.
// `handle` takes one request frame and gives the reply the instrument sends, or nothing.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "tools/instrument-sim/civil_time.h"
#include "tools/instrument-sim/crc16.h"
#include "tools/instrument-sim/records.h"

namespace instrument_sim {

// The address that every instrument answers the address probe on.
constexpr std::uint8_t kProbeAddress = 255;
// The value the clear-records write must carry; any other value is refused.
constexpr std::uint16_t kClearConfirmation = 0x0001;
// Records a fast read may ask for at once.
constexpr std::size_t kMaxFastRead = 100;
// Records one pushed record report carries at most (its byte count is one byte).
constexpr std::size_t kMaxPushedRecords = 24;

enum ExceptionCode : std::uint8_t {
  kIllegalFunction = 1,
  kIllegalRegister = 2,  // also: a layout this model does not have
  kNoData = 3,           // also: a value out of range
};

namespace reg {
constexpr std::uint16_t kLive = 0;  // 6 registers: T, H, dew point, DO1, DO2, alarm code
constexpr std::uint16_t kHistory = 7;
constexpr std::uint16_t kParams = 200;  // 24 registers
constexpr std::uint16_t kAddress = 200;
constexpr std::uint16_t kBaud = 201;
constexpr std::uint16_t kParity = 202;
constexpr std::uint16_t kUnit = 203;
constexpr std::uint16_t kHighTemperature = 204;
constexpr std::uint16_t kLowTemperature = 205;
constexpr std::uint16_t kTemperatureHysteresis = 206;
constexpr std::uint16_t kHighHumidity = 207;
constexpr std::uint16_t kLowHumidity = 208;
constexpr std::uint16_t kHumidityHysteresis = 209;
constexpr std::uint16_t kDo1Mode = 210;
constexpr std::uint16_t kDo2Mode = 211;
constexpr std::uint16_t kDo1Link = 212;
constexpr std::uint16_t kDo2Link = 213;
constexpr std::uint16_t kDo1Level = 214;
constexpr std::uint16_t kDo2Level = 215;
constexpr std::uint16_t kPassword = 216;
constexpr std::uint16_t kInterval = 217;
constexpr std::uint16_t kPanId = 218;
constexpr std::uint16_t kChannel = 219;
constexpr std::uint16_t kTemperatureCalibration = 220;
constexpr std::uint16_t kHumidityCalibration = 221;
constexpr std::uint16_t kRecording = 222;
constexpr std::uint16_t kAlarmKind = 223;
constexpr std::uint16_t kClock = 224;           // 3 registers
constexpr std::uint16_t kRecordingStart = 227;  // 3 registers
constexpr std::uint16_t kEnergy = 230;
constexpr std::uint16_t kAlarmOutput = 233;
constexpr std::uint16_t kClearRecords = 300;
constexpr std::uint16_t kAlarm = 1000;
constexpr std::uint16_t kAlarmUnread = 1001;
constexpr std::uint16_t kHistoryUnread = 2002;
constexpr std::uint16_t kDay = 3000;
constexpr std::uint16_t kRangeQuery = 4000;
constexpr std::uint16_t kRange = 5000;
constexpr std::uint16_t kModel = 0xEADF;     // function 0x2E, 2 registers
constexpr std::uint16_t kAdvanced = 0xEAE0;  // functions 0x2E/0x2F: probe type, line kind, storage, input type
constexpr int kParamCount = 24;
constexpr int kAdvancedCount = 4;
}  // namespace reg

// What a read reply carries in its byte-count field when the data is longer than 255 bytes (fast
// reads): the low byte of the length, as the one-byte field holds it, or 255.
enum class ByteCountMode { kTruncate, kSaturate };

struct ModelInfo {
  std::uint8_t model = 0x14;    // high nibble sensor kind, low nibble series
  std::uint8_t options = 0x08;  // option bits
  std::uint16_t version = 12;
};

struct LiveValues {
  std::int16_t temperature = 0;  // tenths, after calibration
  std::uint16_t humidity = 0;    // tenths, after calibration
  std::int16_t dew_point = 0;    // tenths
  bool do1 = false;              // relay closed
  bool do2 = false;
  std::uint16_t alarm_code = 0;  // bit 0 high T, 1 low T, 2 high H, 3 low H
};

class Instrument {
public:
  Instrument();

  // The line identity, kept in the parameter registers 200 to 202.
  std::uint8_t address() const { return static_cast<std::uint8_t>(params_[0]); }
  void set_address(int address);  // 1..247
  int baud() const;
  void set_baud(int baud);  // 9600, 19200, 115200 or 1000000
  char parity() const;      // 'N', 'E' or 'O'
  void set_parity(char parity);
  // The baud rate of a register-201 index, or 0 for an index without one.
  static int baud_of_index(int index);

  ModelInfo& model() { return model_; }
  const ModelInfo& model() const { return model_; }
  // Models of series 4 to 8 count the records of a day in 32 bits and log in seconds.
  bool extended_counters() const;
  std::size_t history_capacity() const;

  // The sensor's raw reading; calibration offsets apply on top.
  void set_sensor(std::int16_t temperature, std::uint16_t humidity);
  void set_battery(std::uint16_t level) { battery_ = level; }
  LiveValues live() const;

  std::uint16_t param(std::uint16_t r) const;
  // Sets a parameter as the instrument's own keys would: no record, no range check.
  void set_param(std::uint16_t r, std::uint16_t value);
  std::uint16_t energy_level() const { return energy_; }
  std::uint16_t alarm_output() const { return alarm_output_; }
  std::uint16_t advanced(int i) const { return advanced_.at(static_cast<std::size_t>(i)); }

  const std::deque<HistoryRecord>& history() const { return history_; }
  std::uint32_t history_unread() const { return history_unread_; }
  // A new measurement; it counts as unread. A full memory forgets its oldest record.
  void add_history(const HistoryRecord& r);
  void set_history_unread(std::uint32_t n);
  const std::deque<AlarmRecord>& alarms() const { return alarms_; }
  std::uint16_t alarm_unread() const { return alarm_unread_; }
  void add_alarm(const AlarmRecord& r);
  void set_alarm_unread(std::uint16_t n);

  // The instrument clock runs at the PC clock (the clock seam's local time) plus an offset.
  CivilTime clock() const;
  void set_clock(const CivilTime& t);
  std::int64_t clock_offset() const { return clock_offset_; }
  void set_clock_offset(std::int64_t seconds);
  CivilTime recording_start() const { return recording_start_; }

  // With logging on, tick() appends a measurement at every recording interval while recording is on.
  // Alarm onsets and clearings, and relay changes, are recorded whenever the live values are looked at.
  void set_logging(bool on);
  void tick();

  // Answers one request frame (its CRC already checked or not: a bad CRC gets no answer).
  std::optional<Bytes> handle(ByteSpan frame);

  // The pushed live-value report (register 0, 11 registers) and record report (register 7: the two
  // counts, then the newest `max_records` records, at most kMaxPushedRecords).
  Bytes live_push();
  Bytes record_push(std::size_t max_records) const;

  ByteCountMode byte_count_mode = ByteCountMode::kTruncate;

private:
  struct Cursor {
    std::vector<HistoryRecord> records;  // what the query selected, oldest first
    std::uint32_t remaining = 0;         // records still to read
  };
  struct Outcome {
    Bytes data;                // register data of a read reply
    std::uint8_t error = 0;    // exception code, 0 for none
    bool echo_write = false;   // a write: the reply is the acknowledgement
  };

  Outcome read(std::uint16_t r, std::uint16_t count);
  Outcome read_counted(std::uint16_t count, Cursor* cursor);
  Outcome read_alarm(std::uint16_t count);
  Outcome read_day(std::uint16_t count);
  Outcome custom_read(std::uint16_t r, std::uint16_t count);
  Outcome write_single(std::uint16_t r, std::uint16_t value);
  Outcome write_multiple(std::uint16_t r, const std::vector<std::uint16_t>& values);
  Outcome custom_write(std::uint16_t r, const std::vector<std::uint16_t>& values);
  Outcome write_params(std::uint16_t first, const std::vector<std::uint16_t>& values);
  Outcome write_clock(const std::vector<std::uint16_t>& values, bool recording_start);
  Outcome query_day(const std::vector<std::uint16_t>& values);
  Outcome query_range(const std::vector<std::uint16_t>& values);
  std::optional<std::uint16_t> plain_register(std::uint16_t r);
  void clear_records();
  void refresh_alarms();
  void remote_change(std::uint8_t kind, std::int16_t value);
  // Address, function, byte count and data, without the CRC.
  Bytes read_reply(std::uint8_t from, std::uint8_t fc, const Bytes& data) const;

  std::uint16_t params_[reg::kParamCount] = {};
  std::uint16_t energy_ = 0;
  std::uint16_t alarm_output_ = 3;
  std::vector<std::uint16_t> advanced_ = std::vector<std::uint16_t>(reg::kAdvancedCount, 0);
  ModelInfo model_;
  std::int16_t raw_temperature_ = 235;
  std::uint16_t raw_humidity_ = 600;
  std::uint16_t battery_ = 100;
  std::uint16_t alarm_state_ = 0;
  bool relays_known_ = false;
  bool do1_ = false;
  bool do2_ = false;

  std::deque<HistoryRecord> history_;
  std::uint32_t history_unread_ = 0;
  std::deque<AlarmRecord> alarms_;
  std::uint16_t alarm_unread_ = 0;
  std::optional<Cursor> day_;
  std::optional<Cursor> range_;

  std::int64_t clock_offset_ = 0;
  CivilTime recording_start_{2018, 1, 1, 0, 0, 0};
  bool logging_ = false;
  std::optional<std::int64_t> last_log_;
};

// Plausible measurements (a daily swing with a little noise) and an alarm log that cycles through
// every record class, both reproducible from their arguments.
std::vector<HistoryRecord> generate_history(const CivilTime& first, int interval_seconds, std::size_t count);
std::vector<AlarmRecord> generate_alarms(const CivilTime& first, std::size_t count);

}  // namespace instrument_sim
