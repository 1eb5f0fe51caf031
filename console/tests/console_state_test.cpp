#include "console/console_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "console/frames.h"
#include "core/clock.h"

namespace {

using console::ConsoleState;

TEST(ConsoleState, StartValues) {
  ConsoleState s;
  EXPECT_EQ(s.ReplyState, console::ReplyState::rsIdle);
  EXPECT_EQ(s.TxLength, 0);
  EXPECT_EQ(s.RxAccumulator.size(), 1025u);
  EXPECT_FALSE(s.Connected);
  EXPECT_FALSE(s.PortNamesLatest.has_value());
  EXPECT_EQ(s.DayFileIndex.size(), 248u);
  EXPECT_EQ(static_cast<int>(console::ReplyState::rsProbeManual), 13);
  EXPECT_EQ(static_cast<int>(console::ReplyState::rsModelScan), 19);
  EXPECT_EQ(console::BaudOfIndex(3), 9600);
  EXPECT_EQ(console::BaudOfIndex(6), 1000000);
  EXPECT_EQ(console::BaudOfIndex(7), 0);
}

class SendFrameTest : public ::testing::Test {
protected:
  core::VirtualClock clock;
  core::ScopedClock use{clock};
  ConsoleState state;
  std::vector<std::vector<std::uint8_t>> sent;
  console::FrameWriter writer = [this](std::span<const std::uint8_t> b) {
    sent.emplace_back(b.begin(), b.end());
    return false;  // a closed port: SendFrame must not care
  };
};

TEST_F(SendFrameTest, RecordsLengthDropsPartialReplyAndWaits) {
  state.RxAccumulatorCount = 5;
  const auto start = clock.monotonic();
  const auto frame = console::LiveReadFrame(1);
  EXPECT_TRUE(console::SendFrame(state, writer, frame));
  EXPECT_EQ(state.TxLength, 8);
  EXPECT_EQ(state.RxAccumulatorCount, 0);
  EXPECT_EQ(clock.monotonic() - start, core::Millis(30));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], frame);
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), state.TxFrame.begin()));
}

TEST_F(SendFrameTest, RetryResendsTheWholeLongFrame) {
  std::array<std::uint16_t, console::kParamCount> values{};
  values[0] = 1;
  const auto save = console::ParameterSaveFrame(1, values);
  console::SendFrame(state, writer, console::LiveReadFrame(1));
  console::SendFrame(state, writer, save);
  // A retry resends the first TxLength bytes of TxFrame from TxFrame itself.
  console::SendFrame(state, writer, std::span<const std::uint8_t>(state.TxFrame.data(), state.TxLength));
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[2].size(), 57u);
  EXPECT_EQ(sent[2], save);
}

TEST_F(SendFrameTest, RefusesFramesLargerThanTheBuffer) {
  std::vector<std::uint8_t> big(1025);
  EXPECT_THROW(console::SendFrame(state, writer, big), std::length_error);
  EXPECT_TRUE(sent.empty());
}

}  // namespace
