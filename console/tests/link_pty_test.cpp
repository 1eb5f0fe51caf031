// Link handling against the instrument simulator on pseudo-terminals: the console's timers run in
// virtual time, the bytes travel through real ptys and the serial component's threads.
#include <cstdlib>
#include <functional>
#include <iostream>
#include <thread>

#include "console/tests/window_fixture.h"
#include "tools/instrument-sim/simulator.h"

namespace console::test {
namespace {

using namespace std::chrono_literals;
using pc::DialogKind;

class PtyLink : public WindowTest {
protected:
  void SetUp() override {
    fake_serial_ = false;
    WindowTest::SetUp();
  }
  void TearDown() override {
    if (form_) form_->Comm().ClosePort();
    runners_.clear();  // stops the simulators before the window system goes
    WindowTest::TearDown();
  }
  // A simulator serving its pty on a thread of its own.
  instrument_sim::Simulator& Serve(std::unique_ptr<instrument_sim::Simulator> sim) {
    sims_.push_back(std::move(sim));
    auto* s = sims_.back().get();
    if (std::getenv("THC_SIM_TRACE")) s->set_trace(&std::cerr);
    runners_.emplace_back([s](std::stop_token stop) { s->run(stop, 5ms); });
    return *s;
  }
  static std::unique_ptr<instrument_sim::Simulator> Instrument(int baud) {
    instrument_sim::Instrument inst;
    inst.set_baud(baud);
    return std::make_unique<instrument_sim::Simulator>(std::move(inst));
  }
  std::vector<std::unique_ptr<instrument_sim::Simulator>> sims_;
  std::vector<std::jthread> runners_;
};

TEST_F(PtyLink, ConnectByHandAdoptsTheAddressAndShowsTheModel) {
  auto& sim = Serve(Instrument(19200));
  ports_.set_ports({sim.port_path()});
  Start();
  form_->N1->Click();
  form_->ComboBox7->SetItemIndex(1);  // 19200
  form_->LabeledEdit14->SetText("9");  // the probe finds the instrument's own address
  Click(*form_->BitBtn2);
  EXPECT_EQ(form_->Status(1), "打开");
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; })) << form_->Status(5);
  EXPECT_EQ(form_->LabeledEdit14->Text(), "1");
  EXPECT_EQ(form_->State().DeviceAddress, 1);
  EXPECT_EQ(form_->Status(7), "THVKM,30万组,PT,V12");
  EXPECT_EQ(form_->Label7->Caption(), "秒钟");
  EXPECT_TRUE(form_->State().ExtendedCounters);
  EXPECT_FALSE(form_->Timer1->Enabled());
  EXPECT_EQ(sim.stats().replies, 2u);  // the probe and the model read
}

TEST_F(PtyLink, ScanFindsTheInstrumentAtItsPortAndBaud) {
  instrument_sim::PtyPort empty(9600);  // a port with nothing behind it
  auto& sim = Serve(Instrument(115200));
  // The scan starts at the last port: the empty one, at every baud rate, then the instrument's.
  ports_.set_ports({sim.port_path(), empty.path()});
  Start();
  dialogs_->Expect(DialogKind::kShowMessage, "", "连接成功！");
  form_->ToolButton1->Click();
  // The connection is complete once the commands are enabled (opening a port during the scan
  // already counts as connected).
  auto step_of = [&] { return form_->State().ScanPortIndex * 100 + form_->State().ScanBaudIndex; };
  int last_step = -1;
  for (int step = 0; step < 200 && !form_->BitBtn1->Enabled(); ++step) {
    // A probe sent to the empty port is taken off its line (the serial component does not free a
    // block still queued when its port closes).
    const bool new_step = step_of() != last_step;
    last_step = step_of();
    if (new_step && form_->Comm().GetCommName() == empty.path() && empty.wait_readable(1000ms)) {
      empty.read_available();
    }
    // While a new probe may be on its way to the instrument, its answer is awaited in real time
    // before the step's own (virtual) time runs on.
    if (new_step && form_->Comm().GetCommName() == sim.port_path()) {
      PumpUntil([&] { return form_->State().ReplyState != ReplyState::rsProbeScan; }, 300ms);
    }
    if (form_->State().ReplyState == ReplyState::rsProbeScan) {
      Pass(100);
    } else {
      PumpUntil([&] { return form_->BitBtn1->Enabled(); }, 3000ms);
    }
  }
  ASSERT_TRUE(form_->BitBtn1->Enabled()) << form_->Status(5);
  EXPECT_TRUE(form_->State().Connected);
  EXPECT_EQ(form_->Status(5), "检测完成");
  EXPECT_EQ(form_->Status(1), "打开");
  EXPECT_EQ(form_->Comm().GetCommName(), sim.port_path());
  EXPECT_EQ(form_->Comm().GetBaudRate(), 115200u);
  EXPECT_EQ(form_->ComboBox7->Text(), "115200");
  EXPECT_EQ(form_->State().BaudIndex, 5);
  EXPECT_EQ(form_->LabeledEdit7->Text(), "1");
  EXPECT_FALSE(form_->Timer6->Enabled());
  EXPECT_TRUE(form_->BitBtn1->Enabled());
  EXPECT_FALSE(form_->ComboBox6->Enabled());
  // Frames at the wrong speed were never answered.
  EXPECT_GE(sim.stats().wrong_line, 2u);
}

