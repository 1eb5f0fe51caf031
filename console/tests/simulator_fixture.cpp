#include "console/tests/simulator_fixture.h"

#include <cstdlib>
#include <iostream>

namespace console::test {

using namespace std::chrono_literals;

void SimulatorWindowTest::SetUp() {
  fake_serial_ = false;
  WindowTest::SetUp();
}

void SimulatorWindowTest::TearDown() {
  if (form_) form_->Comm().ClosePort();
  runner_ = {};
  WindowTest::TearDown();
}

void SimulatorWindowTest::Connect(const std::vector<sim::HistoryRecord>& history,
                                  std::unique_ptr<ReportOperations> reports) {
  sim::Instrument inst;
  inst.set_baud(115200);
  for (const sim::HistoryRecord& r : history) inst.add_history(r);
  for (const sim::AlarmRecord& r : sim::generate_alarms({2024, 5, 1, 8, 0, 0}, 16)) inst.add_alarm(r);
  StartSimulator(std::move(inst));
  ports_.set_ports({sim_->port_path()});
  Start();
  WatchLine();
  form_->SetReports(std::move(reports));
  form_->N1->Click();
  form_->ComboBox7->SetItemIndex(2);  // 115200
  form_->LabeledEdit14->SetText("1");
  Click(*form_->BitBtn2);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; })) << form_->Status(5);
  ASSERT_EQ(form_->State().BaudIndex, 5);
}

void SimulatorWindowTest::StartSimulator(sim::Instrument instrument, const std::string& link) {
  sim_ = std::make_unique<sim::Simulator>(std::move(instrument));
  if (!link.empty()) sim_->port().create_link(link);
  if (std::getenv("THC_SIM_TRACE")) sim_->set_trace(&std::cerr);
  runner_ = std::jthread([s = sim_.get()](std::stop_token stop) { s->run(stop, 5ms); });
}

void SimulatorWindowTest::WatchLine() {
  form_->Writer() = [this, send = form_->Writer()](std::span<const std::uint8_t> bytes) {
    const bool queued = send(bytes);
    if (queued) console_sent_ += bytes.size();
    return queued;
  };
  form_->Comm().OnReceiveData = [this, receive = form_->Comm().OnReceiveData](serial::TComm* s, const void* b,
                                                                             std::uint16_t n) {
    console_received_ += n;
    receive(s, b, n);
  };
}

bool SimulatorWindowTest::LineIdle() {
  // The simulator answers a frame under the same lock as it reads it, so its counts never show a
  // frame read but not yet answered.
  const sim::SimulatorStats st = sim_->stats();
  return st.bytes_in == console_sent_ && st.bytes_out == console_received_;
}

bool SimulatorWindowTest::Await(const std::function<bool()>& done, int idle_steps) {
  const auto deadline = std::chrono::steady_clock::now() + 300s;
  for (int idle = 0; idle < idle_steps && std::chrono::steady_clock::now() < deadline;) {
    if (PumpUntil(done, 20ms)) return true;
    if (!LineIdle()) continue;
    ++idle;
    Pass(1000);
  }
  return done();
}

std::vector<sim::HistoryRecord> SimulatorWindowTest::SimHistory() {
  return Sim([](sim::Instrument& i) { return std::vector<sim::HistoryRecord>(i.history().begin(), i.history().end()); });
}

std::vector<std::string> SimulatorWindowTest::Lines(pc::TListBox* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->Count(); ++i) out.push_back(list->Items().Get(i));
  return out;
}

HistoryRecord SimulatorWindowTest::Console(const sim::HistoryRecord& r) {
  return HistoryRecord{r.temperature, r.humidity, static_cast<std::uint8_t>(r.time.year - 2000),
                       static_cast<std::uint8_t>(r.time.month), static_cast<std::uint8_t>(r.time.day),
                       static_cast<std::uint8_t>(r.time.hour), static_cast<std::uint8_t>(r.time.minute),
                       static_cast<std::uint8_t>(r.time.second)};
}

}  // namespace console::test
