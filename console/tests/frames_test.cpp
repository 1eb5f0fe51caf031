#include "console/frames.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "console/crc16.h"
#include "tools/instrument-sim/crc16.h"
#include "tools/instrument-sim/instrument.h"

namespace {

using console::Frame;

// The expected frame: the given body, completed with the simulator's own CRC code.
Frame WithPeerCrc(std::initializer_list<int> body) {
  instrument_sim::Bytes f(body.begin(), body.end());
  instrument_sim::append_crc(f);
  return f;
}

// A parameter block as the window would hand it over: all fields valid.
std::array<console::ParameterInput, console::kParamCount> DefaultInputs() {
  std::array<console::ParameterInput, console::kParamCount> in;
  for (std::size_t k = 0; k < in.size(); ++k) {
    if (console::kParameterFields[k].conversion == console::ParamConversion::Index) {
      in[k] = {"", 0, 2};
    } else {
      in[k] = {"1", -1, 0};
    }
  }
  return in;
}

TEST(Frames, LiveReadToAddressOne) {
  EXPECT_EQ(console::LiveReadFrame(1), (Frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x06, 0xC5, 0xC8}));
}

TEST(Frames, EveryCatalogueRequest) {
  const console::ClockFields t{2024, 3, 5, 7, 8, 9};
  struct Case {
    const char* name;
    Frame built;
    Frame expected;
  };
  const Case cases[] = {
      {"live read", console::LiveReadFrame(7), WithPeerCrc({7, 0x03, 0x00, 0x00, 0x00, 0x06})},
      {"parameter read", console::ParameterReadFrame(7), WithPeerCrc({7, 0x03, 0x00, 0xC8, 0x00, 0x18})},
      {"clock read", console::ClockReadFrame(7), WithPeerCrc({7, 0x03, 0x00, 0xE0, 0x00, 0x03})},
      {"start-time read", console::StartTimeReadFrame(7), WithPeerCrc({7, 0x03, 0x00, 0xE3, 0x00, 0x03})},
      {"clock set", console::ClockSetFrame(7, t),
       WithPeerCrc({7, 0x10, 0x00, 0xE0, 0x00, 0x03, 0x06, 0x18, 0x03, 0x05, 0x07, 0x08, 0x09})},
      {"start-time set", console::StartTimeSetFrame(7, t),
       WithPeerCrc({7, 0x10, 0x00, 0xE3, 0x00, 0x03, 0x06, 0x18, 0x03, 0x05, 0x07, 0x08, 0x09})},
      {"recording on", console::RecordingFrame(7, true), WithPeerCrc({7, 0x10, 0x00, 0xDE, 0x00, 0x01, 0x02, 0x00, 0x01})},
      {"recording off", console::RecordingFrame(7, false), WithPeerCrc({7, 0x10, 0x00, 0xDE, 0x00, 0x01, 0x02, 0x00, 0x00})},
      {"alarm on", console::AlarmOutputFrame(7, true), WithPeerCrc({7, 0x10, 0x00, 0xE9, 0x00, 0x01, 0x02, 0x00, 0x03})},
      {"alarm off", console::AlarmOutputFrame(7, false), WithPeerCrc({7, 0x10, 0x00, 0xE9, 0x00, 0x01, 0x02, 0x00, 0x00})},
      {"clear records", console::ClearRecordsFrame(7), WithPeerCrc({7, 0x06, 0x01, 0x2C, 0x00, 0x01})},
      {"sleep mode", console::EnergyFrame(7, 4), WithPeerCrc({7, 0x06, 0x00, 0xE6, 0x00, 0x04})},
      {"live display", console::EnergyFrame(7, 0), WithPeerCrc({7, 0x06, 0x00, 0xE6, 0x00, 0x00})},
      {"energy level 2", console::EnergyFrame(7, 2), WithPeerCrc({7, 0x06, 0x00, 0xE6, 0x00, 0x02})},
      {"probe", console::ProbeFrame(), WithPeerCrc({0xFF, 0x03, 0x00, 0xC8, 0x00, 0x01})},
      {"own read", console::OwnReadFrame(7, 0xEADF, 2), WithPeerCrc({7, 0x2E, 0xEA, 0xDF, 0x00, 0x02})},
  };
  for (const auto& c : cases) EXPECT_EQ(c.built, c.expected) << c.name;
}

