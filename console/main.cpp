// thconsole: the console for temperature and humidity instruments on a serial line.
#include <poll.h>

#include <atomic>
#include <cstdio>
#include <exception>
#include <thread>

#include "console/main_form.h"
#include "console/reports/console_reports.h"
#include "platform/os/device_notices.h"
#include "platform/os/event.h"
#include "platform/os/services.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "platform/win/win.h"
#include "skin/skin_manager.h"

namespace {

// Watches the kernel's device notices and posts each arrival or removal of a serial or storage
// device to the window as the device-change message.
class DeviceWatcher {
public:
  explicit DeviceWatcher(platform::win::HWND window) : window_(window) {
    auto& notices = platform::os::device_notices();
    if (notices.fd() < 0) return;
    notices.set_callback([this](const platform::os::DeviceNotice& n) {
      platform::win::PostMessage(window_, platform::win::WM_DEVICECHANGE, static_cast<platform::win::WPARAM>(n.change), 0);
    });
    thread_ = std::thread([this, &notices] {
      while (!stop_) {
        pollfd p[2] = {{notices.fd(), POLLIN, 0}, {stop_event_.fd(), POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) continue;
        if (p[1].revents) break;
        if (p[0].revents) notices.dispatch();
      }
    });
  }
  ~DeviceWatcher() {
    stop_ = true;
    stop_event_.set();
    if (thread_.joinable()) thread_.join();
  }

private:
  platform::win::HWND window_;
  std::atomic<bool> stop_{false};
  platform::os::Event stop_event_;
  std::thread thread_;
};

}  // namespace

int main() {
  try {
    platform::win::init_display_from_environment();
    platform::win::InitControls();
    auto& app = platform::components::Application();
    app.Title = "";
    auto* form = app.CreateForm<console::Tform1>([](console::Tform1& f) {
      f.Build();
      f.SetReports(std::make_unique<console::ConsoleReports>(f.MakeReportHost()));
    });
    {
      DeviceWatcher watcher(form->Handle());
      app.Run();
    }
    // The skin manager ends before the forms (it puts back the procedures of the windows it skinned),
    // and the window goes while the window system is still there.
    skin::DestroySkinManager();
    platform::components::ResetApplication();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "thconsole: %s\n", e.what());
    return 1;
  }
  return 0;
}