TEST_F(PtyLink, SilentInstrumentGetsThreeRetriesThenTheTimeOutText) {
  auto& sim = Serve(Instrument(9600));
  ports_.set_ports({sim.port_path()});
  Start();
  form_->N1->Click();
  form_->ComboBox7->SetItemIndex(0);
  Click(*form_->BitBtn2);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; }));
  sim.faults().every(instrument_sim::Fault::no_answer());
  form_->BitBtn9->Click();  // the parameter panel; its read goes unanswered too
  Click(*form_->BitBtn4);
  const auto frames = [&] { return sim.stats().frames; };
  ASSERT_TRUE(PumpUntil([&] { return frames() >= 4; }));  // probe, model, navigation read, parameter read
  std::size_t seen = frames();
  Pass(2000);
  for (int retry = 1; retry <= 3; ++retry) {
    SCOPED_TRACE(retry);
    // Each retry reopens the port and sends the same request again.
    ASSERT_TRUE(PumpUntil([&] { return frames() == seen + 1; }));
    seen = frames();
    EXPECT_EQ(form_->State().RetryCount, retry);
    EXPECT_NE(form_->Status(5), "接收超时");
    Pass(2000);
  }
  EXPECT_EQ(form_->Status(5), "接收超时");
  EXPECT_FALSE(form_->Timer1->Enabled());
  std::this_thread::sleep_for(50ms);  // a stray resend would reach the simulator by now
  Pump();
  EXPECT_EQ(frames(), seen);
}

// The instrument goes away under the open, idle port (its pseudo-terminal closes, as when the
// simulator is killed or an adapter pulled): the line's hang-up shows as the device's removal in
// panel 1 and leaves the link alone; the next command takes the time-out path and, with the port
// gone, ends the link; once the instrument is back, connecting works again.
TEST_F(PtyLink, AnInstrumentThatGoesAwayIsNoticedAndConnectsAgainWhenBack) {
  Serve(Instrument(9600));
  const std::string first_port = sims_.back()->port_path();
  ports_.set_ports({first_port});
  Start();
  form_->N1->Click();
  form_->ComboBox7->SetItemIndex(0);
  Click(*form_->BitBtn2);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; }));
  runners_.clear();
  sims_.clear();
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(1) == "设备移出"; })) << form_->Status(1);
  EXPECT_TRUE(form_->State().Connected);
  EXPECT_TRUE(form_->BitBtn3->Enabled());
  // The next command: no reply, and the retry cannot reopen the vanished port.
  form_->BitBtn9->Click();  // the parameter panel
  Click(*form_->BitBtn1);   // the live values
  EXPECT_EQ(form_->Status(5), "读取中...");
  for (int i = 0; i < 8 && form_->State().Connected; ++i) Pass(2000);
  EXPECT_EQ(form_->Status(5), "端口错误");
  EXPECT_EQ(form_->Status(1), "关闭");
  EXPECT_FALSE(form_->State().Connected);
  EXPECT_TRUE(form_->BitBtn2->Enabled());
  // The instrument is back (on a new pseudo-terminal): connecting by hand works at once.
  Serve(Instrument(9600));
  ports_.set_ports({sims_.back()->port_path()});
  form_->ComboBox6->SetText(sims_.back()->port_path());
  Click(*form_->BitBtn2);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; })) << form_->Status(5);
  EXPECT_EQ(form_->Status(1), "打开");
  EXPECT_EQ(form_->Status(7), "THVKM,30万组,PT,V12");
}

