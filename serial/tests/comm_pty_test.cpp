// The serial component on pseudo-terminals: the test holds the master end and plays the instrument.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "serial/tests/comm_test_support.h"

namespace serial::test {
namespace {

using std::chrono::milliseconds;

class Pty {
 public:
  Pty() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
    path_ = name;
    // Only the component's own descriptor stays open on the slave side, so that closing the master is
    // seen as the line going away and the component's exclusive lock is the only one.
    ::close(slave_);
    slave_ = -1;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() { close_master(); }
  bool ok() const { return master_ >= 0; }
  const std::string& path() const { return path_; }

  void write(const Bytes& b) {
    std::size_t done = 0;
    while (done < b.size()) {
      const ssize_t n = ::write(master_, b.data() + done, b.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 1000);
      }
    }
  }
  // Reads until `count` bytes came or the bound passed.
  Bytes read(std::size_t count, milliseconds bound = milliseconds(5000)) {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      ::poll(&p, 1, 50);
      std::uint8_t buf[4096];
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) out.insert(out.end(), buf, buf + n);
    }
    return out;
  }
  speed_t speed() const {
    termios t{};
    ::tcgetattr(master_, &t);
    return ::cfgetospeed(&t);
  }
  void close_master() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

class CommPty : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::win::reset_window_system();
    ASSERT_TRUE(pty_.ok()) << "no pseudo-terminal";
    comm_ = std::make_unique<TComm>(NotifyWindow());
    comm_->SetCommName(pty_.path());
    // Hardware flow control means nothing on a pty; the console's own form turns it off too.
    comm_->SetOutx_CtsFlow(false);
    comm_->SetOutx_DsrFlow(false);
    rec_ = std::make_unique<Recorder>(*comm_);
  }
  void TearDown() override {
    rec_.reset();
    comm_.reset();
    platform::win::reset_window_system();
  }
  void open() {
    const int empties = rec_->count(Notice::Empty);
    comm_->OpenPort();
    ASSERT_TRUE(pump_until([&] { return rec_->count(Notice::Empty) > empties; }));
  }

  Pty pty_;
  std::unique_ptr<TComm> comm_;
  std::unique_ptr<Recorder> rec_;
};

TEST_F(CommPty, OpenErrorsOnRealDevices) {
  char file[] = "/tmp/thc_serial_XXXXXX";
  const int fd = ::mkstemp(file);
  ASSERT_GE(fd, 0);
  ::close(fd);
  struct Case {
    std::string name;
    const char* text;
  } cases[] = {
      {file, "File handle is not a comm handle "},
      {"/dev/null", "File handle is not a comm handle "},
      {"/dev/thc-no-such-port", "Error opening serial port"},
      {"COM2", "Error opening serial port"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    comm_->SetCommName(c.name);
    try {
      comm_->OpenPort();
      ADD_FAILURE() << "opened";
    } catch (const ECommsError& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
    EXPECT_EQ(comm_->GetComHandle(), 0u);
  }
  ::unlink(file);
  // A port that another component holds is busy.
  comm_->SetCommName(pty_.path());
  open();
  TComm other(NotifyWindow());
  other.SetCommName(pty_.path());
  try {
    other.OpenPort();
    ADD_FAILURE() << "opened twice";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), "Error opening serial port");
  }
  comm_->ClosePort();
  other.OpenPort();  // free again
  other.ClosePort();
}

