#include "console/crc16.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/instrument-sim/crc16.h"

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> v) { return {v.begin(), v.end()}; }

struct CrcCase {
  const char* name;
  std::vector<std::uint8_t> data;
  std::uint16_t wire;  // first byte on the line in the high byte
};

TEST(Crc16Modbus, KnownVectors) {
  const std::string check = "123456789";
  const CrcCase cases[] = {
      {"empty", {}, 0xFFFF},
      {"check string", {check.begin(), check.end()}, 0x374B},  // CRC 0x4B37, sent 37 4B
      {"live read", Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x06}), 0xC5C8},
      {"read one", Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x01}), 0x840A},
      {"read 0x6B x3 at 0x11", Bytes({0x11, 0x03, 0x00, 0x6B, 0x00, 0x03}), 0x7687},
      {"write one", Bytes({0x01, 0x06, 0x00, 0x01, 0x00, 0x03}), 0x980B},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(console::Crc16Modbus(c.data), c.wire) << c.name;
  }
}

TEST(Crc16Modbus, AgreesWithIndependentPeerOnEveryLength) {
  std::vector<std::uint8_t> data;
  std::uint32_t seed = 12345;
  for (int n = 0; n < 300; ++n) {
    const std::uint16_t peer = instrument_sim::crc16(data);
    const std::uint16_t ours = console::Crc16Modbus(data);
    ASSERT_EQ(ours, static_cast<std::uint16_t>((peer & 0xFF) << 8 | peer >> 8)) << "length " << n;
    seed = seed * 1103515245u + 12345u;
    data.push_back(static_cast<std::uint8_t>(seed >> 16));
  }
}

TEST(CrcMatches, AcceptsOnlyTheLineOrder) {
  const auto good = Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x06, 0xC5, 0xC8});
  EXPECT_TRUE(console::CrcMatches(good));
  EXPECT_FALSE(console::CrcMatches(Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x06, 0xC8, 0xC5})));
  auto flipped = good;
  flipped[3] ^= 0x01;
  EXPECT_FALSE(console::CrcMatches(flipped));
  // Too short to hold anything besides a CRC: the CRC of nothing (FF FF) must not pass as a frame.
  EXPECT_FALSE(console::CrcMatches(Bytes({0xFF, 0xFF})));
  EXPECT_FALSE(console::CrcMatches(Bytes({})));
}

}  // namespace
