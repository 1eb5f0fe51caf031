#include "tools/instrument-sim/instrument.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/clock.h"

namespace instrument_sim {

namespace {

constexpr int kBauds[] = {9600, 19200, 115200, 1000000};

std::uint16_t be16(ByteSpan f, std::size_t at) { return static_cast<std::uint16_t>((f[at] << 8) | f[at + 1]); }

void put16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void put32(Bytes& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v >> 16));
  put16(out, static_cast<std::uint16_t>(v));
}

CivilTime clock_bytes(const std::vector<std::uint16_t>& v, std::size_t at) {
  return CivilTime{2000 + (v[at] >> 8), v[at] & 0xFF, v[at + 1] >> 8, v[at + 1] & 0xFF, v[at + 2] >> 8,
                   v[at + 2] & 0xFF};
}

CivilTime query_date(std::uint16_t ym, std::uint16_t d0) { return CivilTime{2000 + (ym >> 8), ym & 0xFF, d0 >> 8, 0, 0, 0}; }

// The values a parameter register accepts; registers not listed take any value.
std::optional<std::pair<int, int>> param_range(std::uint16_t r) {
  switch (r) {
    case reg::kAddress: return std::pair{1, 247};
    case reg::kBaud: return std::pair{0, 3};
    case reg::kParity: return std::pair{0, 2};
    case reg::kUnit:
    case reg::kDo1Mode:
    case reg::kDo2Mode:
    case reg::kDo1Level:
    case reg::kDo2Level:
    case reg::kRecording: return std::pair{0, 1};
    case reg::kDo1Link:
    case reg::kDo2Link: return std::pair{0, 15};
    case reg::kAlarmKind: return std::pair{0, 6};
    case reg::kInterval: return std::pair{1, 65535};
    default: return std::nullopt;
  }
}

std::int16_t dew_point(std::int16_t t_tenths, std::uint16_t h_tenths) {
  // Magnus formula over water.
  const double t = t_tenths / 10.0;
  const double rh = std::max(0.1, std::min(100.0, h_tenths / 10.0));
  const double a = 17.62, b = 243.12;
  const double gamma = std::log(rh / 100.0) + a * t / (b + t);
  const double td = b * gamma / (a - gamma);
  if (!std::isfinite(td)) return t_tenths;
  return static_cast<std::int16_t>(std::lround(std::clamp(td, -3000.0, 3000.0) * 10.0));
}

}  // namespace

Instrument::Instrument() {
  params_[reg::kAddress - reg::kParams] = 1;
  params_[reg::kHighTemperature - reg::kParams] = 350;
  params_[reg::kLowTemperature - reg::kParams] = 0;
  params_[reg::kTemperatureHysteresis - reg::kParams] = 1;
  params_[reg::kHighHumidity - reg::kParams] = 800;
  params_[reg::kLowHumidity - reg::kParams] = 200;
  params_[reg::kHumidityHysteresis - reg::kParams] = 10;
  params_[reg::kDo1Link - reg::kParams] = 1;
  params_[reg::kDo2Link - reg::kParams] = 4;
  params_[reg::kInterval - reg::kParams] = 60;  // an hour on minute models, a minute on second models
  params_[reg::kChannel - reg::kParams] = 11;
  params_[reg::kRecording - reg::kParams] = 1;
  params_[reg::kAlarmKind - reg::kParams] = 3;
}

void Instrument::set_address(int address) {
  if (address < 1 || address > 247) throw std::invalid_argument("address must be 1 to 247");
  params_[reg::kAddress - reg::kParams] = static_cast<std::uint16_t>(address);
}

int Instrument::baud_of_index(int index) { return index >= 0 && index < 4 ? kBauds[index] : 0; }

int Instrument::baud() const { return baud_of_index(params_[reg::kBaud - reg::kParams]); }

void Instrument::set_baud(int baud) {
  for (int i = 0; i < 4; ++i) {
    if (kBauds[i] == baud) {
      params_[reg::kBaud - reg::kParams] = static_cast<std::uint16_t>(i);
      return;
    }
  }
  throw std::invalid_argument("baud rate must be 9600, 19200, 115200 or 1000000");
}

char Instrument::parity() const {
  switch (params_[reg::kParity - reg::kParams]) {
    case 1: return 'E';
    case 2: return 'O';
    default: return 'N';
  }
}

