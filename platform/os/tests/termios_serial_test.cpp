// The termios serial device on pseudo-terminals: the test holds the master side and plays the peer.
#include "platform/os/termios_serial.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <numeric>
#include <thread>
#include <vector>

#include "core/testing/temp_dir.h"
#include "platform/os/custom_baud.h"

namespace platform::os {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr Millis kRoundTrip{5000};  // an upper bound for a pty round trip, never reached when all is well

class Pty {
public:
  Pty() {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    char name[256];
    ::ttyname_r(slave_, name, sizeof name);
    name_ = name;
  }
  ~Pty() {
    close_master();
    if (slave_ >= 0) ::close(slave_);
  }
  const std::string& name() const { return name_; }
  int master() const { return master_; }
  int slave() const { return slave_; }
  void close_master() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  void write_master(const Bytes& b) const {
    std::size_t done = 0;
    while (done < b.size()) {
      const ssize_t n = ::write(master_, b.data() + done, b.size() - done);
      ASSERT_GT(n, 0);
      done += static_cast<std::size_t>(n);
    }
  }
  // Reads exactly n bytes from the master, each wait bounded.
  Bytes read_master(std::size_t n) const {
    Bytes out;
    std::uint8_t buf[4096];
    while (out.size() < n) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(kRoundTrip.count())) <= 0) break;
      const ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
      if (r <= 0) break;
      out.insert(out.end(), buf, buf + r);
    }
    return out;
  }

private:
  int master_ = -1;
  int slave_ = -1;
  std::string name_;
};

// Reads exactly n bytes from the device through its waits.
Bytes read_device(SerialDevice& dev, std::size_t n) {
  Bytes out;
  std::uint8_t buf[1024];
  while (out.size() < n) {
    if (dev.wait_read(nullptr, kRoundTrip) != SerialWait::Ready) break;
    const IoResult r = dev.read(buf);
    if (r.status == IoStatus::WouldBlock) continue;
    if (r.status != IoStatus::Ok) break;
    out.insert(out.end(), buf, buf + r.count);
  }
  return out;
}

Bytes all_byte_values() {
  Bytes b(256);
  std::iota(b.begin(), b.end(), 0);
  return b;
}

std::size_t open_descriptor_count() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

