// A small text file that sets up an instrument: one statement per line, '#' starts a comment.
//
//   address 1                          line address, 1..247
//   baud 9600                          9600, 19200, 115200 or 1000000
//   parity N                           N, E or O
//   model 0x14 0x08 12                 model byte, option bits, firmware version
//   sensor 23.5 60.0                   raw temperature and humidity
//   param 204 350                      a parameter register (200..223) and its raw value
//   clock-offset -360                  instrument clock minus PC clock, in seconds
//   history 2018-04-08 09:05:07 23.5 60.0
//   alarm 2018-04-08 09:05:07 2 1 356  class, kind, raw value
//   generate-history 2018-04-01 00:00:00 600 500   first time, interval in seconds, count
//   generate-alarms 2018-04-01 00:00:00 20         first time, count
//   history-unread 100                 (after the records: new records count as unread)
//   alarm-unread 3
#pragma once

#include <istream>
#include <stdexcept>
#include <string>

#include "tools/instrument-sim/instrument.h"

namespace instrument_sim {

class SeedError : public std::runtime_error {
public:
  SeedError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
  int line() const { return line_; }

private:
  int line_;
};

void load_seed(std::istream& in, Instrument& instrument);
void load_seed_file(const std::string& path, Instrument& instrument);

// "2018-04-08" and "09:05:07" to a checked calendar time; throws std::invalid_argument.
CivilTime parse_date_time(const std::string& date, const std::string& time);

}  // namespace instrument_sim
