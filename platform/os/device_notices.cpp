#include "platform/os/device_notices.h"

#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace platform::os {

std::optional<DeviceNotice> parse_uevent(std::span<const std::uint8_t> datagram) {
  const std::string_view all(reinterpret_cast<const char*>(datagram.data()), datagram.size());
  // The first string is "action@devpath"; udev's rebroadcasts start with "libudev" and carry a binary
  // header instead.
  const std::size_t head_end = all.find('\0');
  if (head_end == std::string_view::npos) return std::nullopt;
  const std::string_view head = all.substr(0, head_end);
  if (head.find('@') == std::string_view::npos || head.starts_with("libudev")) return std::nullopt;

  std::string_view action, devpath, subsystem, devname;
  std::size_t pos = head_end + 1;
  while (pos < all.size()) {
    std::size_t end = all.find('\0', pos);
    if (end == std::string_view::npos) end = all.size();  // a last field without its terminator
    const std::string_view field = all.substr(pos, end - pos);
    pos = end + 1;
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = field.substr(0, eq), value = field.substr(eq + 1);
    if (key == "ACTION")
      action = value;
    else if (key == "DEVPATH")
      devpath = value;
    else if (key == "SUBSYSTEM")
      subsystem = value;
    else if (key == "DEVNAME")
      devname = value;
  }

  DeviceNotice n;
  if (action == "add")
    n.change = DeviceChange::Arrival;
  else if (action == "remove")
    n.change = DeviceChange::Removal;
  else
    return std::nullopt;
  if (subsystem == "tty")
    n.device_class = DeviceClass::Serial;
  else if (subsystem == "block")
    n.device_class = DeviceClass::Storage;
  else
    return std::nullopt;
  // Consoles, pseudo-terminals, loop and RAM disks live under /devices/virtual.
  if (devpath.empty() || devpath.starts_with("/devices/virtual/")) return std::nullopt;
  // DEVNAME may carry a folder ("bus/usb/001/002"); the name under /dev is what callers look for. It is
  // checked after "/dev/" comes off: "DEVNAME=/dev/" names no device.
  if (devname.starts_with("/dev/")) devname.remove_prefix(5);
  if (devname.empty() || devname.find("..") != std::string_view::npos) return std::nullopt;
  n.name = std::string(devname);
  n.devpath = std::string(devpath);
  return n;
}

NetlinkDeviceNotices::NetlinkDeviceNotices() {
  fd_ = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
  if (fd_ < 0) {
    error_ = std::string("no kernel device notices: ") + std::strerror(errno);
    return;
  }
  sockaddr_nl addr{};
  addr.nl_family = AF_NETLINK;
  addr.nl_groups = 1;  // the kernel's own uevents
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    error_ = std::string("no kernel device notices: ") + std::strerror(errno);
    ::close(fd_);
    fd_ = -1;
    return;
  }
  netlink_ = true;
}

NetlinkDeviceNotices::NetlinkDeviceNotices(int adopted_socket) : fd_(adopted_socket) {
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  netlink_ = ::getsockname(fd_, reinterpret_cast<sockaddr*>(&ss), &len) == 0 && ss.ss_family == AF_NETLINK;
}

NetlinkDeviceNotices::~NetlinkDeviceNotices() {
  if (fd_ >= 0) ::close(fd_);
}

int NetlinkDeviceNotices::dispatch() {
  if (fd_ < 0) return 0;
  int count = 0;
  std::uint8_t buf[8192];
  for (;;) {
    sockaddr_nl from{};
    iovec iov{buf, sizeof buf};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    const ssize_t n = ::recvmsg(fd_, &msg, MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      // EAGAIN: all read. ENOBUFS: the socket overflowed and notices were lost; the next ones still come.
      if (errno == ENOBUFS) continue;
      break;
    }
    if (n == 0 && !netlink_) break;  // the test's socket pair was closed
    if (msg.msg_flags & MSG_TRUNC) continue;
    if (netlink_ && (msg.msg_namelen < sizeof from || from.nl_pid != 0)) continue;  // not from the kernel
    if (auto notice = parse_uevent(std::span<const std::uint8_t>(buf, static_cast<std::size_t>(n)))) {
      ++count;
      deliver(*notice);
    }
  }
  return count;
}

void FakeDeviceNotices::post(const DeviceNotice& notice) {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.push_back(notice);
  ready_.set();
}

int FakeDeviceNotices::dispatch() {
  int count = 0;
  for (;;) {
    DeviceNotice n;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) {
        ready_.reset();
        return count;
      }
      n = std::move(queue_.front());
      queue_.pop_front();
    }
    ++count;
    deliver(n);
  }
}

}  // namespace platform::os