TEST(Frames, ParameterSaveLayoutAndConversions) {
  auto in = DefaultInputs();
  in[0].text = "12";                           // address
  in[1] = {"19200", 1, 4};                     // baud index 1
  in[4].text = "35";                           // high limit 35 -> 350
  in[5].text = "-0.5";                         // low limit -> -5
  in[6].text = "0.1";                          // hysteresis -> 1
  in[16].text = "  12";                        // password as a read shows it, blank-padded
  in[20].text = "2.3";                         // calibration 2.3 -> 23 exactly
  const auto values = console::ConvertParameterBlock(in);
  const Frame f = console::ParameterSaveFrame(12, values);
  ASSERT_EQ(f.size(), 57u);
  EXPECT_TRUE(console::CrcMatches(f));
  EXPECT_TRUE(instrument_sim::crc_ok(f));
  EXPECT_EQ((Frame{f.begin(), f.begin() + 7}), (Frame{12, 0x10, 0x00, 0xC8, 0x00, 0x18, 0x30}));
  auto reg = [&](int r) { return static_cast<unsigned>(f[7 + 2 * (r - 200)] << 8 | f[8 + 2 * (r - 200)]); };
  EXPECT_EQ(reg(200), 12u);
  EXPECT_EQ(reg(201), 1u);
  EXPECT_EQ(reg(204), 0x015Eu);
  EXPECT_EQ(reg(205), 0xFFFBu);
  EXPECT_EQ(reg(206), 1u);
  EXPECT_EQ(reg(216), 12u);
  EXPECT_EQ(reg(220), 23u);
}

TEST(Frames, ParameterBlockRefusesBadValuesNamingTheControl) {
  struct Case {
    std::size_t field;
    console::ParameterInput input;
    const char* control;
    bool conversion;  // ConversionError rather than RangeError
  };
  const Case cases[] = {
      {0, {"300", -1, 0}, "LabeledEdit7", false},   // an address no instrument can have
      {0, {"0", -1, 0}, "LabeledEdit7", false},
      {0, {"abc", -1, 0}, "LabeledEdit7", true},
      {1, {"19200", -1, 4}, "ComboBox1", false},    // no item selected
      {1, {"", 4, 4}, "ComboBox1", false},          // past the list
      {4, {"3276.8", -1, 0}, "LabeledEdit8", false},  // would wrap in 16 bits
      {4, {"1,5", -1, 0}, "LabeledEdit8", true},    // only '.' separates decimals
      {17, {"70000", -1, 0}, "LabeledEdit22", false},
      {17, {"-1", -1, 0}, "LabeledEdit22", false},
  };
  for (const auto& c : cases) {
    auto in = DefaultInputs();
    in[c.field] = c.input;
    try {
      (void)console::ConvertParameterBlock(in);
      ADD_FAILURE() << c.control << " '" << c.input.text << "' accepted";
    } catch (const console::ConversionError&) {
      EXPECT_TRUE(c.conversion) << c.control;
    } catch (const console::RangeError& e) {
      EXPECT_FALSE(c.conversion) << c.control;
      EXPECT_EQ(std::string(e.what()).rfind(std::string(c.control) + ":", 0), 0u) << e.what();
    }
  }
}

TEST(Conversions, Integer) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t value;
  };
  const Case cases[] = {
      {"12", true, 12},        {" 12", true, 12},        {"+7", true, 7},          {"-7", true, -7},
      {"$1F", true, 31},       {"0x1F", true, 31},       {"X1f", true, 31},        {"-$10", true, -16},
      {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN}, {"$FFFFFFFF", true, -1},
      {"2147483648", false, 0}, {"$100000000", false, 0}, {"", false, 0},          {" ", false, 0},
      {"12 ", false, 0},       {"1.5", false, 0},        {"$", false, 0},          {"0x", false, 0},
      {"--1", false, 0},       {"99999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    if (c.ok) {
      EXPECT_EQ(console::ConvertInteger(c.text), c.value) << c.text;
    } else {
      EXPECT_THROW(console::ConvertInteger(c.text), console::ConversionError) << c.text;
    }
  }
}