TEST(SerialPath, BareNamesLiveUnderDevAndPathsStayAsTheyAre) {
  EXPECT_EQ(serial_device_path("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(serial_device_path("/dev/pts/3"), "/dev/pts/3");
  EXPECT_EQ(serial_device_path("./link"), "./link");
}

TEST(TermiosSerial, BytesCrossUnchangedAtEveryConsoleRate) {
  Pty pty;
  TermiosSerialOpener opener;
  auto dev = opener.open(pty.name());
  const Bytes payload = all_byte_values();  // 0x00, 0x11, 0x13 and 0xFF among them
  for (std::uint32_t rate : {9600u, 19200u, 115200u, 1000000u, 250000u}) {
    SCOPED_TRACE(rate);
    LineSettings s;
    s.baud_rate = rate;
    dev->configure(s);
    EXPECT_EQ(detail::get_baud(pty.slave()), rate);

    Event stop;
    const WriteOutcome w = write_all(*dev, payload, stop);
    EXPECT_EQ(w.status, WriteStatus::Complete);
    EXPECT_EQ(pty.read_master(payload.size()), payload);

    pty.write_master(payload);
    EXPECT_EQ(read_device(*dev, payload.size()), payload);
  }
}

TEST(TermiosSerial, LineSettingsReachTheTerminal) {
  struct Case {
    const char* what;
    LineSettings settings;
    tcflag_t cflag_set, cflag_clear, iflag_set, iflag_clear;
  };
  auto with = [](auto f) {
    LineSettings s;
    f(s);
    return s;
  };
  const Case cases[] = {
      {"8N1", LineSettings{}, CS8 | CLOCAL | CREAD, PARENB | CSTOPB | CRTSCTS, 0, IXON | IXOFF | INPCK},
      {"7E1", with([](LineSettings& s) {
         s.byte_size = 7;
         s.parity = Parity::Even;
         s.parity_check = true;
       }),
       CS7 | PARENB, PARODD | CMSPAR, INPCK, 0},
      {"5O2", with([](LineSettings& s) {
         s.byte_size = 5;
         s.parity = Parity::Odd;
         s.stop_bits = StopBits::Two;
       }),
       CS5 | PARENB | PARODD | CSTOPB, CMSPAR, 0, INPCK},
      {"mark, 1.5 stop bits as 2", with([](LineSettings& s) {
         s.parity = Parity::Mark;
         s.stop_bits = StopBits::OneAndHalf;
       }),
       PARENB | CMSPAR | PARODD | CSTOPB, 0, 0, 0},
      {"space", with([](LineSettings& s) { s.parity = Parity::Space; }), PARENB | CMSPAR, PARODD, 0, 0},
      {"RTS/CTS", with([](LineSettings& s) { s.cts_flow = true; }), CRTSCTS, 0, 0, 0},
      {"RTS handshake", with([](LineSettings& s) { s.rts = RtsControl::Handshake; }), CRTSCTS, 0, 0, 0},
      {"XON/XOFF", with([](LineSettings& s) { s.xon_xoff_out = s.xon_xoff_in = true; }), 0, CRTSCTS,
       IXON | IXOFF, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    termios t{};
    t.c_lflag = ECHO | ICANON | ISIG | IEXTEN;  // what a fresh terminal has
    t.c_iflag = IXON | ICRNL;
    t.c_oflag = OPOST;
    detail::to_termios(c.settings, t);
    EXPECT_EQ(t.c_cflag & c.cflag_set, c.cflag_set);
    EXPECT_EQ(t.c_cflag & c.cflag_clear, 0u);
    EXPECT_EQ(t.c_iflag & c.iflag_set, c.iflag_set);
    EXPECT_EQ(t.c_iflag & c.iflag_clear, 0u);
    // Raw whatever else: no echo, no line editing, no output processing, no signal characters.
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
  }
}

TEST(TermiosSerial, OpenedLineIsRawAndKeepsItsSettings) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  termios t{};
  ASSERT_EQ(::tcgetattr(pty.slave(), &t), 0);
  EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(dev->settings(), LineSettings{});
  LineSettings s;
  s.xon_xoff_out = true;
  s.stop_bits = StopBits::Two;
  dev->configure(s);
  ASSERT_EQ(::tcgetattr(pty.slave(), &t), 0);
  EXPECT_TRUE(t.c_iflag & IXON);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_EQ(dev->settings(), s);
}

TEST(TermiosSerial, UnsupportedSettingsAreRefusedAndLeaveTheLineAlone) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  LineSettings good;
  good.baud_rate = 19200;
  dev->configure(good);
  for (auto bad :
       {LineSettings{.baud_rate = 300}, LineSettings{.baud_rate = 2000000}, LineSettings{.baud_rate = 0},
        LineSettings{.byte_size = 4}, LineSettings{.byte_size = 9}}) {
    try {
      dev->configure(bad);
      ADD_FAILURE() << "accepted " << bad.baud_rate << " baud, " << int(bad.byte_size) << " bits";
    } catch (const SerialError& e) {
      EXPECT_EQ(e.kind(), SerialErrorKind::Unsupported);
      EXPECT_NE(std::string(e.what()).find("unsupported"), std::string::npos);
    }
    EXPECT_EQ(dev->settings(), good);
    EXPECT_EQ(detail::get_baud(pty.slave()), 19200u);
  }
}

class OpenErrors : public ::testing::Test {
protected:

  SerialErrorKind open_error(const std::string& name) {
    try {
      TermiosSerialOpener().open(name);
    } catch (const SerialError& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
      return e.kind();
    }
    ADD_FAILURE() << name << " opened";
    return SerialErrorKind::Io;
  }

  const core::testing::TempDir scratch_{"thc_serial"};
  const fs::path dir_ = scratch_.path();
};

TEST_F(OpenErrors, EachBadNameGivesItsKindAndLeaksNothing) {
  std::ofstream(dir_ / "plain.txt") << "not a port";
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  const std::size_t before = open_descriptor_count();
  EXPECT_EQ(open_error((dir_ / "missing").string()), SerialErrorKind::NotFound);
  EXPECT_EQ(open_error("ttyTHCnoSuchPort"), SerialErrorKind::NotFound);
  EXPECT_EQ(open_error(""), SerialErrorKind::NotFound);
  EXPECT_EQ(open_error((dir_ / "plain.txt").string()), SerialErrorKind::NotSerial);
  EXPECT_EQ(open_error((dir_ / "fifo").string()), SerialErrorKind::NotSerial);
  EXPECT_EQ(open_error(dir_.string()), SerialErrorKind::NotSerial);
  EXPECT_EQ(open_error("/dev/null"), SerialErrorKind::NotSerial);  // a character device, not a terminal
  EXPECT_EQ(open_descriptor_count(), before);
}

TEST_F(OpenErrors, SecondOpenFailsEvenThroughALinkAndTheFirstKeepsWorking) {
  Pty pty;
  fs::create_symlink(pty.name(), dir_ / "ttyLINK");
  auto first = TermiosSerialOpener().open((dir_ / "ttyLINK").string());
  EXPECT_EQ(first->path(), (dir_ / "ttyLINK").string());
  EXPECT_EQ(open_error(pty.name()), SerialErrorKind::Busy);
  EXPECT_EQ(open_error((dir_ / "ttyLINK").string()), SerialErrorKind::Busy);

  Event stop;
  const Bytes frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x06, 0xC5, 0xC8};
  EXPECT_EQ(write_all(*first, frame, stop).status, WriteStatus::Complete);
  EXPECT_EQ(pty.read_master(frame.size()), frame);

  // Closed, the port opens again (the link drops and reopens on every retry).
  first.reset();
  auto again = TermiosSerialOpener().open(pty.name());
  EXPECT_TRUE(again->is_open());
}