void Instrument::set_parity(char parity) {
  const char* kinds = "NEO";
  for (int i = 0; i < 3; ++i) {
    if (kinds[i] == parity) {
      params_[reg::kParity - reg::kParams] = static_cast<std::uint16_t>(i);
      return;
    }
  }
  throw std::invalid_argument("parity must be N, E or O");
}

bool Instrument::extended_counters() const {
  const int series = model_.model & 0x0F;
  return series >= 4 && series <= 8;
}

std::size_t Instrument::history_capacity() const {
  // The capacities the model names carry ("万组" = ten thousand records).
  switch (model_.model & 0x0F) {
    case 1: return 50000;
    case 3:
    case 6:
    case 8: return 400000;
    case 4:
    case 5: return 300000;
    case 7: return 30000;
    default: return 130000;
  }
}

void Instrument::set_sensor(std::int16_t temperature, std::uint16_t humidity) {
  raw_temperature_ = temperature;
  raw_humidity_ = humidity;
}

LiveValues Instrument::live() const {
  LiveValues v;
  const int t = raw_temperature_ + static_cast<std::int16_t>(params_[reg::kTemperatureCalibration - reg::kParams]);
  const int h = raw_humidity_ + static_cast<std::int16_t>(params_[reg::kHumidityCalibration - reg::kParams]);
  v.temperature = static_cast<std::int16_t>(std::clamp(t, -32768, 32767));
  v.humidity = static_cast<std::uint16_t>(std::clamp(h, 0, 1000));
  v.dew_point = dew_point(v.temperature, v.humidity);
  v.alarm_code = alarm_state_;
  auto relay = [&](std::uint16_t mode, std::uint16_t link, std::uint16_t level) {
    const bool normal_closed = params_[level - reg::kParams] != 0;
    if (params_[mode - reg::kParams] != 0) return normal_closed;  // control mode: stays at its level
    const bool active = (alarm_state_ & params_[link - reg::kParams]) != 0;
    return active ? !normal_closed : normal_closed;
  };
  v.do1 = relay(reg::kDo1Mode, reg::kDo1Link, reg::kDo1Level);
  v.do2 = relay(reg::kDo2Mode, reg::kDo2Link, reg::kDo2Level);
  return v;
}

std::uint16_t Instrument::param(std::uint16_t r) const {
  if (r < reg::kParams || r >= reg::kParams + reg::kParamCount) throw std::out_of_range("not a parameter register");
  return params_[r - reg::kParams];
}

void Instrument::set_param(std::uint16_t r, std::uint16_t value) {
  if (r < reg::kParams || r >= reg::kParams + reg::kParamCount) throw std::out_of_range("not a parameter register");
  params_[r - reg::kParams] = value;
  if (r == reg::kInterval || r == reg::kRecording) last_log_.reset();
}

void Instrument::add_history(const HistoryRecord& r) {
  if (history_.size() >= history_capacity()) history_.pop_front();
  history_.push_back(r);
  history_unread_ = std::min<std::uint32_t>(history_unread_ + 1, static_cast<std::uint32_t>(history_.size()));
}

void Instrument::set_history_unread(std::uint32_t n) {
  history_unread_ = std::min<std::uint32_t>(n, static_cast<std::uint32_t>(history_.size()));
}

void Instrument::add_alarm(const AlarmRecord& r) {
  if (alarms_.size() >= 65535) alarms_.pop_front();
  alarms_.push_back(r);
  alarm_unread_ = static_cast<std::uint16_t>(std::min<std::size_t>(alarm_unread_ + 1u, alarms_.size()));
}

void Instrument::set_alarm_unread(std::uint16_t n) {
  alarm_unread_ = static_cast<std::uint16_t>(std::min<std::size_t>(n, alarms_.size()));
}

CivilTime Instrument::clock() const {
  const core::LocalTime lt = core::to_local(core::current_clock().now());
  const CivilTime pc{lt.year, lt.month, lt.day, lt.hour, lt.minute, lt.second};
  return from_seconds(to_seconds(pc) + clock_offset_);
}

void Instrument::set_clock_offset(std::int64_t seconds) {
  clock_offset_ = seconds;
  last_log_.reset();
}

void Instrument::set_clock(const CivilTime& t) {
  set_clock_offset(0);
  set_clock_offset(to_seconds(t) - to_seconds(clock()));
}

void Instrument::set_logging(bool on) {
  logging_ = on;
  last_log_.reset();
}

