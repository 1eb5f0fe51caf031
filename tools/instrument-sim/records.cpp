#include "tools/instrument-sim/records.h"

namespace instrument_sim {

namespace {
void append_time(Bytes& out, const CivilTime& t) {
  out.push_back(static_cast<std::uint8_t>(t.year - 2000));
  out.push_back(static_cast<std::uint8_t>(t.month));
  out.push_back(static_cast<std::uint8_t>(t.day));
  out.push_back(static_cast<std::uint8_t>(t.hour));
  out.push_back(static_cast<std::uint8_t>(t.minute));
  out.push_back(static_cast<std::uint8_t>(t.second));
}
}  // namespace

void append_record(Bytes& out, const HistoryRecord& r) {
  const auto t = static_cast<std::uint16_t>(r.temperature);
  out.push_back(static_cast<std::uint8_t>(t >> 8));
  out.push_back(static_cast<std::uint8_t>(t));
  out.push_back(static_cast<std::uint8_t>(r.humidity >> 8));
  out.push_back(static_cast<std::uint8_t>(r.humidity));
  append_time(out, r.time);
}

void append_record(Bytes& out, const AlarmRecord& r) {
  const auto v = static_cast<std::uint16_t>(r.value);
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(r.alarm_class);
  out.push_back(r.kind);
  append_time(out, r.time);
}

HistoryRecord decode_history_record(const std::uint8_t* p) {
  HistoryRecord r;
  r.temperature = static_cast<std::int16_t>((p[0] << 8) | p[1]);
  r.humidity = static_cast<std::uint16_t>((p[2] << 8) | p[3]);
  r.time = CivilTime{2000 + p[4], p[5], p[6], p[7], p[8], p[9]};
  return r;
}

}  // namespace instrument_sim