TEST(Conversions, Tenths) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t value;
  };
  const Case cases[] = {
      {"35", true, 350},  {"-0.5", true, -5}, {"0.1", true, 1},   {"2.3", true, 23},  {"-40.59", true, -405},
      {".5", true, 5},    {"7.", true, 70},   {" 1.5 ", true, 15}, {"+1", true, 10},  {"-0.05", true, 0},
      {"", false, 0},     {".", false, 0},    {"1,5", false, 0},  {"1.5x", false, 0}, {"$10", false, 0},
  };
  for (const auto& c : cases) {
    if (c.ok) {
      EXPECT_EQ(console::ConvertTenths(c.text), c.value) << c.text;
    } else {
      EXPECT_THROW(console::ConvertTenths(c.text), console::ConversionError) << c.text;
    }
  }
  EXPECT_THROW(console::ConvertTenths("999999999999"), console::RangeError);
}

TEST(Conversions, AddressClockAndEnergyRanges) {
  EXPECT_EQ(console::ConvertDeviceAddress("255"), 255);
  EXPECT_THROW(console::ConvertDeviceAddress("256"), console::RangeError);
  EXPECT_THROW(console::ConvertDeviceAddress("-1"), console::RangeError);

  // No calendar check: the edits' month 13 goes out as 13; the year and byte ranges are enforced.
  const auto t = console::ConvertClockEdits({"2255", "13", "0", "0", "0", "255"});
  EXPECT_EQ(console::ClockBytes(t), (std::array<std::uint8_t, 6>{255, 13, 0, 0, 0, 255}));
  EXPECT_THROW(console::ConvertClockEdits({"1999", "1", "1", "0", "0", "0"}), console::RangeError);
  EXPECT_THROW(console::ConvertClockEdits({"2024", "256", "1", "0", "0", "0"}), console::RangeError);
  EXPECT_THROW(console::ClockBytes({2256, 1, 1, 0, 0, 0}), console::RangeError);

  std::int32_t level = -9;
  EXPECT_FALSE(console::ConvertEnergyLevel("", level));
  EXPECT_TRUE(console::ConvertEnergyLevel("3", level));
  EXPECT_EQ(level, 3);
  for (const char* bad : {"5", "-1"}) {
    try {
      console::ConvertEnergyLevel(bad, level);
      ADD_FAILURE() << bad << " accepted";
    } catch (const console::RangeError& e) {
      EXPECT_STREQ(e.what(), "数值超范围");
    }
  }
  EXPECT_THROW(console::EnergyFrame(1, -1), console::RangeError);
  EXPECT_THROW(console::ReadRegistersFrame(1, 0, 0), console::RangeError);
  EXPECT_THROW(console::ReadRegistersFrame(1, 0, 126), console::RangeError);
}

// The simulator, which has its own frame code, answers what the console builds.
TEST(FramesAgainstPeer, InstrumentAnswersConsoleRequests) {
  instrument_sim::Instrument inst;
  const std::uint8_t a = inst.address();

  auto reply = inst.handle(console::LiveReadFrame(a));
  ASSERT_TRUE(reply.has_value());
  EXPECT_TRUE(console::CrcMatches(*reply));
  EXPECT_EQ((*reply)[1], 0x03);
  EXPECT_EQ((*reply)[2], 12);  // six registers

  reply = inst.handle(console::ProbeFrame());
  ASSERT_TRUE(reply.has_value());
  EXPECT_TRUE(console::CrcMatches(*reply));
  EXPECT_EQ((*reply)[0], a);

  reply = inst.handle(console::ClockSetFrame(a, {2024, 3, 5, 7, 8, 9}));
  ASSERT_TRUE(reply.has_value());
  EXPECT_TRUE(console::CrcMatches(*reply));
  const auto c = inst.clock();
  EXPECT_EQ(c.year, 2024);
  EXPECT_EQ(c.month, 3);
  EXPECT_EQ(c.day, 5);

  reply = inst.handle(console::EnergyFrame(a, 4));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(inst.energy_level(), 4);

  auto in = DefaultInputs();
  in[0].text = std::to_string(a);
  in[4].text = "35.5";
  in[5].text = "-10";
  reply = inst.handle(console::ParameterSaveFrame(a, console::ConvertParameterBlock(in)));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->size(), 8u);
  EXPECT_EQ(inst.param(204), 355);
  EXPECT_EQ(inst.param(205), 0xFF9C);

  // A frame with a broken CRC gets no answer from the peer either.
  Frame bad = console::LiveReadFrame(a);
  bad.back() ^= 0xFF;
  EXPECT_FALSE(inst.handle(bad).has_value());
}

}  // namespace