TEST(TermiosSerial, StopWakesAWaitingReaderAtOnce) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  Event stop;
  auto waiter = std::async(std::launch::async, [&] { return dev->wait_read(&stop, kInfinite); });
  stop.set();
  ASSERT_EQ(waiter.wait_for(kRoundTrip), std::future_status::ready);
  EXPECT_EQ(waiter.get(), SerialWait::Stop);
  // The stop wins even when data is waiting too.
  pty.write_master({0x55});
  EXPECT_EQ(dev->wait_read(&stop, Millis(0)), SerialWait::Stop);
  EXPECT_EQ(dev->wait_write(&stop, Millis(0)), SerialWait::Stop);
}

TEST(TermiosSerial, WaitsAndReadsWithoutDataDoNotBlock) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  Event stop;
  EXPECT_EQ(dev->wait_read(&stop, Millis(0)), SerialWait::Timeout);
  std::uint8_t buf[16];
  EXPECT_EQ(dev->read(buf).status, IoStatus::WouldBlock);
  EXPECT_EQ(dev->wait_write(&stop, Millis(0)), SerialWait::Ready);
}

TEST(TermiosSerial, ClosedPeerIsReportedOnBothSidesNotSpunOn) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  pty.write_master({0xAA, 0xBB});
  pty.close_master();
  // Bytes sent before the hang-up are still delivered, then the hang-up.
  std::uint8_t buf[16];
  ASSERT_EQ(dev->wait_read(nullptr, kRoundTrip), SerialWait::Ready);
  IoResult r = dev->read(buf);
  if (r.status == IoStatus::Ok) {
    EXPECT_EQ(r.count, 2u);
    ASSERT_EQ(dev->wait_read(nullptr, kRoundTrip), SerialWait::Ready);
    r = dev->read(buf);
  }
  EXPECT_EQ(r.status, IoStatus::Hangup);
  EXPECT_EQ(dev->write(Bytes{1, 2, 3}).status, IoStatus::Hangup);
  Event stop;
  EXPECT_EQ(write_all(*dev, Bytes{1, 2, 3}, stop).status, WriteStatus::Hangup);
}

TEST(TermiosSerial, CallsAfterCloseReportClosed) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  dev->close();
  EXPECT_FALSE(dev->is_open());
  std::uint8_t buf[4];
  EXPECT_EQ(dev->read(buf).status, IoStatus::Closed);
  EXPECT_EQ(dev->write(Bytes{1}).status, IoStatus::Closed);
  EXPECT_EQ(dev->wait_read(nullptr, kInfinite), SerialWait::Ready);
  EXPECT_THROW(dev->configure(LineSettings{}), SerialError);
  dev->close();  // twice is harmless
}

