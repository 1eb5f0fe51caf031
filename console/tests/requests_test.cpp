#include "console/requests.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/clock.h"

namespace {

using console::Command;

// Records what happens on the line and to the time-out, with the virtual time of each step.
class RequestTest : public ::testing::Test, public console::ReplyTimer {
protected:
  void SetEnabled(bool enabled) override { log.push_back(At() + (enabled ? "enable" : "disable")); }
  void SetInterval(std::uint32_t ms) override { log.push_back(At() + "interval " + std::to_string(ms)); }
  std::string At() { return std::to_string((clock.monotonic() - start).count()) + ": "; }

  core::VirtualClock clock;
  core::ScopedClock use{clock};
  core::Millis start = clock.monotonic();
  console::ConsoleState state;
  std::vector<std::string> log;
  console::FrameWriter writer = [this](std::span<const std::uint8_t> b) {
    log.push_back(At() + "send " + std::to_string(b.size()));
    return true;
  };
};

TEST_F(RequestTest, SequencePerCommand) {
  using RS = console::ReplyState;
  const console::ClockFields t{2024, 3, 5, 7, 8, 9};
  std::array<std::uint16_t, console::kParamCount> params{};
  params[0] = 5;
  struct Case {
    Command command;
    console::Frame frame;
    RS reply_after;
    std::string status;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {Command::LiveRead, console::LiveReadFrame(5), RS::rsMeasure, "读取中...",
       {"0: send 8", "60: interval 1000", "60: enable"}},
      {Command::ParameterRead, console::ParameterReadFrame(5), RS::rsParams, "读取中...",
       {"0: enable", "0: send 8", "40: interval 2000", "40: enable"}},
      {Command::NavigationRead, console::ParameterReadFrame(5), RS::rsParams, "", {"0: send 8"}},
      {Command::ParameterSave, console::ParameterSaveFrame(5, params), RS::rsIdle, "设置中...",
       {"0: enable", "0: send 57", "60: interval 1000", "60: enable"}},
      {Command::ClockRead, console::ClockReadFrame(5), RS::rsClock, "读取中...",
       {"0: send 8", "60: interval 300", "60: enable"}},
      {Command::StartTimeSet, console::StartTimeSetFrame(5, t), RS::rsIdle, "设置中...",
       {"0: enable", "0: send 15", "60: interval 1000", "60: enable"}},
      {Command::AlarmOn, console::AlarmOutputFrame(5, true), RS::rsIdle, "正在设置...",
       {"0: enable", "0: send 11", "60: interval 1000", "60: enable"}},
      {Command::ClearRecords, console::ClearRecordsFrame(5), RS::rsIdle, "正在清除...",
       {"0: enable", "0: send 8", "60: interval 8000", "60: enable"}},
      {Command::EnergyLevel, console::EnergyFrame(5, 2), RS::rsIdle, "正在设置...",
       {"0: enable", "0: send 8", "60: interval 8000", "60: enable"}},
      {Command::Probe, console::ProbeFrame(), RS::rsProbeManual, "读取中...",
       {"0: enable", "0: send 8", "130: interval 1000", "130: enable"}},
  };
  for (const auto& c : cases) {
    state = console::ConsoleState();
    state.RetryCount = 2;
    log.clear();
    start = clock.monotonic();
    console::SendRequest(state, writer, *this, c.command, c.frame);
    const auto& timing = console::TimingOf(c.command);
    SCOPED_TRACE(static_cast<int>(c.command));
    EXPECT_EQ(log, c.log);
    EXPECT_EQ(timing.status, c.status);
    EXPECT_EQ(state.ReplyState, c.reply_after);  // writes leave the state as it was
    EXPECT_EQ(state.TxLength, static_cast<std::int32_t>(c.frame.size()));
    EXPECT_EQ(state.RetryCount, 0);
    EXPECT_EQ(state.PostWriteAction, c.command == Command::ParameterSave ? 1 : 0);
    // The probe goes to 255 and leaves the address alone.
    EXPECT_EQ(state.DeviceAddress, c.command == Command::Probe ? 0 : 5);
  }
}

// A bad entry fails while the frame is built, before SendRequest: nothing on the line, no flag set.
TEST_F(RequestTest, BadEntryLeavesStateAndLineAlone) {
  std::array<console::ParameterInput, console::kParamCount> in{};
  in[0].text = "300";
  EXPECT_THROW(
      {
        const auto values = console::ConvertParameterBlock(in);
        console::SendRequest(state, writer, *this, Command::ParameterSave, console::ParameterSaveFrame(1, values));
      },
      console::RangeError);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(state.PostWriteAction, 0);
  EXPECT_EQ(state.TxLength, 0);
}

}  // namespace
