// Faults the simulator can put into its replies, so that tests can show what the console does with a
// line that misbehaves.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tools/instrument-sim/crc16.h"

namespace instrument_sim {

using Millis = std::chrono::milliseconds;

enum class FaultKind {
  kNone,
  kSplit,           // the reply goes out in pieces with gaps between them
  kDelay,           // the reply goes out late
  kCorruptCrc,      // the reply's CRC does not check
  kShortFrame,      // the reply is cut off
  kForeignAddress,  // the reply comes from another address (with a good CRC)
  kNoAnswer,        // no reply at all
  kException,       // an exception reply with the given code instead of the reply
  kStrayFrame,      // an unasked acknowledgement (function 5, 15 or 47) goes out before the reply
};

struct Fault {
  FaultKind kind = FaultKind::kNone;
  std::vector<std::size_t> pieces;  // kSplit: sizes of the leading pieces; the rest is the last piece
  Millis time{0};                   // kSplit: gap between pieces; kDelay: the delay
  std::size_t keep = 0;             // kShortFrame: bytes kept (0: all but the last three)
  std::uint8_t value = 0;           // kForeignAddress: address; kException: code; kStrayFrame: function

  static Fault split(std::vector<std::size_t> pieces, Millis gap);
  static Fault delay(Millis d);
  static Fault corrupt_crc();
  static Fault short_frame(std::size_t keep = 0);
  static Fault foreign_address(std::uint8_t address);
  static Fault no_answer();
  static Fault exception(std::uint8_t code);
  static Fault stray_frame(std::uint8_t function);
};

// Parses the command-line form: "split:2,5[:GAP_MS]", "delay:MS", "crc", "short[:KEEP]",
// "foreign:ADDR", "silent", "exception:CODE", "stray:5|15|47". Throws std::invalid_argument.
Fault parse_fault(const std::string& text);

// Which fault, if any, each reply gets: one-shot faults first, in the order given, then a repeating
// fault on every n-th reply.
class FaultPlan {
public:
  void once(Fault f) { once_.push_back(std::move(f)); }
  void every(Fault f, unsigned period = 1);
  void clear();
  // The fault of the next reply (kNone for a clean reply).
  Fault next();

private:
  std::deque<Fault> once_;
  std::optional<Fault> repeat_;
  unsigned period_ = 1;
  unsigned counter_ = 0;
};

// Applies a fault that changes the reply's bytes (corrupt CRC, short frame, foreign address,
// exception). `request_fc` is the function code the reply answers.
Bytes apply_to_bytes(const Fault& f, Bytes reply, std::uint8_t request_fc);
// The unasked frame of kStrayFrame, from `address`.
Bytes stray_frame(std::uint8_t address, std::uint8_t function);

}  // namespace instrument_sim
