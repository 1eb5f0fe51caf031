// The instrument on a pseudo-terminal: reads requests from the line, answers them from the
// Instrument, and puts the configured faults, pacing and pushed reports on the line.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <ostream>
#include <stop_token>
#include <vector>

#include "tools/instrument-sim/faults.h"
#include "tools/instrument-sim/frame_assembler.h"
#include "tools/instrument-sim/instrument.h"
#include "tools/instrument-sim/pty_port.h"

namespace instrument_sim {

struct SimulatorStats {
  std::size_t frames = 0;        // complete frames with a good CRC taken from the line
  std::size_t answered = 0;      // frames the instrument had a reply for (before faults)
  std::size_t replies = 0;       // replies actually written
  std::size_t wrong_line = 0;    // frames ignored because the line was set to another speed or format
  std::size_t not_for_us = 0;    // frames for another address, or that get no answer
  std::size_t pushes = 0;        // reports pushed that wait for an acknowledgement
  std::size_t push_acks = 0;     // acknowledgements of pushed reports received
  std::size_t partial_dropped = 0;  // partial frames forgotten after the line went quiet
  std::size_t bytes_in = 0;      // bytes read from the line
  std::size_t bytes_out = 0;     // bytes written to the line
};

// One write() to the line: when (the clock seam's monotonic time) and how many bytes.
struct WriteEvent {
  Millis at;
  std::size_t size;
};

class Simulator {
public:
  explicit Simulator(Instrument instrument = Instrument());

  // Everything below may be called from one thread while run() serves the line on another.
  template <class F>
  auto locked(F&& f) {
    std::lock_guard lock(mutex_);
    return f(instrument_);
  }
  // Direct access, for use while run() is not running.
  Instrument& instrument() { return instrument_; }
  FaultPlan& faults() { return faults_; }
  PtyPort& port() { return port_; }
  const std::string& port_path() const { return port_.path(); }

  // Pacing writes each reply at the speed of the line: bytes x 10 / baud seconds (start, 8 data and
  // stop bit), spending the time on the clock seam.
  void set_pacing(bool on);
  // With the check on (the default), frames are answered only while the line is set to the
  // instrument's baud rate; a real instrument would read noise otherwise. (Parity cannot be checked:
  // a pty forces 8 data bits without parity whatever the other side asks for.)
  void set_line_check(bool on);
  // A partial frame is forgotten once the line has been quiet this long (clock seam time).
  void set_idle_flush(Millis quiet);
  void set_trace(std::ostream* trace);

  // Waits up to `wait` (real time) for bytes from the line, then answers every complete frame.
  // Returns the number of complete frames taken.
  std::size_t service(Millis wait);
  // Serves the line until stopped; runs the instrument's logging between polls.
  void run(std::stop_token stop, Millis poll = Millis(20));

  // Pushed reports from the instrument's own address; the instrument waits for their echo. Nothing
  // is sent (false) while the line is set to another speed.
  bool push_live();
  bool push_records(std::size_t max_records);
  // Any frame (the CRC is added); `expect_ack` makes the instrument wait for the echo of its first
  // six bytes, as for the reports above.
  bool push_frame(Bytes frame_without_crc, bool expect_ack);
  bool awaiting_ack() const;
  // Bytes of a frame not yet complete.
  std::size_t pending_bytes() const;

  SimulatorStats stats() const;
  std::vector<WriteEvent> write_log() const;
  void clear_write_log();

private:
  void answer(const Bytes& frame);
  bool line_matches() const;
  void write_paced(ByteSpan bytes);
  void write_now(ByteSpan bytes);
  void trace(const char* dir, ByteSpan bytes);

  mutable std::recursive_mutex mutex_;
  Instrument instrument_;
  PtyPort port_;
  FaultPlan faults_;
  FrameAssembler assembler_;
  std::optional<Bytes> pending_ack_;
  SimulatorStats stats_;
  std::vector<WriteEvent> write_log_;
  bool pacing_ = false;
  bool line_check_ = true;
  Millis idle_flush_{50};
  Millis last_input_{0};
  int pace_baud_ = 0;
  std::uint64_t pace_bytes_ = 0;
  std::int64_t pace_slept_us_ = 0;
  std::ostream* trace_ = nullptr;
};

}  // namespace instrument_sim