TEST_F(PtyLink, LiveValuesParametersAndSwitchesEndToEnd) {
  auto sim_owner = Instrument(19200);
  sim_owner->instrument().set_sensor(235, 601);
  auto& sim = Serve(std::move(sim_owner));
  ports_.set_ports({sim.port_path()});
  Start();
  form_->N1->Click();
  form_->ComboBox7->SetItemIndex(1);
  Click(*form_->BitBtn2);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; }));
  form_->BitBtn9->Click();  // shows the parameter panel and reads the block
  ASSERT_TRUE(PumpUntil([&] { return sim.stats().replies >= 3; }));
  PumpUntil([] { return false; }, std::chrono::milliseconds(50));  // its reply is decoded

  Click(*form_->BitBtn1);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; }));
  EXPECT_EQ(form_->LabeledEdit1->Text(), "23.5");
  EXPECT_EQ(form_->LabeledEdit2->Text(), "60.1");

  // A changed limit goes out with the rest of the block as read, and the instrument keeps it.
  Click(*form_->BitBtn4);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; }));
  form_->LabeledEdit8->SetText("30.5");
  Click(*form_->BitBtn5);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "设置成功"; }));
  EXPECT_EQ(sim.locked([](instrument_sim::Instrument& i) { return i.param(204); }), 305);
  EXPECT_EQ(form_->LabeledEdit14->Text(), "1");
  EXPECT_EQ(form_->Comm().GetBaudRate(), 19200u);

  // Every switch, each acknowledged and kept by the instrument. (The status is emptied first: the
  // previous command left the same text there.)
  using Get = std::function<int(instrument_sim::Instrument&)>;
  struct Switch {
    pc::TBitBtn* button;
    const char* input;  // the answer to its input box, if it asks
    Get value;
    int expected;
  };
  const Get recording = [](instrument_sim::Instrument& i) { return static_cast<int>(i.param(222)); };
  const Get output = [](instrument_sim::Instrument& i) { return static_cast<int>(i.alarm_output()); };
  const Get energy = [](instrument_sim::Instrument& i) { return static_cast<int>(i.energy_level()); };
  const Switch switches[] = {
      {form_->BitBtn42, nullptr, recording, 0}, {form_->BitBtn41, nullptr, recording, 1},
      {form_->BitBtn44, nullptr, output, 0},    {form_->BitBtn43, nullptr, output, 3},
      {form_->BitBtn12, nullptr, energy, 4},    {form_->BitBtn23, nullptr, energy, 0},
      {form_->BitBtn49, "3", energy, 3},
  };
  for (const Switch& sw : switches) {
    SCOPED_TRACE(sw.button->Name());
    form_->SetStatus(5, "");
    if (sw.input) dialogs_->Expect(DialogKind::kInputBox, "", "", 1, sw.input);
    Click(*sw.button);
    ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "设置成功"; })) << form_->Status(5);
    EXPECT_EQ(sim.locked(sw.value), sw.expected);
  }
  sim.locked([](instrument_sim::Instrument& i) {
    i.add_history(instrument_sim::HistoryRecord{235, 600, {2024, 5, 6, 7, 0, 0}});
    return 0;
  });
  form_->SetStatus(5, "");
  dialogs_->Expect(DialogKind::kInputBox, "清除记录", "", 1, "5817");
  Click(*form_->BitBtn33);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "设置成功"; })) << form_->Status(5);
  EXPECT_EQ(sim.locked([](instrument_sim::Instrument& i) { return i.history().size(); }), 0u);

  // The clock: set from the PC, then read back.
  form_->SetStatus(5, "");
  Click(*form_->BitBtn8);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "设置成功"; }));
  form_->Edit1->SetText("");
  form_->SetStatus(5, "");
  Click(*form_->BitBtn6);
  ASSERT_TRUE(PumpUntil([&] { return form_->Status(5) == "正常"; }));
  EXPECT_EQ(form_->Edit1->Text(), "2024");
  EXPECT_EQ(form_->Edit2->Text(), "5");
}

}  // namespace
}  // namespace console::test
