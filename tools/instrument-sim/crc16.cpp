#include "tools/instrument-sim/crc16.h"

#include <array>

namespace instrument_sim {

namespace {

constexpr std::array<std::uint16_t, 256> make_table() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t v = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) v = (v & 1) ? static_cast<std::uint16_t>((v >> 1) ^ 0xA001) : static_cast<std::uint16_t>(v >> 1);
    table[i] = v;
  }
  return table;
}

constexpr auto kTable = make_table();

}  // namespace

std::uint16_t crc16(ByteSpan data) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : data) crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ b) & 0xFF]);
  return crc;
}

void append_crc(Bytes& frame) {
  const std::uint16_t crc = crc16(frame);
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool crc_ok(ByteSpan frame) {
  if (frame.size() < 3) return false;
  const std::uint16_t crc = crc16(frame.first(frame.size() - 2));
  return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

}  // namespace instrument_sim
