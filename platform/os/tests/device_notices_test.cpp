#include "platform/os/device_notices.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

namespace platform::os {
namespace {

std::vector<std::uint8_t> datagram(const std::vector<std::string>& fields) {
  std::vector<std::uint8_t> out;
  for (const auto& f : fields) {
    out.insert(out.end(), f.begin(), f.end());
    out.push_back(0);
  }
  return out;
}

const std::string kUsbTty = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0";
const std::string kCardPart =
    "/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/host6/target6:0:0/6:0:0:0/block/sdb/sdb1";

bool readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1;
}

TEST(Uevent, HardwareTerminalsAndDisksComeAndGo) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::optional<DeviceNotice> expected;
  };
  const Case cases[] = {
      {"serial adapter plugged",
       datagram({"add@" + kUsbTty, "ACTION=add", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty", "MAJOR=188",
                 "MINOR=0", "DEVNAME=ttyUSB0", "SEQNUM=4242"}),
       DeviceNotice{DeviceChange::Arrival, DeviceClass::Serial, "ttyUSB0", kUsbTty}},
      {"card partition removed",
       datagram({"remove@" + kCardPart, "ACTION=remove", "DEVPATH=" + kCardPart, "SUBSYSTEM=block",
                 "DEVNAME=sdb1", "DEVTYPE=partition"}),
       DeviceNotice{DeviceChange::Removal, DeviceClass::Storage, "sdb1", kCardPart}},
      {"last field without terminator",
       [] {
         auto d = datagram({"add@" + kUsbTty, "ACTION=add", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty"});
         const std::string last = "DEVNAME=/dev/ttyUSB0";
         d.insert(d.end(), last.begin(), last.end());
         return d;
       }(),
       DeviceNotice{DeviceChange::Arrival, DeviceClass::Serial, "ttyUSB0", kUsbTty}},
      {"media change",
       datagram({"change@" + kCardPart, "ACTION=change", "DEVPATH=" + kCardPart, "SUBSYSTEM=block",
                 "DEVNAME=sdb"}),
       std::nullopt},
      {"virtual console",
       datagram({"add@/devices/virtual/tty/tty63", "ACTION=add", "DEVPATH=/devices/virtual/tty/tty63",
                 "SUBSYSTEM=tty", "DEVNAME=tty63"}),
       std::nullopt},
      {"loop disk",
       datagram({"add@/devices/virtual/block/loop0", "ACTION=add", "DEVPATH=/devices/virtual/block/loop0",
                 "SUBSYSTEM=block", "DEVNAME=loop0"}),
       std::nullopt},
      {"usb interface",
       datagram({"add@/devices/x/1-2", "ACTION=add", "DEVPATH=/devices/x/1-2", "SUBSYSTEM=usb",
                 "DEVNAME=bus/usb/001/002"}),
       std::nullopt},
      {"no device node", datagram({"add@" + kUsbTty, "ACTION=add", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty"}),
       std::nullopt},
      {"bare /dev/ as the name",
       datagram({"add@" + kUsbTty, "ACTION=add", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty", "DEVNAME=/dev/"}),
       std::nullopt},
      {"name climbing out of /dev",
       datagram({"add@" + kUsbTty, "ACTION=add", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty", "DEVNAME=../etc/x"}),
       std::nullopt},
      {"udev rebroadcast",
       datagram({"libudev", "ACTION=add", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty", "DEVNAME=ttyUSB0"}),
       std::nullopt},
      {"header without @",
       datagram({"add", "ACTION=add", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty", "DEVNAME=ttyUSB0"}),
       std::nullopt},
      {"no terminator at all", std::vector<std::uint8_t>{'a', 'd', 'd', '@', '/'}, std::nullopt},
      {"empty", {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(parse_uevent(c.bytes), c.expected);
  }
}

TEST(NetlinkDeviceNotices, DispatchDeliversEachNoticeOnceAndDoesNotBlock) {
  int sv[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, sv), 0);
  NetlinkDeviceNotices notices(sv[0]);
  std::vector<DeviceNotice> seen;
  notices.set_callback([&](const DeviceNotice& n) { seen.push_back(n); });
  EXPECT_EQ(notices.dispatch(), 0);

  const auto arrive =
      datagram({"add@" + kUsbTty, "ACTION=add", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty", "DEVNAME=ttyUSB0"});
  const auto other = datagram({"bind@/devices/x", "ACTION=bind", "DEVPATH=/devices/x", "SUBSYSTEM=usb"});
  const auto leave = datagram(
      {"remove@" + kUsbTty, "ACTION=remove", "DEVPATH=" + kUsbTty, "SUBSYSTEM=tty", "DEVNAME=ttyUSB0"});
  for (const auto* d : {&arrive, &other, &leave})
    ASSERT_EQ(::send(sv[1], d->data(), d->size(), 0), ssize_t(d->size()));
  EXPECT_TRUE(readable(notices.fd()));
  EXPECT_EQ(notices.dispatch(), 2);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].change, DeviceChange::Arrival);
  EXPECT_EQ(seen[1].change, DeviceChange::Removal);
  EXPECT_FALSE(readable(notices.fd()));
  EXPECT_EQ(notices.dispatch(), 0);
  ::close(sv[1]);
}

TEST(NetlinkDeviceNotices, KernelSocketOpensOrSaysWhyNot) {
  NetlinkDeviceNotices notices;
  if (!notices.available()) {
    EXPECT_FALSE(notices.error().empty());
    EXPECT_EQ(notices.fd(), -1);
  }
  int calls = 0;
  notices.set_callback([&](const DeviceNotice&) { ++calls; });
  // Whatever the kernel has queued is read without blocking; an unavailable source gives nothing.
  const int n = notices.dispatch();
  EXPECT_EQ(n, calls);
}

TEST(FakeDeviceNotices, PostsFromAnyThreadArriveInOrderThroughTheDescriptor) {
  FakeDeviceNotices notices;
  std::vector<std::string> names;
  notices.set_callback([&](const DeviceNotice& n) { names.push_back(n.name); });
  EXPECT_FALSE(readable(notices.fd()));
  std::thread poster([&] {
    for (const char* name : {"ttyUSB0", "sdb1", "ttyUSB1"}) {
      notices.post(DeviceNotice{DeviceChange::Arrival, DeviceClass::Serial, name, "/devices/x"});
    }
  });
  poster.join();
  pollfd p{notices.fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1);
  EXPECT_EQ(notices.dispatch(), 3);
  EXPECT_EQ(names, (std::vector<std::string>{"ttyUSB0", "sdb1", "ttyUSB1"}));
  EXPECT_FALSE(readable(notices.fd()));
}

}  // namespace
}  // namespace platform::os