TEST(TermiosSerial, LargeWriteWaitsForRoomAndArrivesWhole) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  Bytes big(200000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  auto reader = std::async(std::launch::async, [&] { return pty.read_master(big.size()); });
  Event stop;
  const WriteOutcome w = write_all(*dev, big, stop);
  EXPECT_EQ(w.status, WriteStatus::Complete);
  EXPECT_EQ(w.written, big.size());
  EXPECT_EQ(reader.get(), big);
}

TEST(TermiosSerial, StopEndsAWriteThatWaitsForRoom) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  // Fill the output queue while nobody reads the other end.
  const Bytes chunk(4096, 0xA5);
  std::size_t queued = 0;
  for (;;) {
    const IoResult r = dev->write(chunk);
    if (r.status != IoStatus::Ok) {
      ASSERT_EQ(r.status, IoStatus::WouldBlock);
      break;
    }
    queued += r.count;
    ASSERT_LT(queued, std::size_t{64} << 20) << "the queue never filled";
  }
  // Room may still trickle in while the pty moves bytes to the other end, but never 1 MiB of it.
  const Bytes big(1 << 20, 0x5A);
  Event stop;
  auto writer = std::async(std::launch::async, [&] { return write_all(*dev, big, stop); });
  stop.set();
  ASSERT_EQ(writer.wait_for(kRoundTrip), std::future_status::ready);
  const WriteOutcome w = writer.get();
  EXPECT_EQ(w.status, WriteStatus::Stopped);
  EXPECT_LT(w.written, big.size());
  queued += w.written;
  // Once the peer reads, everything queued arrives and room comes back.
  const Bytes got = pty.read_master(queued);
  EXPECT_EQ(got.size(), queued);
  EXPECT_EQ(dev->wait_write(nullptr, kRoundTrip), SerialWait::Ready);
}

TEST(TermiosSerial, PurgeClearsQueuedInputAndAbortWakesOnlyAPendingWait) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  pty.write_master({1, 2, 3, 4});
  ASSERT_EQ(dev->wait_read(nullptr, kRoundTrip), SerialWait::Ready);
  dev->purge(kPurgeRxClear | kPurgeTxClear);
  std::uint8_t buf[8];
  EXPECT_EQ(dev->read(buf).status, IoStatus::WouldBlock);
  EXPECT_EQ(dev->queue_status().input, 0u);

  // An abort with no wait pending is not kept for the next wait.
  dev->purge(kPurgeRxAbort | kPurgeTxAbort);
  EXPECT_EQ(dev->wait_read(nullptr, Millis(0)), SerialWait::Timeout);

  std::atomic<bool> done{false};
  auto waiter = std::async(std::launch::async, [&] {
    const SerialWait w = dev->wait_read(nullptr, kRoundTrip);
    done = true;
    return w;
  });
  // The waiter may not have entered its wait yet; the abort reaches it once it has.
  while (!done) {
    dev->purge(kPurgeRxAbort);
    waiter.wait_for(Millis(1));
  }
  EXPECT_EQ(waiter.get(), SerialWait::Aborted);
}

TEST(TermiosSerial, IgnoreNullDropsZeroBytes) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  LineSettings s;
  s.ignore_null = true;
  dev->configure(s);
  pty.write_master({0, 0x11, 0, 0, 0x13, 0});
  EXPECT_EQ(read_device(*dev, 2), (Bytes{0x11, 0x13}));
}

TEST(TermiosSerial, PtyHasNoModemLinesAndThatIsNoError) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name());
  EXPECT_TRUE(dev->set_dtr(true));
  EXPECT_TRUE(dev->set_rts(false));
  LineSettings s;
  s.dtr = DtrControl::Disable;
  s.rts = RtsControl::Toggle;
  EXPECT_NO_THROW(dev->configure(s));
  EXPECT_TRUE(dev->setup_queues(2048, 1024));
  EXPECT_FALSE(dev->setup_queues(0, 1024));
  pty.write_master({7});
  EXPECT_EQ(dev->wait_read(nullptr, kRoundTrip), SerialWait::Ready);  // data, not a line event
  EXPECT_TRUE(dev->take_line_events().empty());
}

}  // namespace
}  // namespace platform::os
