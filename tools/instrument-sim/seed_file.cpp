#include "tools/instrument-sim/seed_file.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace instrument_sim {

namespace {

long parse_integer(const std::string& text, long lo, long hi) {
  long v = 0;
  int base = 10;
  std::string_view s = text;
  bool negative = false;
  if (!s.empty() && s[0] == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) {
    throw std::invalid_argument("\"" + text + "\" is not a number");
  }
  if (negative) v = -v;
  if (v < lo || v > hi) {
    throw std::invalid_argument(text + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
  }
  return v;
}

// A decimal value in tenths ("23.5" -> 235).
long parse_tenths(const std::string& text, long lo, long hi) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) {
    throw std::invalid_argument("\"" + text + "\" is not a decimal number");
  }
  const long tenths = std::lround(v * 10);
  if (tenths < lo || tenths > hi) throw std::invalid_argument(text + " is out of range");
  return tenths;
}

}  // namespace

CivilTime parse_date_time(const std::string& date, const std::string& time) {
  CivilTime t;
  char d1 = 0, d2 = 0, c1 = 0, c2 = 0;
  std::istringstream ds(date), ts(time);
  if (!(ds >> t.year >> d1 >> t.month >> d2 >> t.day) || d1 != '-' || d2 != '-' || ds.peek() != EOF ||
      !(ts >> t.hour >> c1 >> t.minute >> c2 >> t.second) || c1 != ':' || c2 != ':' || ts.peek() != EOF) {
    throw std::invalid_argument("\"" + date + " " + time + "\" is not YYYY-MM-DD hh:mm:ss");
  }
  if (!is_valid(t)) throw std::invalid_argument(date + " " + time + " is no time the instrument can hold");
  return t;
}

void load_seed(std::istream& in, Instrument& ins) {
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string s; words >> s;) w.push_back(s);
    if (w.empty()) continue;
    const std::string& key = w[0];
    auto need = [&](std::size_t n) {
      if (w.size() != n + 1) {
        throw SeedError(number, "\"" + key + "\" takes " + std::to_string(n) + " value" + (n == 1 ? "" : "s"));
      }
    };
    try {
      if (key == "address") {
        need(1);
        ins.set_address(static_cast<int>(parse_integer(w[1], 1, 247)));
      } else if (key == "baud") {
        need(1);
        ins.set_baud(static_cast<int>(parse_integer(w[1], 1, 4000000)));
      } else if (key == "parity") {
        need(1);
        if (w[1].size() != 1) throw std::invalid_argument("parity is N, E or O");
        ins.set_parity(w[1][0]);
      } else if (key == "model") {
        need(3);
        ins.model().model = static_cast<std::uint8_t>(parse_integer(w[1], 0, 255));
        ins.model().options = static_cast<std::uint8_t>(parse_integer(w[2], 0, 255));
        ins.model().version = static_cast<std::uint16_t>(parse_integer(w[3], 0, 65535));
      } else if (key == "sensor") {
        need(2);
        ins.set_sensor(static_cast<std::int16_t>(parse_tenths(w[1], -32768, 32767)),
                       static_cast<std::uint16_t>(parse_tenths(w[2], 0, 1000)));
      } else if (key == "param") {
        need(2);
        const auto r = static_cast<std::uint16_t>(parse_integer(w[1], reg::kParams, reg::kParams + reg::kParamCount - 1));
        ins.set_param(r, static_cast<std::uint16_t>(parse_integer(w[2], -32768, 65535)));
      } else if (key == "clock-offset") {
        need(1);
        ins.set_clock_offset(parse_integer(w[1], -86400L * 365 * 100, 86400L * 365 * 100));
      } else if (key == "history") {
        need(4);
        ins.add_history(HistoryRecord{static_cast<std::int16_t>(parse_tenths(w[3], -32768, 32767)),
                                      static_cast<std::uint16_t>(parse_tenths(w[4], 0, 65535)),
                                      parse_date_time(w[1], w[2])});
      } else if (key == "alarm") {
        need(5);
        ins.add_alarm(AlarmRecord{static_cast<std::int16_t>(parse_integer(w[5], -32768, 32767)),
                                  static_cast<std::uint8_t>(parse_integer(w[3], 0, 255)),
                                  static_cast<std::uint8_t>(parse_integer(w[4], 0, 255)), parse_date_time(w[1], w[2])});
      } else if (key == "generate-history") {
        need(4);
        const CivilTime first = parse_date_time(w[1], w[2]);
        const auto interval = static_cast<int>(parse_integer(w[3], 1, 86400));
        const auto count = static_cast<std::size_t>(parse_integer(w[4], 0, 400000));
        for (const HistoryRecord& r : generate_history(first, interval, count)) {
          if (!is_valid(r.time)) throw std::invalid_argument("generated records run past 2255");
          ins.add_history(r);
        }
      } else if (key == "generate-alarms") {
        need(3);
        const auto count = static_cast<std::size_t>(parse_integer(w[3], 0, 65535));
        for (const AlarmRecord& r : generate_alarms(parse_date_time(w[1], w[2]), count)) {
          if (!is_valid(r.time)) throw std::invalid_argument("generated records run past 2255");
          ins.add_alarm(r);
        }
      } else if (key == "history-unread") {
        need(1);
        ins.set_history_unread(static_cast<std::uint32_t>(parse_integer(w[1], 0, 0xFFFFFFFFL)));
      } else if (key == "alarm-unread") {
        need(1);
        ins.set_alarm_unread(static_cast<std::uint16_t>(parse_integer(w[1], 0, 65535)));
      } else {
        throw SeedError(number, "unknown statement \"" + key + "\"");
      }
    } catch (const std::invalid_argument& e) {
      throw SeedError(number, e.what());
    } catch (const std::out_of_range& e) {
      throw SeedError(number, e.what());
    }
  }
}

void load_seed_file(const std::string& path, Instrument& instrument) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open seed file " + path);
  load_seed(in, instrument);
}

}  // namespace instrument_sim
