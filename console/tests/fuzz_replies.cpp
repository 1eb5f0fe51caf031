// Replies come from the line: any bytes, in any pieces, must be joined, checked and decoded without
// harm, whatever the console was waiting for. The main window is built once on the headless display
// (fresh every few hundred inputs, so that what readings collect stays small) with a fake port.
//
// Input: the reply state the console waits in (byte 0, an index into the states), the device address
// (byte 1), then blocks as the port hands them over, each a length byte and that many bytes.
#include <stdlib.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "console/main_form.h"
#include "core/clock.h"
#include "platform/components/controls.h"
#include "platform/components/dialogs.h"
#include "platform/os/fake_serial.h"
#include "platform/os/port_list.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "platform/win/win.h"

namespace {

using console::ReplyState;
namespace pc = platform::components;

constexpr ReplyState kStates[] = {
    ReplyState::rsIdle,          ReplyState::rsMeasure,      ReplyState::rsParams,       ReplyState::rsClock,
    ReplyState::rsAlarmCounts,   ReplyState::rsAlarmRecord,  ReplyState::rsHistoryCounts, ReplyState::rsHistoryRecords,
    ReplyState::rsDayCounts,     ReplyState::rsDayRecords,   ReplyState::rsRangeCounts,  ReplyState::rsRangeRecords,
    ReplyState::rsProbeManual,   ReplyState::rsProbeScan,    ReplyState::rsClockCheck,   ReplyState::rsModelManual,
    ReplyState::rsModelScan,
};

void Click(pc::TWinControl& c) {
  platform::gdi::RECT r;
  platform::win::GetWindowRect(c.Handle(), &r);
  const platform::gdi::POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  platform::win::inject_mouse_move(p);
  platform::win::inject_mouse_button(p, platform::win::MouseButton::kLeft, true);
  platform::win::inject_mouse_button(p, platform::win::MouseButton::kLeft, false);
  pc::Application().ProcessMessages();
}

// The console connected to a fake port, as a user leaves it after pressing connect.
class Console {
public:
  Console() {
    platform::win::reset_window_system();
    platform::win::InitControls();
    clock_.set_wall(core::WallTime{} + std::chrono::seconds(1714979289));
    scoped_clock_ = std::make_unique<core::ScopedClock>(clock_);
    platform::os::Services doubles;
    doubles.serial = &opener_;
    doubles.ports = &ports_;
    doubles.shell = &shell_;
    services_ = std::make_unique<platform::os::ScopedServices>(doubles);
    // Every dialog a reply raises is closed by its cancel path.
    dialogs_ = std::make_unique<pc::DialogScript>();
    port_ = &opener_.add_port("fake0");
    ports_.set_ports({"fake0"});
    form_ = pc::Application().CreateForm<console::Tform1>([](console::Tform1& f) { f.Build(); });
    form_->Show();
    pc::Application().ProcessMessages();
    form_->N1->Click();
    Click(*form_->BitBtn2);
    if (!form_->State().Connected) __builtin_trap();
  }
  ~Console() {
    pc::ResetApplication();
    dialogs_.reset();
    platform::win::reset_window_system();
    services_.reset();
    scoped_clock_.reset();
  }
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  void Run(const std::uint8_t* data, std::size_t size) {
    auto& s = form_->State();
    s.ReplyState = kStates[data[0] % std::size(kStates)];
    s.DeviceAddress = data[1];
    s.RxAccumulatorCount = 0;
    for (std::size_t pos = 2; pos < size;) {
      const std::size_t n = std::min<std::size_t>(data[pos], size - pos - 1);
      form_->Comm1ReceiveData(&form_->Comm(), data + pos + 1, static_cast<std::uint16_t>(n));
      pos += 1 + n;
      // A held piece always leaves room for the next block's bytes.
      if (s.RxAccumulatorCount < 0 || static_cast<std::size_t>(s.RxAccumulatorCount) >= console::kFrameCapacity ||
          s.RxLength < 0 || static_cast<std::size_t>(s.RxLength) > console::kFrameCapacity)
        __builtin_trap();
    }
    pc::Application().ProcessMessages();
    port_->take_output();
  }

private:
  core::VirtualClock clock_;
  std::unique_ptr<core::ScopedClock> scoped_clock_;
  platform::os::FakeSerialOpener opener_;
  platform::os::FixedPortLister ports_;
  platform::os::RecordingShell shell_;
  std::unique_ptr<platform::os::ScopedServices> services_;
  std::unique_ptr<pc::DialogScript> dialogs_;
  platform::os::FakeSerialPort* port_ = nullptr;
  console::Tform1* form_ = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Console* console = nullptr;
  static unsigned runs = 0;
  if (size < 2) return 0;
  if (!console || ++runs % 256 == 0) {
    delete console;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    console = new Console();
  }
  // The window system keeps its message queue in thread-local state; made after it, this goes first
  // at exit and closes the window while the queue is still there.
  static thread_local struct Teardown {
    ~Teardown() {
      delete console;
      console = nullptr;
    }
  } teardown;
  console->Run(data, size);
  return 0;
}