void Instrument::tick() {
  refresh_alarms();
  if (!logging_ || params_[reg::kRecording - reg::kParams] == 0) return;
  const std::int64_t interval =
      static_cast<std::int64_t>(params_[reg::kInterval - reg::kParams]) * (extended_counters() ? 1 : 60);
  if (interval <= 0) return;
  const std::int64_t now = to_seconds(clock());
  if (!last_log_) {
    last_log_ = now;
    return;
  }
  // A clock that jumped far ahead logs a bounded number of records, then catches up.
  int logged = 0;
  const LiveValues v = live();
  while (now - *last_log_ >= interval && logged < 10000) {
    *last_log_ += interval;
    const CivilTime at = from_seconds(*last_log_);
    if (is_valid(at)) add_history(HistoryRecord{v.temperature, v.humidity, at});
    ++logged;
  }
  if (now - *last_log_ >= interval) last_log_ = now;
}

void Instrument::refresh_alarms() {
  const LiveValues v = live();
  if (!relays_known_) {
    do1_ = v.do1;
    do2_ = v.do2;
    relays_known_ = true;
  }
  const auto p = [&](std::uint16_t r) { return static_cast<int>(params_[r - reg::kParams]); };
  const auto ps = [&](std::uint16_t r) { return static_cast<int>(static_cast<std::int16_t>(params_[r - reg::kParams])); };
  const int t = v.temperature, h = v.humidity;
  const CivilTime now = clock();
  auto edge = [&](std::uint16_t bit, bool onset, bool cleared, std::uint8_t kind, int value) {
    if (!(alarm_state_ & bit) && onset) {
      alarm_state_ = static_cast<std::uint16_t>(alarm_state_ | bit);
      add_alarm(AlarmRecord{static_cast<std::int16_t>(value), kAlarmEvent, kind, now});
    } else if ((alarm_state_ & bit) && cleared) {
      alarm_state_ = static_cast<std::uint16_t>(alarm_state_ & ~bit);
      add_alarm(AlarmRecord{static_cast<std::int16_t>(value), kAlarmEvent, static_cast<std::uint8_t>(kind + 1), now});
    }
  };
  edge(1, t > ps(reg::kHighTemperature), t <= ps(reg::kHighTemperature) - p(reg::kTemperatureHysteresis),
       kHighTemperature, t);
  edge(2, t < ps(reg::kLowTemperature), t >= ps(reg::kLowTemperature) + p(reg::kTemperatureHysteresis),
       kLowTemperature, t);
  edge(4, h > p(reg::kHighHumidity), h <= p(reg::kHighHumidity) - p(reg::kHumidityHysteresis), kHighHumidity, h);
  edge(8, h < p(reg::kLowHumidity), h >= p(reg::kLowHumidity) + p(reg::kHumidityHysteresis), kLowHumidity, h);
  const LiveValues after = live();
  if (after.do1 != do1_) add_alarm(AlarmRecord{after.do1 ? std::int16_t{1} : std::int16_t{0}, kRelayEvent, 1, now});
  if (after.do2 != do2_) add_alarm(AlarmRecord{after.do2 ? std::int16_t{1} : std::int16_t{0}, kRelayEvent, 2, now});
  do1_ = after.do1;
  do2_ = after.do2;
}

void Instrument::remote_change(std::uint8_t kind, std::int16_t value) {
  add_alarm(AlarmRecord{value, kRemoteSetting, kind, clock()});
}

