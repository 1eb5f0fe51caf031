#include "console/device_watcher.h"

#include <poll.h>

#include "platform/os/device_notices.h"
#include "platform/os/services.h"
#include "platform/win/win.h"

namespace console {

DeviceWatcher::DeviceWatcher(platform::win::HWND window) : window_(window) {
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

DeviceWatcher::~DeviceWatcher() {
  stop_ = true;
  stop_event_.set();
  if (thread_.joinable()) thread_.join();
}

}  // namespace console
