// The system's notices of serial and storage devices that arrive or go away, turned into the
// window's device-change message: a thread waits on the notice source and posts each notice.
#pragma once

#include <atomic>
#include <thread>

#include "platform/os/event.h"
#include "platform/win/win_types.h"

namespace console {

class DeviceWatcher {
public:
  // Starts watching the notice source of the services in force; nothing when it gives none.
  explicit DeviceWatcher(platform::win::HWND window);
  ~DeviceWatcher();
  DeviceWatcher(const DeviceWatcher&) = delete;
  DeviceWatcher& operator=(const DeviceWatcher&) = delete;

private:
  platform::win::HWND window_;
  std::atomic<bool> stop_{false};
  platform::os::Event stop_event_;
  std::thread thread_;
};

}  // namespace console
