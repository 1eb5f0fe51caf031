#include "tools/instrument-sim/simulator.h"

#include <algorithm>

#include "core/clock.h"
#include "core/strings.h"

namespace instrument_sim {

Simulator::Simulator(Instrument instrument)
    : instrument_(std::move(instrument)), port_(instrument_.baud()) {
  last_input_ = core::current_clock().monotonic();
}

void Simulator::set_pacing(bool on) {
  std::lock_guard lock(mutex_);
  pacing_ = on;
  pace_baud_ = 0;
}

void Simulator::set_line_check(bool on) {
  std::lock_guard lock(mutex_);
  line_check_ = on;
}

void Simulator::set_idle_flush(Millis quiet) {
  std::lock_guard lock(mutex_);
  idle_flush_ = quiet;
}

void Simulator::set_trace(std::ostream* trace) {
  std::lock_guard lock(mutex_);
  trace_ = trace;
}

void Simulator::trace(const char* dir, ByteSpan bytes) {
  if (trace_) *trace_ << dir << ' ' << core::to_hex(bytes.data(), bytes.size()) << '\n' << std::flush;
}

bool Simulator::line_matches() const {
  if (!line_check_) return true;
  // Only the speed: a pty keeps no parity or character size (the kernel forces 8 bits, no parity).
  return port_.line_settings().baud == instrument_.baud();
}

std::size_t Simulator::service(Millis wait) {
  if (wait.count() > 0) port_.wait_readable(wait);
  std::lock_guard lock(mutex_);
  const Bytes input = port_.read_available();
  const Millis now = core::current_clock().monotonic();
  if (!input.empty()) {
    if (assembler_.pending() > 0 && now - last_input_ >= idle_flush_) {
      assembler_.clear();
      ++stats_.partial_dropped;
    }
    last_input_ = now;
    stats_.bytes_in += input.size();
    trace("<-", input);
    assembler_.feed(input);
  } else if (assembler_.pending() > 0 && now - last_input_ >= idle_flush_) {
    assembler_.clear();
    ++stats_.partial_dropped;
  }
  std::size_t taken = 0;
  while (auto frame = assembler_.next(pending_ack_ ? &*pending_ack_ : nullptr)) {
    ++taken;
    ++stats_.frames;
    if (!line_matches()) {
      ++stats_.wrong_line;
      continue;
    }
    if (pending_ack_ && *frame == *pending_ack_) {
      ++stats_.push_acks;
      pending_ack_.reset();
      continue;
    }
    answer(*frame);
  }
  return taken;
}

void Simulator::run(std::stop_token stop, Millis poll) {
  while (!stop.stop_requested()) {
    service(poll);
    std::lock_guard lock(mutex_);
    instrument_.tick();
  }
}

void Simulator::answer(const Bytes& frame) {
  std::optional<Bytes> reply = instrument_.handle(frame);
  if (!reply) {
    ++stats_.not_for_us;
    return;
  }
  ++stats_.answered;
  const Fault f = faults_.next();
  switch (f.kind) {
    case FaultKind::kNoAnswer:
      return;
    case FaultKind::kStrayFrame:
      write_paced(stray_frame(instrument_.address(), f.value));
      break;
    case FaultKind::kDelay:
      core::current_clock().sleep(f.time);
      break;
    default:
      break;
  }
  const Bytes bytes = apply_to_bytes(f, std::move(*reply), frame[1]);
  if (f.kind == FaultKind::kSplit) {
    std::size_t at = 0;
    for (std::size_t piece : f.pieces) {
      if (at >= bytes.size()) break;
      const std::size_t n = std::min(piece, bytes.size() - at);
      write_paced(ByteSpan(bytes).subspan(at, n));
      at += n;
      if (at < bytes.size()) core::current_clock().sleep(f.time);
    }
    if (at < bytes.size()) write_paced(ByteSpan(bytes).subspan(at));
  } else {
    write_paced(bytes);
  }
  ++stats_.replies;
}

void Simulator::write_now(ByteSpan bytes) {
  trace("->", bytes);
  stats_.bytes_out += port_.write_all(bytes);
  write_log_.push_back(WriteEvent{core::current_clock().monotonic(), bytes.size()});
}

void Simulator::write_paced(ByteSpan bytes) {
  if (!pacing_ || bytes.empty()) {
    write_now(bytes);
    return;
  }
  int baud = port_.line_settings().baud;
  if (baud <= 0) baud = instrument_.baud();
  if (baud != pace_baud_) {
    pace_baud_ = baud;
    pace_bytes_ = 0;
    pace_slept_us_ = 0;
  }
  // Chunks of about two milliseconds of line time: fine enough for throughput, few enough writes.
  // The time owed is worked out from all bytes sent at this speed, so no rounding accumulates.
  const std::size_t chunk = std::max<std::size_t>(1, static_cast<std::size_t>(baud) / 5000);
  for (std::size_t at = 0; at < bytes.size(); at += chunk) {
    const std::size_t n = std::min(chunk, bytes.size() - at);
    pace_bytes_ += n;
    const std::int64_t due_us = static_cast<std::int64_t>(pace_bytes_) * 10 * 1000000 / baud;
    const std::int64_t ms = (due_us - pace_slept_us_) / 1000;
    if (ms > 0) {
      core::current_clock().sleep(Millis(ms));
      pace_slept_us_ += ms * 1000;
    }
    write_now(bytes.subspan(at, n));
  }
}

bool Simulator::push_frame(Bytes frame, bool expect_ack) {
  std::lock_guard lock(mutex_);
  // At another speed the other side would read noise, not a report.
  if (!line_matches()) return false;
  append_crc(frame);
  if (expect_ack && frame.size() >= 8) {
    Bytes ack(frame.begin(), frame.begin() + 6);
    append_crc(ack);
    pending_ack_ = std::move(ack);
    ++stats_.pushes;
  }
  write_paced(frame);
  return true;
}

bool Simulator::push_live() {
  std::lock_guard lock(mutex_);
  Bytes frame = instrument_.live_push();
  frame.resize(frame.size() - 2);
  return push_frame(std::move(frame), true);
}

bool Simulator::push_records(std::size_t max_records) {
  std::lock_guard lock(mutex_);
  Bytes frame = instrument_.record_push(max_records);
  frame.resize(frame.size() - 2);
  return push_frame(std::move(frame), true);
}

std::size_t Simulator::pending_bytes() const {
  std::lock_guard lock(mutex_);
  return assembler_.pending();
}

bool Simulator::awaiting_ack() const {
  std::lock_guard lock(mutex_);
  return pending_ack_.has_value();
}

SimulatorStats Simulator::stats() const {
  std::lock_guard lock(mutex_);
  return stats_;
}

std::vector<WriteEvent> Simulator::write_log() const {
  std::lock_guard lock(mutex_);
  return write_log_;
}

void Simulator::clear_write_log() {
  std::lock_guard lock(mutex_);
  write_log_.clear();
}

}  // namespace instrument_sim
