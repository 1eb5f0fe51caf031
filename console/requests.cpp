#include "console/requests.h"

#include <array>
#include <stdexcept>

#include "core/clock.h"

namespace console {
namespace {

using RS = console::ReplyState;

constexpr std::string_view kReading = "读取中...";
constexpr std::string_view kSaving = "设置中...";
constexpr std::string_view kSetting = "正在设置...";
constexpr std::string_view kClearing = "正在清除...";
constexpr std::string_view kQuerying = "查询中...";

// In the order of the Command enumeration.
const std::array<CommandTiming, 27> kTimings = {{
    {kReading, RS::rsMeasure, 30, 1000, false},        // LiveRead
    {kReading, RS::rsParams, 10, 2000, true},          // ParameterRead
    {"", RS::rsParams, 10, 0, false},                  // NavigationRead
    {kSaving, std::nullopt, 30, 1000, true},           // ParameterSave
    {kReading, RS::rsClock, 30, 300, false},           // ClockRead
    {kReading, RS::rsClock, 30, 300, false},           // StartTimeRead
    {kSaving, std::nullopt, 30, 1000, true},           // ClockSet
    {kSaving, std::nullopt, 30, 1000, true},           // StartTimeSet
    {kSetting, std::nullopt, 30, 1000, true},          // RecordingOn
    {kSetting, std::nullopt, 30, 1000, true},          // RecordingOff
    {kSetting, std::nullopt, 30, 1000, true},          // AlarmOn
    {kSetting, std::nullopt, 30, 1000, true},          // AlarmOff
    {kClearing, std::nullopt, 30, 8000, true},         // ClearRecords
    {kSetting, std::nullopt, 30, 8000, true},          // SleepMode
    {kSetting, std::nullopt, 30, 8000, true},          // LiveDisplay
    {kSetting, std::nullopt, 30, 8000, true},          // EnergyLevel
    {kReading, RS::rsProbeManual, 100, 1000, true},    // Probe
    {kReading, RS::rsAlarmCounts, 30, 300, false},     // AlarmCounts
    {kSaving, std::nullopt, 30, 1000, true},           // AlarmUnreadReset
    {kReading, RS::rsAlarmRecord, 30, 500, false},     // AlarmRead
    {kReading, RS::rsHistoryCounts, 30, 300, false},   // HistoryCounts
    {kSaving, std::nullopt, 30, 1000, true},           // HistoryUnreadReset
    {kQuerying, std::nullopt, 30, 1000, true},         // DayQuery
    {kQuerying, std::nullopt, 30, 1000, true},         // RangeQuery
    {kReading, RS::rsHistoryRecords, 30, 2000, false}, // HistoryRead
    {kReading, RS::rsRangeRecords, 30, 2000, false},   // RangeRead
    {kReading, RS::rsDayRecords, 30, 2000, false},     // DayRead
}};

}  // namespace

const CommandTiming& TimingOf(Command command) {
  const auto i = static_cast<std::size_t>(command);
  if (i >= kTimings.size()) throw std::out_of_range("unknown command");
  return kTimings[i];
}

void SendRequest(ConsoleState& state, const FrameWriter& write, ReplyTimer& timer, Command command,
                 const Frame& frame) {
  const CommandTiming& t = TimingOf(command);
  if (frame.size() < 4) throw std::invalid_argument("request frame too short");
  if (t.reply) state.ReplyState = *t.reply;
  if (command != Command::Probe) state.DeviceAddress = frame[0];
  switch (command) {
    case Command::ParameterSave: state.PostWriteAction = 1; break;
    case Command::AlarmUnreadReset: state.PostWriteAction = 2; break;
    case Command::HistoryUnreadReset: state.PostWriteAction = 3; break;
    default: state.PostWriteAction = 0; break;
  }
  switch (command) {
    case Command::DayQuery: state.PendingQuery = 1; break;
    case Command::RangeQuery: state.PendingQuery = 2; break;
    default: state.PendingQuery = 0; break;
  }
  state.RetryCount = 0;
  if (t.armed_first) timer.SetEnabled(true);
  SendFrame(state, write, frame);
  core::sleep_ms(t.pause_ms);
  if (t.timeout_ms > 0) {
    timer.SetInterval(static_cast<std::uint32_t>(t.timeout_ms));
    timer.SetEnabled(true);
  }
}

}  // namespace console