Bytes Instrument::read_reply(std::uint8_t from, std::uint8_t fc, const Bytes& data) const {
  Bytes out{from, fc};
  std::size_t count = data.size();
  if (count > 255) count = byte_count_mode == ByteCountMode::kTruncate ? (count & 0xFF) : 255;
  out.push_back(static_cast<std::uint8_t>(count));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::optional<Bytes> Instrument::handle(ByteSpan f) {
  if (f.size() < 4 || !crc_ok(f)) return std::nullopt;
  const std::uint8_t to = f[0];
  const std::uint8_t fc = f[1];
  if (to == kProbeAddress) {
    // Only the address probe is answered on 255, from the instrument's own address.
    if (fc == 0x03 && f.size() == 8 && be16(f, 2) == reg::kAddress && be16(f, 4) == 1) {
      Bytes data;
      put16(data, address());
      Bytes out = read_reply(address(), fc, data);
      append_crc(out);
      return out;
    }
    return std::nullopt;
  }
  if (to != address()) return std::nullopt;

  Outcome result;
  switch (fc) {
    case 0x03:
    case 0x2E:
      if (f.size() != 8) {
        result.error = kNoData;
      } else if (fc == 0x03) {
        result = read(be16(f, 2), be16(f, 4));
      } else {
        result = custom_read(be16(f, 2), be16(f, 4));
      }
      break;
    case 0x06:
      if (f.size() != 8) {
        result.error = kNoData;
      } else {
        result = write_single(be16(f, 2), be16(f, 4));
      }
      break;
    case 0x10:
    case 0x2F: {
      if (f.size() == 8) return std::nullopt;  // an acknowledgement-shaped frame: nothing to answer
      const std::size_t count = f.size() >= 9 ? be16(f, 4) : 0;
      if (f.size() < 9 || count == 0 || count > 123 || f[6] != 2 * count || f.size() != 9 + 2 * count) {
        result.error = kNoData;
        break;
      }
      std::vector<std::uint16_t> values(count);
      for (std::size_t i = 0; i < count; ++i) values[i] = be16(f, 7 + 2 * i);
      result = fc == 0x10 ? write_multiple(be16(f, 2), values) : custom_write(be16(f, 2), values);
      break;
    }
    default:
      result.error = kIllegalFunction;
      break;
  }

  // A write may have changed the address: replies still go out from the address they were sent to.
  Bytes out;
  if (result.error) {
    out = {to, static_cast<std::uint8_t>(fc | 0x80), result.error};
  } else if (result.echo_write) {
    out.assign(f.begin(), f.begin() + 6);
  } else {
    out = read_reply(to, fc, result.data);
  }
  append_crc(out);
  return out;
}

std::optional<std::uint16_t> Instrument::plain_register(std::uint16_t r) {
  const LiveValues v = live();
  switch (r) {
    case 0: return static_cast<std::uint16_t>(v.temperature);
    case 1: return v.humidity;
    case 2: return static_cast<std::uint16_t>(v.dew_point);
    case 3: return v.do1 ? 1 : 0;
    case 4: return v.do2 ? 1 : 0;
    case 5: return v.alarm_code;
    default: break;
  }
  if (r >= reg::kParams && r < reg::kParams + reg::kParamCount) return params_[r - reg::kParams];
  auto time_register = [](const CivilTime& t, int i) {
    const int pairs[3][2] = {{t.year - 2000, t.month}, {t.day, t.hour}, {t.minute, t.second}};
    return static_cast<std::uint16_t>((pairs[i][0] << 8) | pairs[i][1]);
  };
  if (r >= reg::kClock && r < reg::kClock + 3) return time_register(clock(), r - reg::kClock);
  if (r >= reg::kRecordingStart && r < reg::kRecordingStart + 3) return time_register(recording_start_, r - reg::kRecordingStart);
  if (r == reg::kEnergy) return energy_;
  if (r == reg::kAlarmOutput) return alarm_output_;
  return std::nullopt;
}

Instrument::Outcome Instrument::read(std::uint16_t r, std::uint16_t count) {
  Outcome o;
  if (r == reg::kHistory) return read_counted(count, nullptr);
  if (r == reg::kRange) {
    if (!range_) return Outcome{{}, kNoData, false};
    return read_counted(count, &*range_);
  }
  if (r == reg::kAlarm) return read_alarm(count);
  if (r == reg::kDay) return read_day(count);
  if (r == reg::kRangeQuery && count == 4) {
    put32(o.data, range_ ? static_cast<std::uint32_t>(range_->records.size()) : 0);
    put32(o.data, range_ ? range_->remaining : 0);
    return o;
  }
  if (count == 0 || count > 125) return Outcome{{}, kNoData, false};
  refresh_alarms();
  for (std::uint32_t i = r; i < std::uint32_t{r} + count; ++i) {
    const auto v = i <= 0xFFFF ? plain_register(static_cast<std::uint16_t>(i)) : std::nullopt;
    if (!v) return Outcome{{}, kIllegalRegister, false};
    put16(o.data, *v);
  }
  return o;
}

// History (register 7) and range (register 5000) reads: 4 registers of counts, or the counts and
// B records in 5B + 4 registers. Each record read is consumed.
Instrument::Outcome Instrument::read_counted(std::uint16_t count, Cursor* cursor) {
  Outcome o;
  const std::uint32_t first = cursor ? static_cast<std::uint32_t>(cursor->records.size())
                                     : static_cast<std::uint32_t>(history_.size());
  std::uint32_t& remaining = cursor ? cursor->remaining : history_unread_;
  if (count == 4) {
    put32(o.data, first);
    put32(o.data, remaining);
    return o;
  }
  if (count < 9 || (count - 4) % 5 != 0 || static_cast<std::size_t>((count - 4) / 5) > kMaxFastRead) return Outcome{{}, kNoData, false};
  if (remaining == 0) return Outcome{{}, kNoData, false};
  const std::uint32_t wanted = (count - 4) / 5;
  const std::uint32_t n = std::min(wanted, remaining);
  const std::size_t start = first - remaining;
  remaining -= n;
  put32(o.data, first);
  put32(o.data, remaining);
  for (std::size_t i = 0; i < n; ++i) {
    append_record(o.data, cursor ? cursor->records[start + i] : history_[start + i]);
  }
  return o;
}

Instrument::Outcome Instrument::read_alarm(std::uint16_t count) {
  Outcome o;
  const auto total = static_cast<std::uint16_t>(alarms_.size());
  if (count == 2) {
    put16(o.data, total);
    put16(o.data, alarm_unread_);
    return o;
  }
  if (count != 7) return Outcome{{}, kNoData, false};
  if (alarm_unread_ == 0) return Outcome{{}, kNoData, false};
  const std::size_t index = alarms_.size() - alarm_unread_;
  --alarm_unread_;
  put16(o.data, total);
  put16(o.data, alarm_unread_);
  append_record(o.data, alarms_[index]);
  return o;
}

Instrument::Outcome Instrument::read_day(std::uint16_t count) {
  Outcome o;
  const bool wide = extended_counters();
  const std::uint16_t counts = wide ? 4 : 2, with_record = wide ? 9 : 7;
  const std::uint16_t other_counts = wide ? 2 : 4, other_record = wide ? 7 : 9;
  if (count == other_counts || count == other_record) return Outcome{{}, kIllegalRegister, false};
  if (count != counts && count != with_record) return Outcome{{}, kNoData, false};
  const std::uint32_t total = day_ ? static_cast<std::uint32_t>(day_->records.size()) : 0;
  auto put_counts = [&](std::uint32_t remaining) {
    if (wide) {
      put32(o.data, total);
      put32(o.data, remaining);
    } else {
      put16(o.data, static_cast<std::uint16_t>(std::min<std::uint32_t>(total, 0xFFFF)));
      put16(o.data, static_cast<std::uint16_t>(std::min<std::uint32_t>(remaining, 0xFFFF)));
    }
  };
  if (count == counts) {
    put_counts(day_ ? day_->remaining : 0);
    return o;
  }
  if (!day_ || day_->remaining == 0) return Outcome{{}, kNoData, false};
  const std::size_t index = total - day_->remaining;
  --day_->remaining;
  put_counts(day_->remaining);
  append_record(o.data, day_->records[index]);
  return o;
}

Instrument::Outcome Instrument::custom_read(std::uint16_t r, std::uint16_t count) {
  Outcome o;
  if (count == 0) return Outcome{{}, kNoData, false};
  if (r == reg::kModel && count == 2) {
    o.data = {model_.model, model_.options};
    put16(o.data, model_.version);
    return o;
  }
  if (r >= reg::kAdvanced && std::uint32_t{r} + count <= std::uint32_t{reg::kAdvanced} + reg::kAdvancedCount) {
    for (std::uint16_t i = 0; i < count; ++i) put16(o.data, advanced_[static_cast<std::size_t>(r - reg::kAdvanced + i)]);
    return o;
  }
  return Outcome{{}, kIllegalRegister, false};
}

Instrument::Outcome Instrument::custom_write(std::uint16_t r, const std::vector<std::uint16_t>& values) {
  if (r < reg::kAdvanced || std::uint32_t{r} + values.size() > std::uint32_t{reg::kAdvanced} + reg::kAdvancedCount) {
    return Outcome{{}, kIllegalRegister, false};
  }
  for (std::size_t i = 0; i < values.size(); ++i) advanced_[r - reg::kAdvanced + i] = values[i];
  return Outcome{{}, 0, true};
}

Instrument::Outcome Instrument::write_single(std::uint16_t r, std::uint16_t value) {
  switch (r) {
    case reg::kClearRecords:
      if (value != kClearConfirmation) return Outcome{{}, kNoData, false};
      clear_records();
      return Outcome{{}, 0, true};
    case reg::kAlarmUnread:
      if (value > alarms_.size()) return Outcome{{}, kNoData, false};
      alarm_unread_ = value;
      return Outcome{{}, 0, true};
    case reg::kEnergy:
      if (value > 4) return Outcome{{}, kNoData, false};
      energy_ = value;
      return Outcome{{}, 0, true};
    case reg::kAlarmOutput:
      if (value > 3) return Outcome{{}, kNoData, false};
      alarm_output_ = value;
      return Outcome{{}, 0, true};
    default:
      break;
  }
  if (r >= reg::kParams && r < reg::kParams + reg::kParamCount) return write_params(r, {value});
  return Outcome{{}, kIllegalRegister, false};
}

Instrument::Outcome Instrument::write_multiple(std::uint16_t r, const std::vector<std::uint16_t>& values) {
  const std::size_t n = values.size();
  if (r >= reg::kParams && r + n <= std::size_t{reg::kParams} + reg::kParamCount) {
    return write_params(r, values);
  }
  if (r == reg::kAlarmOutput && n == 1) return write_single(r, values[0]);
  if ((r == reg::kClock || r == reg::kRecordingStart) && n == 3) return write_clock(values, r == reg::kRecordingStart);
  if (r == reg::kHistoryUnread && n == 2) {
    const std::uint32_t v = (std::uint32_t{values[0]} << 16) | values[1];
    if (v > history_.size()) return Outcome{{}, kNoData, false};
    history_unread_ = v;
    return Outcome{{}, 0, true};
  }
  if (r == reg::kDay && n == 2) return query_day(values);
  if (r == reg::kRangeQuery && n == 4) return query_range(values);
  return Outcome{{}, kIllegalRegister, false};
}

Instrument::Outcome Instrument::write_params(std::uint16_t first, const std::vector<std::uint16_t>& values) {
  // The block is taken whole or not at all.
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto range = param_range(static_cast<std::uint16_t>(first + i));
    if (range && (values[i] < range->first || values[i] > range->second)) return Outcome{{}, kNoData, false};
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto r = static_cast<std::uint16_t>(first + i);
    if (params_[r - reg::kParams] == values[i]) continue;
    set_param(r, values[i]);
    // Setting changes through the line are logged: kinds 1 to 20 are registers 200 to 219.
    if (r < reg::kParams + 20) remote_change(static_cast<std::uint8_t>(r - reg::kParams + 1), static_cast<std::int16_t>(values[i]));
  }
  return Outcome{{}, 0, true};
}

