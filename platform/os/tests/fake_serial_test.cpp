// The serial test double must behave like the real devices where thread code depends on it.
#include "platform/os/fake_serial.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace platform::os {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr Millis kBound{5000};

TEST(FakeSerial, OpenFollowsTheRulesOfRealDevices) {
  FakeSerialOpener opener;
  FakeSerialPort& port = opener.add_port("ttyFAKE0");
  EXPECT_THROW(
      try { opener.open("ttyNONE"); } catch (const SerialError& e) {
        EXPECT_EQ(e.kind(), SerialErrorKind::NotFound);
        throw;
      },
      SerialError);
  auto dev = opener.open("ttyFAKE0");
  EXPECT_TRUE(port.is_open());
  try {
    opener.open("ttyFAKE0");
    ADD_FAILURE() << "second open succeeded";
  } catch (const SerialError& e) {
    EXPECT_EQ(e.kind(), SerialErrorKind::Busy);
  }
  dev.reset();
  EXPECT_FALSE(port.is_open());
  port.fail_next_open(SerialErrorKind::AccessDenied);
  try {
    opener.open("ttyFAKE0");
    ADD_FAILURE() << "simulated failure ignored";
  } catch (const SerialError& e) {
    EXPECT_EQ(e.kind(), SerialErrorKind::AccessDenied);
  }
  EXPECT_NO_THROW(opener.open("ttyFAKE0"));  // the failure was for one open only
  EXPECT_EQ(port.open_count(), 2);
  EXPECT_EQ(opener.names(), std::vector<std::string>{"ttyFAKE0"});
}

TEST(FakeSerial, RecordsWhatTheCodeUnderTestApplied) {
  FakeSerialOpener opener;
  FakeSerialPort& port = opener.add_port("p");
  auto dev = opener.open("p");
  LineSettings s;
  s.baud_rate = 115200;
  s.dtr = DtrControl::Disable;
  s.rts = RtsControl::Disable;
  dev->configure(s);
  EXPECT_EQ(port.settings(), s);
  EXPECT_FALSE(port.dtr());
  EXPECT_FALSE(port.rts());
  EXPECT_THROW(dev->configure(LineSettings{.baud_rate = 600}), SerialError);
  EXPECT_EQ(port.configure_count(), 1);

  port.push_input(Bytes{1, 2, 3});
  dev->purge(kPurgeRxAbort | kPurgeRxClear);
  EXPECT_EQ(port.purges(), std::vector<unsigned>{kPurgeRxAbort | kPurgeRxClear});
  EXPECT_EQ(dev->wait_read(nullptr, Millis(0)), SerialWait::Timeout);
}

TEST(FakeSerial, ReadSideOrdersStopLineEventsAndData) {
  FakeSerialOpener opener;
  FakeSerialPort& port = opener.add_port("p");
  auto dev = opener.open("p");
  Event stop;
  port.push_input(Bytes{0x11, 0x00, 0x13});
  port.raise_line_errors(kLineErrorFrame);
  port.raise_modem_change(kModemRing | kModemCarrierChanged);
  stop.set();
  EXPECT_EQ(dev->wait_read(&stop, kBound), SerialWait::Stop);
  stop.reset();
  EXPECT_EQ(dev->wait_read(&stop, kBound), SerialWait::LineEvent);
  const LineEvents ev = dev->take_line_events();
  EXPECT_EQ(ev.errors, kLineErrorFrame);
  EXPECT_EQ(ev.modem, 12u);
  EXPECT_EQ(dev->wait_read(&stop, kBound), SerialWait::Ready);
  std::uint8_t buf[2];
  IoResult r = dev->read(buf);
  EXPECT_EQ(r.count, 2u);
  EXPECT_EQ(port.pending_input(), 1u);
  r = dev->read(buf);
  EXPECT_EQ(r.count, 1u);
  EXPECT_EQ(buf[0], 0x13);
  EXPECT_EQ(dev->read(buf).status, IoStatus::WouldBlock);

  port.push_input(Bytes{9});
  port.hang_up();
  EXPECT_EQ(dev->read(buf).count, 1u);  // queued bytes first
  EXPECT_EQ(dev->wait_read(&stop, kBound), SerialWait::Ready);
  EXPECT_EQ(dev->read(buf).status, IoStatus::Hangup);
}

TEST(FakeSerial, WriterWaitsForRoomGivenFromAnotherThread) {
  FakeSerialOpener opener;
  FakeSerialPort& port = opener.add_port("p");
  auto dev = opener.open("p");
  port.set_output_room(3);
  Event stop;
  const Bytes block{1, 2, 3, 4, 5, 6, 7};
  auto writer = std::async(std::launch::async, [&] { return write_all(*dev, block, stop); });
  EXPECT_EQ(port.wait_output(3, kBound), (Bytes{1, 2, 3}));
  port.give_output_room(10);
  EXPECT_EQ(port.wait_output(4, kBound), (Bytes{4, 5, 6, 7}));
  EXPECT_EQ(writer.get().status, WriteStatus::Complete);

  port.set_output_room(0);
  auto blocked = std::async(std::launch::async, [&] { return write_all(*dev, block, stop); });
  stop.set();
  ASSERT_EQ(blocked.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(blocked.get().status, WriteStatus::Stopped);

  stop.reset();
  port.fail_writes(IoStatus::Error);
  const WriteOutcome failed = write_all(*dev, block, stop);
  EXPECT_EQ(failed.status, WriteStatus::Error);
  EXPECT_EQ(failed.error, EIO);
}

}  // namespace
}  // namespace platform::os
