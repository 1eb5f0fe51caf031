// Notices of serial and storage devices that arrive or go away (a USB adapter plugged in, a card reader's
// card inserted). The GUI loop waits on fd() with its other descriptors and calls dispatch() on its own
// thread when it is readable; dispatch() hands each notice to the callback, which turns it into the
// window system's device-change message.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "platform/os/event.h"

namespace platform::os {

// The values the device-change message carries in its first parameter.
enum class DeviceChange : std::uint32_t { Arrival = 0x8000, Removal = 0x8004 };
enum class DeviceClass { Serial, Storage };

struct DeviceNotice {
  DeviceChange change = DeviceChange::Arrival;
  DeviceClass device_class = DeviceClass::Serial;
  std::string name;     // the device node's name under /dev: "ttyUSB0", "sdb1"
  std::string devpath;  // the kernel's path of the device: "/devices/pci0000:00/.../ttyUSB0"
  bool operator==(const DeviceNotice&) const = default;
};

// Reads one kernel uevent datagram ("add@/devices/...\0ACTION=add\0SUBSYSTEM=tty\0DEVNAME=ttyUSB0\0...").
// Gives a notice for additions and removals of terminals and block devices that sit on hardware; nothing
// for other subsystems, other actions, virtual devices, udev's own messages or malformed data.
std::optional<DeviceNotice> parse_uevent(std::span<const std::uint8_t> datagram);

class DeviceNotices {
public:
  using Callback = std::function<void(const DeviceNotice&)>;
  virtual ~DeviceNotices() = default;

  void set_callback(Callback callback) { callback_ = std::move(callback); }
  // Readable while notices wait; -1 when this source can give none.
  virtual int fd() const = 0;
  // Hands every waiting notice to the callback without blocking; returns how many there were.
  virtual int dispatch() = 0;

protected:
  void deliver(const DeviceNotice& n) {
    if (callback_) callback_(n);
  }

private:
  Callback callback_;
};

// The kernel's uevent multicast (a NETLINK_KOBJECT_UEVENT socket); no udev daemon is needed.
class NetlinkDeviceNotices final : public DeviceNotices {
public:
  // Opens the socket. Where the system refuses one (some containers), available() is false and the
  // source stays silent; error() says why.
  NetlinkDeviceNotices();
  // Reads datagrams from a socket the caller made (for tests: one end of a datagram socket pair). Only a
  // netlink socket has its senders checked (the kernel alone may speak on it).
  explicit NetlinkDeviceNotices(int adopted_socket);
  ~NetlinkDeviceNotices() override;
  NetlinkDeviceNotices(const NetlinkDeviceNotices&) = delete;
  NetlinkDeviceNotices& operator=(const NetlinkDeviceNotices&) = delete;

  bool available() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }
  int fd() const override { return fd_; }
  int dispatch() override;

private:
  int fd_ = -1;
  bool netlink_ = false;
  std::string error_;
};

// The test double: notices posted by the test (from any thread) come out of dispatch() in order.
class FakeDeviceNotices final : public DeviceNotices {
public:
  void post(const DeviceNotice& notice);
  int fd() const override { return ready_.fd(); }
  int dispatch() override;

private:
  std::mutex mutex_;
  std::deque<DeviceNotice> queue_;
  Event ready_;
};

}  // namespace platform::os