Instrument::Outcome Instrument::write_clock(const std::vector<std::uint16_t>& values, bool recording_start) {
  const CivilTime t = clock_bytes(values, 0);
  if (!is_valid(t)) return Outcome{{}, kNoData, false};
  if (recording_start) {
    recording_start_ = t;
    return Outcome{{}, 0, true};
  }
  const CivilTime before = clock();
  set_clock(t);
  if (date_key(before) != date_key(t)) remote_change(kSettingDate, 0);
  if (before.hour != t.hour || before.minute != t.minute || before.second != t.second) remote_change(kSettingTime, 0);
  return Outcome{{}, 0, true};
}

Instrument::Outcome Instrument::query_day(const std::vector<std::uint16_t>& values) {
  const CivilTime day = query_date(values[0], values[1]);
  if (!is_valid(day)) return Outcome{{}, kNoData, false};
  Cursor c;
  for (const HistoryRecord& r : history_) {
    if (date_key(r.time) == date_key(day)) c.records.push_back(r);
  }
  if (c.records.empty()) {
    day_.reset();
    return Outcome{{}, kNoData, false};
  }
  c.remaining = static_cast<std::uint32_t>(c.records.size());
  day_ = std::move(c);
  return Outcome{{}, 0, true};
}

Instrument::Outcome Instrument::query_range(const std::vector<std::uint16_t>& values) {
  const CivilTime from = query_date(values[0], values[1]);
  const CivilTime to = query_date(values[2], values[3]);
  if (!is_valid(from) || !is_valid(to)) return Outcome{{}, kNoData, false};
  Cursor c;
  for (const HistoryRecord& r : history_) {
    const int key = date_key(r.time);
    if (key >= date_key(from) && key <= date_key(to)) c.records.push_back(r);
  }
  if (c.records.empty()) {
    range_.reset();
    return Outcome{{}, kNoData, false};
  }
  c.remaining = static_cast<std::uint32_t>(c.records.size());
  range_ = std::move(c);
  return Outcome{{}, 0, true};
}

