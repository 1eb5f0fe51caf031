// The read and write workers of a serial component, written as the device's header sketches them, run
// against a pseudo-terminal: blocks stay within 1024 bytes and in order, queued blocks go out in order,
// and one stop event ends both workers at once.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/os/termios_serial.h"

namespace platform::os {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr Millis kBound{5000};
constexpr Millis kInterval{20};  // the read interval: a longer gap ends a block

class Workers {
public:
  explicit Workers(SerialDevice& dev) : dev_(dev) {
    reader_ = std::thread([this] { read_loop(); });
    writer_ = std::thread([this] { write_loop(); });
  }
  ~Workers() { stop(); }

  void send(Bytes block) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(block));
    queued_.set();
  }
  void stop() {
    stop_.set();
    if (reader_.joinable()) reader_.join();
    if (writer_.joinable()) writer_.join();
  }
  // Waits until `total` bytes were received; returns the blocks.
  std::vector<Bytes> received(std::size_t total) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, kBound, [&] { return received_bytes_ >= total || hangups_ > 0; });
    return blocks_;
  }
  // Waits for the first hang-up notice when `wait` is set.
  int hangups(bool wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wait) cv_.wait_for(lock, kBound, [&] { return hangups_ > 0; });
    return hangups_;
  }

private:
  void post(const std::uint8_t* data, std::size_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_.emplace_back(data, data + n);
    received_bytes_ += n;
    cv_.notify_all();
  }
  void post_hangup() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++hangups_;
    cv_.notify_all();
  }

  void read_loop() {
    std::uint8_t block[1024];
    for (;;) {
      switch (dev_.wait_read(&stop_, kInfinite)) {
        case SerialWait::Stop: return;
        case SerialWait::LineEvent: dev_.take_line_events(); continue;
        case SerialWait::Aborted:
        case SerialWait::Timeout: continue;
        case SerialWait::Ready: break;
      }
      IoResult r = dev_.read(block);
      if (r.status == IoStatus::Closed) return;
      if (r.status == IoStatus::Hangup || r.status == IoStatus::Error) {
        post_hangup();
        return;
      }
      std::size_t n = r.count;
      while (n > 0 && n < sizeof block && dev_.wait_read(&stop_, kInterval) == SerialWait::Ready) {
        r = dev_.read(std::span<std::uint8_t>(block + n, sizeof block - n));
        if (r.status != IoStatus::Ok) break;
        n += r.count;
      }
      if (n > 0) post(block, n);
    }
  }

  void write_loop() {
    for (;;) {
      if (wait_any({&stop_, &queued_}) == 0) return;
      Bytes block;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) {
          queued_.reset();
          continue;
        }
        block = std::move(queue_.front());
        queue_.pop_front();
      }
      const WriteOutcome o = write_all(dev_, block, stop_);
      if (o.status == WriteStatus::Stopped || o.status == WriteStatus::Closed) return;
      if (o.status != WriteStatus::Complete) {
        post_hangup();
        return;
      }
    }
  }

  SerialDevice& dev_;
  Event stop_;
  Event queued_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Bytes> queue_;
  std::vector<Bytes> blocks_;
  std::size_t received_bytes_ = 0;
  int hangups_ = 0;
  std::thread reader_;
  std::thread writer_;
};

struct Pty {
  Pty() {
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    name = ::ttyname(slave);
  }
  ~Pty() {
    if (master >= 0) ::close(master);
    ::close(slave);
  }
  int master = -1, slave = -1;
  std::string name;
};

Bytes read_exact(int fd, std::size_t n) {
  Bytes out;
  std::uint8_t buf[4096];
  while (out.size() < n) {
    const ssize_t r = ::read(fd, buf, std::min(sizeof buf, n - out.size()));
    if (r <= 0) break;
    out.insert(out.end(), buf, buf + r);
  }
  return out;
}

TEST(SerialWorkers, BlocksFlowBothWaysAndOneStopEndsBoth) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name);
  Workers workers(*dev);

  const Bytes first{0x01, 0x03, 0x00, 0x00, 0x00, 0x06, 0xC5, 0xC8};
  const Bytes second{0x01, 0x10, 0x00, 0xC8, 0x00, 0x01, 0x02, 0x11, 0x13, 0xFF, 0x00};
  workers.send(first);
  workers.send(second);
  Bytes both = first;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(read_exact(pty.master, both.size()), both);

  Bytes burst(3000);
  for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<std::uint8_t>(i * 31);
  ASSERT_EQ(::write(pty.master, burst.data(), burst.size()), ssize_t(burst.size()));
  const std::vector<Bytes> blocks = workers.received(burst.size());
  Bytes joined;
  for (const Bytes& b : blocks) {
    EXPECT_GE(b.size(), 1u);
    EXPECT_LE(b.size(), 1024u);
    joined.insert(joined.end(), b.begin(), b.end());
  }
  EXPECT_EQ(joined, burst);
  EXPECT_GE(blocks.size(), 3u);

  const auto start = std::chrono::steady_clock::now();
  workers.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, kBound);
  EXPECT_EQ(workers.hangups(false), 0);
}

TEST(SerialWorkers, ClosedPeerEndsTheReaderWithAHangup) {
  Pty pty;
  auto dev = TermiosSerialOpener().open(pty.name);
  Workers workers(*dev);
  ::close(pty.master);
  pty.master = -1;
  EXPECT_EQ(workers.hangups(true), 1);
  workers.stop();
}

}  // namespace
}  // namespace platform::os
