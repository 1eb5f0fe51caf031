// CRC-16 of the serial line (initial 0xFFFF, reflected polynomial 0xA001, no final XOR). Written for
// the simulator alone: the console has its own, so that a fault in one cannot hide in the other.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace instrument_sim {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

std::uint16_t crc16(ByteSpan data);
// Appends the CRC of everything in `frame`, low byte first as the line sends it.
void append_crc(Bytes& frame);
// True when the frame is longer than its CRC and its last two bytes are the CRC of the rest.
bool crc_ok(ByteSpan frame);

}  // namespace instrument_sim