void Instrument::clear_records() {
  history_.clear();
  history_unread_ = 0;
  alarms_.clear();
  alarm_unread_ = 0;
  day_.reset();
  range_.reset();
  remote_change(kSettingClearRecords, 0);
}

Bytes Instrument::live_push() {
  refresh_alarms();
  const LiveValues v = live();
  Bytes out{address(), 0x10, 0x00, 0x00, 0x00, 0x0B, 22};
  put16(out, static_cast<std::uint16_t>(v.temperature));
  put16(out, v.humidity);
  put16(out, static_cast<std::uint16_t>(v.dew_point));
  put16(out, v.do1 ? 1 : 0);
  put16(out, v.do2 ? 1 : 0);
  put16(out, v.alarm_code);
  put16(out, battery_);
  put32(out, static_cast<std::uint32_t>(history_.size()));
  put32(out, history_unread_);
  append_crc(out);
  return out;
}

Bytes Instrument::record_push(std::size_t max_records) const {
  const std::size_t n = std::min({max_records, kMaxPushedRecords, history_.size()});
  Bytes out{address(), 0x10, 0x00, 0x07};
  put16(out, static_cast<std::uint16_t>(4 + 5 * n));
  out.push_back(static_cast<std::uint8_t>(8 + 10 * n));
  put32(out, static_cast<std::uint32_t>(history_.size()));
  put32(out, history_unread_);
  for (std::size_t i = history_.size() - n; i < history_.size(); ++i) append_record(out, history_[i]);
  append_crc(out);
  return out;
}

