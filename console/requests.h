// What every request of the command catalogue shares: its progress text, the reply it waits for,
// its pauses and its reply time-out, and the send sequence that applies them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "console/console_state.h"
#include "console/frames.h"

namespace console {

enum class Command {
  LiveRead,        // BitBtn1
  ParameterRead,   // BitBtn4
  NavigationRead,  // BitBtn9, the parameter panel's own read
  ParameterSave,   // BitBtn5
  ClockRead,       // BitBtn6
  StartTimeRead,   // BitBtn7
  ClockSet,        // BitBtn8
  StartTimeSet,    // BitBtn45
  RecordingOn,     // BitBtn41
  RecordingOff,    // BitBtn42
  AlarmOn,         // BitBtn43
  AlarmOff,        // BitBtn44
  ClearRecords,    // BitBtn33
  SleepMode,       // BitBtn12
  LiveDisplay,     // BitBtn23
  EnergyLevel,     // BitBtn49
  Probe,           // BitBtn37
  // The record panels.
  AlarmCounts,         // BitBtn13
  AlarmUnreadReset,    // BitBtn14
  AlarmRead,           // BitBtn15
  HistoryCounts,       // BitBtn17
  HistoryUnreadReset,  // BitBtn18
  DayQuery,            // BitBtn21
  RangeQuery,          // BitBtn29
  HistoryRead,         // BitBtn19 on the unread page
  RangeRead,           // BitBtn19 on the range page
  DayRead,             // BitBtn19 on the by-date page
};

struct CommandTiming {
  std::string_view status;               // status panel 5 while waiting; empty: left alone
  std::optional<console::ReplyState> reply;  // reads set it, writes leave it as it is
  std::int32_t pause_ms;                 // after SendFrame, which waits 30 ms itself
  std::int32_t timeout_ms;               // reply time-out; 0: the time-out is not armed
  bool armed_first;                      // the time-out is also enabled just before sending
};

const CommandTiming& TimingOf(Command command);

// The reply time-out as the sequence needs it; the window hands its timer in. Setting the interval
// restarts the countdown.
class ReplyTimer {
public:
  virtual ~ReplyTimer() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetInterval(std::uint32_t ms) = 0;
};

// Sends `frame` (already built and checked, so nothing below can fail half-way): sets the reply
// state, the device address (not for the probe), what the write's acknowledgement is to do
// (PostWriteAction 1 after the parameter save, 2 and 3 after the unread resets) and the query it
// answers (PendingQuery 1 by date, 2 by range), all only now that the frame exists; any other request
// clears the last two, since only the request under way is acknowledged. A fresh request gets a fresh
// set of retries. Then arms the time-out where the command says so first, sends, pauses and arms the
// time-out.
void SendRequest(ConsoleState& state, const FrameWriter& write, ReplyTimer& timer, Command command,
                 const Frame& frame);

}  // namespace console
