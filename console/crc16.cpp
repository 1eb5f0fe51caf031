#include "console/crc16.h"

#include <array>

namespace console {
namespace {

// The two halves of the reflected 0xA001 table, built at compile time so no start-up step is needed.
struct CrcTables {
  std::array<std::uint8_t, 256> low{};
  std::array<std::uint8_t, 256> high{};
};

constexpr CrcTables MakeTables() {
  CrcTables t;
  for (unsigned i = 0; i < 256; ++i) {
    unsigned v = i;
    for (int bit = 0; bit < 8; ++bit) v = (v & 1u) ? (v >> 1) ^ 0xA001u : v >> 1;
    t.low[i] = static_cast<std::uint8_t>(v & 0xFFu);
    t.high[i] = static_cast<std::uint8_t>(v >> 8);
  }
  return t;
}

constexpr CrcTables kTables = MakeTables();

}  // namespace

std::uint16_t Crc16Modbus(const std::uint8_t* data, std::size_t count) {
  // `first` is the low byte of the running CRC, which is the byte sent first.
  std::uint8_t first = 0xFF;
  std::uint8_t second = 0xFF;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t index = data[i] ^ first;
    first = kTables.low[index] ^ second;
    second = kTables.high[index];
  }
  return static_cast<std::uint16_t>((first << 8) | second);
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
  if (frame.size() < 3) return false;
  const std::size_t n = frame.size() - 2;
  const std::uint16_t crc = Crc16Modbus(frame.data(), n);
  return frame[n] == (crc >> 8) && frame[n + 1] == (crc & 0xFF);
}

}  // namespace console