std::vector<HistoryRecord> generate_history(const CivilTime& first, int interval_seconds, std::size_t count) {
  std::vector<HistoryRecord> out;
  out.reserve(count);
  const std::int64_t start = to_seconds(first);
  std::uint32_t noise = 12345;
  const double kPi = 3.14159265358979323846;
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t at = start + static_cast<std::int64_t>(i) * interval_seconds;
    const CivilTime t = from_seconds(at);
    // A daily swing of temperature with humidity moving against it, plus a little noise.
    const double phase = 2 * kPi * static_cast<double>(at % 86400) / 86400.0;
    noise = noise * 1103515245u + 12345u;
    const int jitter = static_cast<int>((noise >> 16) % 7) - 3;
    const int temp = static_cast<int>(std::lround(235 + 45 * std::sin(phase))) + jitter;
    const int hum = static_cast<int>(std::lround(600 - 120 * std::sin(phase))) - jitter;
    out.push_back(HistoryRecord{static_cast<std::int16_t>(temp), static_cast<std::uint16_t>(std::clamp(hum, 0, 1000)), t});
  }
  return out;
}

std::vector<AlarmRecord> generate_alarms(const CivilTime& first, std::size_t count) {
  // A cycle through every class, so that each kind of line the console shows comes up.
  static const AlarmRecord kCycle[] = {
      {356, kAlarmEvent, kHighTemperature, {}}, {1, kRelayEvent, 1, {}},
      {348, kAlarmEvent, kHighTemperatureCleared, {}}, {0, kRelayEvent, 1, {}},
      {-52, kAlarmEvent, kLowTemperature, {}}, {-40, kAlarmEvent, kLowTemperatureCleared, {}},
      {853, kAlarmEvent, kHighHumidity, {}}, {1, kRelayEvent, 2, {}},
      {790, kAlarmEvent, kHighHumidityCleared, {}}, {0, kRelayEvent, 2, {}},
      {195, kAlarmEvent, kLowHumidity, {}}, {210, kAlarmEvent, kLowHumidityCleared, {}},
      {360, kLocalSetting, 5, {}}, {2, kRemoteSetting, 17, {}},
      {0, kRemoteSetting, kSettingTime, {}}, {0, kLocalSetting, kSettingClearRecords, {}},
  };
  std::vector<AlarmRecord> out;
  const std::int64_t start = to_seconds(first);
  for (std::size_t i = 0; i < count; ++i) {
    AlarmRecord r = kCycle[i % std::size(kCycle)];
    r.time = from_seconds(start + static_cast<std::int64_t>(i) * 1800);
    out.push_back(r);
  }
  return out;
}

}  // namespace instrument_sim
