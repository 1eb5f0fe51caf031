// CRC-16 of the serial line (initial 0xFFFF, reflected polynomial 0xA001, no final XOR), in the
// byte-pair form the console's frame code works with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace console {

// CRC of the first `count` bytes of `data`, returned with the byte that goes on the line first in
// the high byte and the second in the low byte. So a caller stores the high byte right after the
// covered bytes and the low byte after it; the line then carries the standard low-byte-first order.
// Zero bytes give 0xFFFF.
std::uint16_t Crc16Modbus(const std::uint8_t* data, std::size_t count);
inline std::uint16_t Crc16Modbus(std::span<const std::uint8_t> data) {
  return Crc16Modbus(data.data(), data.size());
}

// True when `frame` holds more than its two CRC bytes and those match the CRC of the rest.
bool CrcMatches(std::span<const std::uint8_t> frame);

}  // namespace console
