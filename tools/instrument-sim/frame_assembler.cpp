#include "tools/instrument-sim/frame_assembler.h"

#include <algorithm>

namespace instrument_sim {

namespace {
// The longest frame the line carries: the largest fast-read reply is 1013 bytes.
constexpr std::size_t kMaxFrame = 1024;
// Frames of unknown layout are looked for up to this length before a byte is given up.
constexpr std::size_t kMaxUnknownFrame = 256;
}  // namespace

int expected_request_length(ByteSpan buffer) {
  if (buffer.size() < 2) return 0;
  switch (buffer[1]) {
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x2E:
      return 8;
    case 0x0F:
    case 0x10:
    case 0x2F:
      if (buffer.size() < 7) return 0;
      return 9 + buffer[6];
    default:
      return -1;
  }
}

void FrameAssembler::feed(ByteSpan bytes) {
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  // A stream that never forms a frame must not grow without bound.
  if (buffer_.size() > 4 * kMaxFrame) drop(buffer_.size() - kMaxFrame);
}

void FrameAssembler::drop(std::size_t n) {
  n = std::min(n, buffer_.size());
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
  dropped_ += n;
}

std::optional<Bytes> FrameAssembler::next(const Bytes* expected_ack) {
  while (!buffer_.empty()) {
    if (expected_ack && expected_ack->size() <= kMaxFrame && !expected_ack->empty()) {
      const std::size_t n = std::min(buffer_.size(), expected_ack->size());
      if (std::equal(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n), expected_ack->begin())) {
        if (n < expected_ack->size()) return std::nullopt;
        Bytes frame(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
        return frame;
      }
    }
    // An 8-byte frame of function 16 or 47 is an acknowledgement, never a request (a request carries
    // at least one value): taken as such when its CRC checks where a request's byte count would not fit.
    if (buffer_.size() >= 8 && (buffer_[1] == 0x10 || buffer_[1] == 0x2F) &&
        buffer_[6] != 2 * ((buffer_[4] << 8) | buffer_[5]) && crc_ok(ByteSpan(buffer_).first(8))) {
      Bytes frame(buffer_.begin(), buffer_.begin() + 8);
      buffer_.erase(buffer_.begin(), buffer_.begin() + 8);
      return frame;
    }
    const int length = expected_request_length(buffer_);
    if (length == 0) return std::nullopt;
    if (length > 0) {
      const auto len = static_cast<std::size_t>(length);
      if (buffer_.size() < len) return std::nullopt;
      if (crc_ok(ByteSpan(buffer_).first(len))) {
        Bytes frame(buffer_.begin(), buffer_.begin() + length);
        buffer_.erase(buffer_.begin(), buffer_.begin() + length);
        return frame;
      }
      drop(1);
      continue;
    }
    // Unknown layout: the shortest prefix whose CRC checks is taken as the frame.
    const std::size_t limit = std::min(buffer_.size(), kMaxUnknownFrame);
    for (std::size_t len = 4; len <= limit; ++len) {
      if (crc_ok(ByteSpan(buffer_).first(len))) {
        Bytes frame(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(len));
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(len));
        return frame;
      }
    }
    // Noise in front of a frame of known layout: skip to that frame once it is complete.
    bool skipped = false;
    for (std::size_t at = 1; at + 4 <= buffer_.size() && !skipped; ++at) {
      const ByteSpan rest = ByteSpan(buffer_).subspan(at);
      const int len = expected_request_length(rest);
      if (len > 0 && static_cast<std::size_t>(len) <= rest.size() && crc_ok(rest.first(static_cast<std::size_t>(len)))) {
        drop(at);
        skipped = true;
      }
    }
    if (skipped) continue;
    if (buffer_.size() < kMaxUnknownFrame) return std::nullopt;
    drop(1);
  }
  return std::nullopt;
}

}  // namespace instrument_sim
