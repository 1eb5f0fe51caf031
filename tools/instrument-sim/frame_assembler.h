// Cuts the byte stream that arrives from the line into frames. The length of a request follows from
// its function code (and byte count); a frame whose CRC does not check is resynchronised byte by byte,
// the way an instrument that listens to a noisy line finds the next frame start.
#pragma once

#include <cstddef>
#include <optional>

#include "tools/instrument-sim/crc16.h"

namespace instrument_sim {

class FrameAssembler {
public:
  void feed(ByteSpan bytes);
  // The next complete frame with a good CRC, or nothing while more bytes are needed. `expected_ack`,
  // when given, is an 8-byte acknowledgement the instrument waits for: bytes that begin like it are
  // taken as that acknowledgement, since its length does not follow from its function code.
  std::optional<Bytes> next(const Bytes* expected_ack = nullptr);

  std::size_t pending() const { return buffer_.size(); }
  // Forgets a partial frame (the line went quiet in the middle of it).
  void clear() { buffer_.clear(); }
  std::size_t dropped_bytes() const { return dropped_; }

private:
  void drop(std::size_t n);

  Bytes buffer_;
  std::size_t dropped_ = 0;
};

// Bytes of a request whose length its function code fixes: 8 for reads and single writes, 9 plus the
// byte count for multiple writes; 0 when more bytes are needed to tell; -1 for a function code of
// unknown layout.
int expected_request_length(ByteSpan buffer);

}  // namespace instrument_sim
