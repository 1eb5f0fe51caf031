#include "tools/instrument-sim/faults.h"

#include <stdexcept>

#include "core/strings.h"

namespace instrument_sim {

Fault Fault::split(std::vector<std::size_t> pieces, Millis gap) {
  Fault f;
  f.kind = FaultKind::kSplit;
  f.pieces = std::move(pieces);
  f.time = gap;
  return f;
}
Fault Fault::delay(Millis d) {
  Fault f;
  f.kind = FaultKind::kDelay;
  f.time = d;
  return f;
}
Fault Fault::corrupt_crc() {
  Fault f;
  f.kind = FaultKind::kCorruptCrc;
  return f;
}
Fault Fault::short_frame(std::size_t keep) {
  Fault f;
  f.kind = FaultKind::kShortFrame;
  f.keep = keep;
  return f;
}
Fault Fault::foreign_address(std::uint8_t address) {
  Fault f;
  f.kind = FaultKind::kForeignAddress;
  f.value = address;
  return f;
}
Fault Fault::no_answer() {
  Fault f;
  f.kind = FaultKind::kNoAnswer;
  return f;
}
Fault Fault::exception(std::uint8_t code) {
  Fault f;
  f.kind = FaultKind::kException;
  f.value = code;
  return f;
}
Fault Fault::stray_frame(std::uint8_t function) {
  if (function != 5 && function != 15 && function != 47) throw std::invalid_argument("a stray frame is function 5, 15 or 47");
  Fault f;
  f.kind = FaultKind::kStrayFrame;
  f.value = function;
  return f;
}

namespace {

unsigned long parse_number(const std::string& text, unsigned long max, const std::string& fault) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
    throw std::invalid_argument("bad number \"" + text + "\" in fault \"" + fault + "\"");
  }
  const unsigned long v = std::stoul(text);
  if (v > max) throw std::invalid_argument("number " + text + " too large in fault \"" + fault + "\"");
  return v;
}

}  // namespace

Fault parse_fault(const std::string& text) {
  const std::vector<std::string> parts = core::split(text, ':');
  const std::string& name = parts[0];
  const std::size_t args = parts.size() - 1;
  auto need = [&](std::size_t lo, std::size_t hi) {
    if (args < lo || args > hi) throw std::invalid_argument("wrong number of arguments in fault \"" + text + "\"");
  };
  if (name == "split") {
    need(1, 2);
    std::vector<std::size_t> pieces;
    for (const std::string& p : core::split(parts[1], ',')) {
      const auto n = parse_number(p, 1024, text);
      if (n == 0) throw std::invalid_argument("a piece of a split reply has at least one byte");
      pieces.push_back(n);
    }
    return Fault::split(pieces, Millis(args == 2 ? parse_number(parts[2], 60000, text) : 50));
  }
  if (name == "delay") {
    need(1, 1);
    return Fault::delay(Millis(parse_number(parts[1], 600000, text)));
  }
  if (name == "crc") {
    need(0, 0);
    return Fault::corrupt_crc();
  }
  if (name == "short") {
    need(0, 1);
    return Fault::short_frame(args ? parse_number(parts[1], 1024, text) : 0);
  }
  if (name == "foreign") {
    need(1, 1);
    return Fault::foreign_address(static_cast<std::uint8_t>(parse_number(parts[1], 255, text)));
  }
  if (name == "silent") {
    need(0, 0);
    return Fault::no_answer();
  }
  if (name == "exception") {
    need(1, 1);
    const auto code = parse_number(parts[1], 255, text);
    if (code == 0) throw std::invalid_argument("exception code 0 is no exception");
    return Fault::exception(static_cast<std::uint8_t>(code));
  }
  if (name == "stray") {
    need(1, 1);
    return Fault::stray_frame(static_cast<std::uint8_t>(parse_number(parts[1], 255, text)));
  }
  throw std::invalid_argument("unknown fault \"" + text + "\"");
}

void FaultPlan::every(Fault f, unsigned period) {
  repeat_ = std::move(f);
  period_ = period == 0 ? 1 : period;
  counter_ = 0;
}

void FaultPlan::clear() {
  once_.clear();
  repeat_.reset();
  counter_ = 0;
}

Fault FaultPlan::next() {
  if (!once_.empty()) {
    Fault f = std::move(once_.front());
    once_.pop_front();
    return f;
  }
  if (repeat_) {
    ++counter_;
    if (counter_ >= period_) {
      counter_ = 0;
      return *repeat_;
    }
  }
  return Fault{};
}

Bytes apply_to_bytes(const Fault& f, Bytes reply, std::uint8_t request_fc) {
  switch (f.kind) {
    case FaultKind::kCorruptCrc:
      if (!reply.empty()) reply.back() = static_cast<std::uint8_t>(reply.back() ^ 0xA5);
      return reply;
    case FaultKind::kShortFrame: {
      const std::size_t keep = f.keep ? f.keep : (reply.size() > 3 ? reply.size() - 3 : 1);
      if (keep < reply.size()) reply.resize(keep);
      return reply;
    }
    case FaultKind::kForeignAddress:
      if (reply.size() >= 3) {
        reply.resize(reply.size() - 2);
        reply[0] = f.value;
        append_crc(reply);
      }
      return reply;
    case FaultKind::kException: {
      const std::uint8_t address = reply.empty() ? 0 : reply[0];
      Bytes out{address, static_cast<std::uint8_t>(request_fc | 0x80), f.value};
      append_crc(out);
      return out;
    }
    default:
      return reply;
  }
}

Bytes stray_frame(std::uint8_t address, std::uint8_t function) {
  std::uint8_t body[4];
  switch (function) {
    case 5: body[0] = 0x00, body[1] = 0x00, body[2] = 0xFF, body[3] = 0x00; break;   // relay DO1 closed
    case 15: body[0] = 0x00, body[1] = 0x00, body[2] = 0x00, body[3] = 0x02; break;  // two coils written
    default: body[0] = 0xEA, body[1] = 0xE0, body[2] = 0x00, body[3] = 0x01; break;  // one advanced register
  }
  Bytes out{address, function, body[0], body[1], body[2], body[3]};
  append_crc(out);
  return out;
}

}  // namespace instrument_sim