TEST_F(CommPty, BurstsBecomeBlocksOfAtMost1024InOrder) {
  comm_->SetReadIntervalTimeout(100);
  open();
  // A burst over the block size: full blocks, then the rest.
  const Bytes big = pattern(3000);
  pty_.write(big);
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == big.size(); }));
  auto blocks = rec_->blocks();
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].size(), 1024u);
  EXPECT_EQ(blocks[1].size(), 1024u);
  EXPECT_EQ(blocks[2].size(), 952u);
  Bytes joined;
  for (const auto& b : blocks) joined.insert(joined.end(), b.begin(), b.end());
  EXPECT_EQ(joined, big);
  // Bursts separated by more than the interval: one block each.
  comm_->SetReadIntervalTimeout(5);
  rec_->notices.clear();
  const std::vector<Bytes> bursts = {pattern(8, 1), pattern(17, 2), pattern(200, 3)};
  for (std::size_t i = 0; i < bursts.size(); ++i) {
    pty_.write(bursts[i]);
    ASSERT_TRUE(pump_until([&] { return rec_->blocks().size() == i + 1; }));
  }
  EXPECT_EQ(rec_->blocks(), bursts);
  EXPECT_FALSE(rec_->unterminated);
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
}

TEST_F(CommPty, QueuedBlocksGoOutInOrder) {
  open();
  Bytes expected;
  for (int i = 0; i < 20; ++i) {
    const Bytes b = pattern(static_cast<std::size_t>(1 + i * 37), static_cast<std::uint8_t>(i));
    ASSERT_TRUE(comm_->SendData(b.data(), static_cast<std::uint16_t>(b.size())));
    expected.insert(expected.end(), b.begin(), b.end());
  }
  EXPECT_EQ(pty_.read(expected.size()), expected);
  ASSERT_TRUE(pump_until([&] { return rec_->count(Notice::Empty) >= 2; }));
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
}

TEST_F(CommPty, ClosingDuringAPendingReadEndsQuietly) {
  open();
  comm_->ClosePort();
  pump();
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
  EXPECT_EQ(comm_->GetComHandle(), 0u);
  // The port can be opened again at once.
  open();
  pty_.write({1, 2, 3});
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 3; }));
}

TEST_F(CommPty, ABaudChangeOfAnOpenPortReachesTheLine) {
  comm_->SetBaudRate(9600);
  open();
  EXPECT_EQ(pty_.speed(), static_cast<speed_t>(B9600));
  comm_->SetBaudRate(115200);
  EXPECT_EQ(pty_.speed(), static_cast<speed_t>(B115200));
  comm_->SetBaudRate(1000000);
  EXPECT_EQ(pty_.speed(), static_cast<speed_t>(B1000000));
  // Still moving bytes after the changes.
  ASSERT_TRUE(comm_->SendData("ok", 2));
  EXPECT_EQ(pty_.read(2), (Bytes{'o', 'k'}));
}

TEST_F(CommPty, TheLineCarriesFlowControlBytesUnchanged) {
  comm_->SetReadIntervalTimeout(20);
  open();
  const Bytes frame = {0x11, 0x13, 0x0D, 0x0A, 0x00, 0x7F, 0x03, 0x1C};
  ASSERT_TRUE(comm_->SendData(frame.data(), static_cast<std::uint16_t>(frame.size())));
  EXPECT_EQ(pty_.read(frame.size()), frame);
  pty_.write(frame);
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == frame.size(); }));
  EXPECT_EQ(rec_->blocks()[0], frame);
}

TEST_F(CommPty, AVanishedLineGivesAHangupAndTheComponentReopensOnANewOne) {
  open();
  pty_.close_master();
  ASSERT_TRUE(pump_until([&] { return rec_->count(Notice::Hangup) >= 1; }));
  EXPECT_NE(comm_->GetComHandle(), 0u);
  comm_->ClosePort();
  EXPECT_EQ(comm_->GetComHandle(), 0u);
  Pty fresh;
  ASSERT_TRUE(fresh.ok());
  comm_->SetCommName(fresh.path());
  rec_->notices.clear();
  open();
  ASSERT_TRUE(comm_->SendData("hi", 2));
  EXPECT_EQ(fresh.read(2), (Bytes{'h', 'i'}));
  fresh.write({9});
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 1; }));
  comm_->ClosePort();
  pump();
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
}

}  // namespace
}  // namespace serial::test
