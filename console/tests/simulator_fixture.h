// The window against the instrument simulator on a pseudo-terminal: the console's timers run in
// virtual time, the bytes travel through real ptys and the serial component's threads.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "console/records.h"
#include "console/tests/window_fixture.h"
#include "tools/instrument-sim/simulator.h"

namespace console::test {

namespace sim = instrument_sim;

class SimulatorWindowTest : public WindowTest {
protected:
  void SetUp() override;
  void TearDown() override;
  // The simulator at 115200 baud with `history` measurements and 16 alarm records; then the console,
  // keeping `reports`, connected by hand.
  void Connect(const std::vector<sim::HistoryRecord>& history, std::unique_ptr<ReportOperations> reports);
  // Serves `instrument` on a pseudo-terminal from a thread of its own; `link` (when not empty) is a
  // symbolic link to the port, as a user would give it.
  void StartSimulator(sim::Instrument instrument, const std::string& link = "");
  // Counts the bytes the started console sends and takes, for LineIdle.
  void WatchLine();
  // Waits for `done`. While anything is on its way between the console and the simulator only real
  // time passes; once the line is idle (a reply lost, a timer awaited), virtual time runs on a second
  // at a time, at most `idle_steps` times.
  bool Await(const std::function<bool()>& done, int idle_steps = 40);
  // Nothing on its way: the simulator has taken and handled every byte the console sent, and the
  // console has taken every byte the simulator wrote.
  bool LineIdle();
  template <class F>
  auto Sim(F&& f) {
    return sim_->locked(std::forward<F>(f));
  }
  std::vector<sim::HistoryRecord> SimHistory();
  static std::vector<std::string> Lines(pc::TListBox* list);
  // A simulator record as the console decodes it.
  static HistoryRecord Console(const sim::HistoryRecord& r);
  bool Reading() { return form_->State().ContinuousRead; }

  std::unique_ptr<sim::Simulator> sim_;
  std::jthread runner_;
  // Bytes the console handed to its serial component, and bytes its receive handler was given.
  std::size_t console_sent_ = 0;
  std::size_t console_received_ = 0;
};

}  // namespace console::test
