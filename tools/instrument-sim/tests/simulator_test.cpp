// The simulator on a real pseudo-terminal, with a plain termios client on the other end: baud gating,
// every fault, pacing, pushed reports and their acknowledgement. Time the simulator spends (delays,
// gaps, pacing) runs on a virtual clock; only the pty's own hand-over of bytes is waited for.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "core/clock.h"
#include "core/strings.h"
#include "tools/instrument-sim/simulator.h"

namespace instrument_sim {
namespace {

using std::chrono::steady_clock;

Bytes with_crc(Bytes b) {
  append_crc(b);
  return b;
}

std::string show(const Bytes& b) { return core::to_hex(b.data(), b.size(), true); }

// The program-under-test side of the line: opens the slave path as a serial port.
class Line {
public:
  Line(const std::string& path, int baud, char parity = 'N') : path_(path) {
    open_port();
    set(baud, parity);
  }
  ~Line() { ::close(fd_); }

  void set(int baud, char parity = 'N') {
    termios tio{};
    ASSERT_EQ(tcgetattr(fd_, &tio), 0);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(PARENB | PARODD);
    if (parity == 'E') tio.c_cflag |= PARENB;
    if (parity == 'O') tio.c_cflag |= PARENB | PARODD;
    cfsetispeed(&tio, speed_constant(baud));
    cfsetospeed(&tio, speed_constant(baud));
    ASSERT_EQ(tcsetattr(fd_, TCSANOW, &tio), 0);
  }

  void reopen() {
    ::close(fd_);
    open_port();
  }

  void send(const Bytes& b) { ASSERT_EQ(::write(fd_, b.data(), b.size()), static_cast<ssize_t>(b.size())); }

  // Reads until `n` bytes came; gives up after two seconds (only a failing test waits that long).
  Bytes read(std::size_t n) {
    Bytes out;
    const auto deadline = steady_clock::now() + std::chrono::seconds(2);
    while (out.size() < n && steady_clock::now() < deadline) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      std::uint8_t buf[2048];
      const ssize_t got = ::read(fd_, buf, std::min(sizeof buf, n - out.size()));
      if (got > 0) out.insert(out.end(), buf, buf + got);
    }
    return out;
  }

private:
  void open_port() {
    fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd_, 0);
  }

  std::string path_;
  int fd_ = -1;
};

const Bytes kLiveRead = with_crc({0x01, 0x03, 0x00, 0x00, 0x00, 0x06});

class SimulatorTest : public ::testing::Test {
protected:
  SimulatorTest() : line_(sim_.port_path(), 9600) {}

  // Serves the line until `frames` more complete frames were taken (the pty hands bytes over
  // asynchronously, so the first poll may come too early).
  void serve(std::size_t frames = 1) {
    const std::size_t target = sim_.stats().frames + frames;
    const auto deadline = steady_clock::now() + std::chrono::seconds(2);
    while (sim_.stats().frames < target && steady_clock::now() < deadline) sim_.service(Millis(50));
    ASSERT_GE(sim_.stats().frames, target) << "the simulator never saw the frame";
  }

  // What a fault-free instrument answers.
  static Bytes clean(const Bytes& request) {
    Instrument twin;
    return *twin.handle(request);
  }

  Bytes ask(const Bytes& request, std::size_t expect) {
    line_.send(request);
    serve();
    return line_.read(expect);
  }

  core::VirtualClock clock_;
  core::ScopedClock scoped_{clock_};
  Simulator sim_;
  Line line_;
};

TEST_F(SimulatorTest, AnswersOnlyAtTheInstrumentsBaudRateAndFormat) {
  struct Case {
    int baud;
    char parity;
    bool answered;
  };
  for (const Case& c : {Case{19200, 'N', false}, Case{1200, 'N', false}, Case{1000000, 'N', false},
                        Case{9600, 'N', true}}) {
    SCOPED_TRACE(core::format("%d %c", c.baud, c.parity));
    line_.set(c.baud, c.parity);
    const std::size_t wrong = sim_.stats().wrong_line;
    line_.send(kLiveRead);
    serve();
    EXPECT_EQ(sim_.stats().wrong_line, wrong + (c.answered ? 0 : 1));
  }
  // Nothing of the ignored requests came back: the first bytes are the one reply.
  EXPECT_EQ(show(line_.read(17)), show(clean(kLiveRead)));

  // The instrument moves to 19200 baud when told to; the line must follow.
  EXPECT_EQ(ask(with_crc({0x01, 0x06, 0x00, 0xC9, 0x00, 0x01}), 8).size(), 8u);
  line_.send(kLiveRead);
  serve();
  EXPECT_EQ(sim_.stats().wrong_line, 4u);
  line_.set(19200);
  EXPECT_EQ(show(ask(kLiveRead, 17)), show(clean(kLiveRead)));
}

TEST_F(SimulatorTest, FaultsThatChangeTheReplyBytes) {
  const Bytes good = clean(kLiveRead);
  struct Case {
    const char* name;
    Fault fault;
    Bytes expected;
  };
  Bytes corrupt = good;
  corrupt.back() ^= 0xA5;
  Bytes foreign(good.begin(), good.end() - 2);
  foreign[0] = 9;
  append_crc(foreign);
  const Case cases[] = {
      {"corrupt crc", Fault::corrupt_crc(), corrupt},
      {"short frame", Fault::short_frame(5), Bytes(good.begin(), good.begin() + 5)},
      {"short default", Fault::short_frame(), Bytes(good.begin(), good.end() - 3)},
      {"foreign address", Fault::foreign_address(9), foreign},
      {"exception 4", Fault::exception(4), with_crc({0x01, 0x83, 0x04})},
      {"exception 3", Fault::exception(3), with_crc({0x01, 0x83, 0x03})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim_.faults().once(c.fault);
    const Bytes got = ask(kLiveRead, c.expected.size());
    EXPECT_EQ(show(got), show(c.expected));
    if (c.fault.kind == FaultKind::kCorruptCrc) {
      EXPECT_FALSE(crc_ok(got));
    }
    if (c.fault.kind == FaultKind::kForeignAddress) {
      EXPECT_TRUE(crc_ok(got));
    }
  }
  // One-shot faults are used up: the next reply is clean.
  EXPECT_EQ(show(ask(kLiveRead, good.size())), show(good));
}

TEST_F(SimulatorTest, SplitReplyGoesOutInPiecesWithGaps) {
  sim_.faults().once(Fault::split({2, 5}, Millis(40)));
  sim_.clear_write_log();
  const Millis start = clock_.monotonic();
  EXPECT_EQ(show(ask(kLiveRead, 17)), show(clean(kLiveRead)));
  const std::vector<WriteEvent> log = sim_.write_log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].size, 2u);
  EXPECT_EQ(log[1].size, 5u);
  EXPECT_EQ(log[2].size, 10u);
  EXPECT_EQ(log[0].at, start);
  EXPECT_EQ(log[1].at, start + Millis(40));
  EXPECT_EQ(log[2].at, start + Millis(80));
}

TEST_F(SimulatorTest, DelayedReplyComesLate) {
  sim_.faults().once(Fault::delay(Millis(1500)));
  sim_.clear_write_log();
  const Millis slept = clock_.slept();
  const Millis start = clock_.monotonic();
  EXPECT_EQ(show(ask(kLiveRead, 17)), show(clean(kLiveRead)));
  EXPECT_EQ(clock_.slept() - slept, Millis(1500));
  ASSERT_EQ(sim_.write_log().size(), 1u);
  EXPECT_EQ(sim_.write_log()[0].at, start + Millis(1500));
}

TEST_F(SimulatorTest, NoAnswerLeavesTheLineSilent) {
  sim_.faults().once(Fault::no_answer());
  line_.send(kLiveRead);
  serve();
  EXPECT_EQ(sim_.stats().answered, 1u);
  EXPECT_EQ(sim_.stats().replies, 0u);
  // The next request's reply is the first thing on the line.
  const Bytes model = with_crc({0x01, 0x2E, 0xEA, 0xDF, 0x00, 0x02});
  EXPECT_EQ(show(ask(model, 9)), show(clean(model)));
}

TEST_F(SimulatorTest, StrayAcknowledgementsGoOutBeforeTheReply) {
  for (std::uint8_t fc : {5, 15, 47}) {
    sim_.faults().once(Fault::stray_frame(fc));
    const Bytes got = ask(kLiveRead, 8 + 17);
    ASSERT_EQ(got.size(), 25u);
    const Bytes stray(got.begin(), got.begin() + 8);
    EXPECT_TRUE(crc_ok(stray));
    EXPECT_EQ(stray[0], 1);
    EXPECT_EQ(stray[1], fc);
    EXPECT_EQ(show(Bytes(got.begin() + 8, got.end())), show(clean(kLiveRead)));
  }
}

TEST_F(SimulatorTest, RepeatingFaultHitsEveryNthReply) {
  sim_.faults().every(Fault::corrupt_crc(), 2);
  std::string pattern;
  for (int i = 0; i < 4; ++i) pattern += crc_ok(ask(kLiveRead, 17)) ? 'g' : 'b';
  EXPECT_EQ(pattern, "gbgb");
  sim_.faults().clear();
  EXPECT_TRUE(crc_ok(ask(kLiveRead, 17)));
}

TEST_F(SimulatorTest, PacingSpendsTheLineTime) {
  // 17 bytes, then the 1013-byte fast read, at 9600 and at 115200 baud: bytes x 10 / baud.
  Instrument ins;
  for (const HistoryRecord& r : generate_history(CivilTime{2018, 4, 8, 0, 0, 0}, 60, 300)) ins.add_history(r);
  sim_.locked([&](Instrument& i) {
    i = ins;
    return 0;
  });
  sim_.set_pacing(true);
  const Bytes fast = with_crc({0x01, 0x03, 0x00, 0x07, 0x01, 0xF8});
  struct Case {
    int baud;
    std::int64_t expected_ms;
  };
  for (const Case& c : {Case{9600, (17 + 1013) * 10 * 1000 / 9600}, Case{115200, (17 + 1013) * 10 * 1000 / 115200}}) {
    SCOPED_TRACE(c.baud);
    sim_.locked([&](Instrument& i) {
      i.set_baud(c.baud);
      return 0;
    });
    line_.set(c.baud);
    sim_.set_pacing(true);
    const Millis slept = clock_.slept();
    sim_.clear_write_log();
    EXPECT_EQ(ask(kLiveRead, 17).size(), 17u);
    EXPECT_EQ(ask(fast, 1013).size(), 1013u);
    EXPECT_EQ((clock_.slept() - slept).count(), c.expected_ms);
    // The bytes left in small chunks spread over that time, not in one burst.
    const std::vector<WriteEvent> log = sim_.write_log();
    EXPECT_GT(log.size(), 40u);
    EXPECT_GE((log.back().at - log.front().at).count(), c.expected_ms - 3);
  }
}

TEST_F(SimulatorTest, PushedReportsWaitForTheirEcho) {
  line_.set(19200);
  EXPECT_FALSE(sim_.push_live());  // not at another speed
  EXPECT_FALSE(sim_.awaiting_ack());
  line_.set(9600);
  EXPECT_TRUE(sim_.push_live());
  const Bytes live = line_.read(31);
  ASSERT_EQ(live.size(), 31u);
  EXPECT_TRUE(crc_ok(live));
  EXPECT_TRUE(sim_.awaiting_ack());
  // A request in between is still answered.
  EXPECT_EQ(show(ask(kLiveRead, 17)), show(clean(kLiveRead)));
  EXPECT_TRUE(sim_.awaiting_ack());
  // A wrong echo is not taken as the acknowledgement.
  Bytes wrong(live.begin(), live.begin() + 6);
  wrong[3] = 7;
  line_.send(with_crc(wrong));
  serve();
  EXPECT_TRUE(sim_.awaiting_ack());
  EXPECT_EQ(sim_.stats().replies, 1u);  // and it gets no answer of its own
  line_.send(with_crc(Bytes(live.begin(), live.begin() + 6)));
  serve();
  EXPECT_FALSE(sim_.awaiting_ack());
  EXPECT_EQ(sim_.stats().push_acks, 1u);

  sim_.locked([](Instrument& i) {
    for (const HistoryRecord& r : generate_history(CivilTime{2018, 4, 8, 0, 0, 0}, 60, 5)) i.add_history(r);
    return 0;
  });
  sim_.push_records(3);
  const Bytes records = line_.read(7 + 38 + 2);
  ASSERT_EQ(records.size(), 47u);
  EXPECT_EQ(records[6], 38);
  line_.send(with_crc(Bytes(records.begin(), records.begin() + 6)));
  serve();
  EXPECT_EQ(sim_.stats().push_acks, 2u);

  // A report the console does not acknowledge leaves nothing pending.
  sim_.push_frame({0x01, 0x06, 0x00, 0x05, 0x00, 0x01}, false);
  EXPECT_EQ(line_.read(8).size(), 8u);
  EXPECT_FALSE(sim_.awaiting_ack());
}

TEST_F(SimulatorTest, KeepsServingWhenThePortIsClosedAndReopened) {
  EXPECT_EQ(ask(kLiveRead, 17).size(), 17u);
  line_.reopen();
  line_.set(9600);
  EXPECT_EQ(show(ask(kLiveRead, 17)), show(clean(kLiveRead)));
}

TEST_F(SimulatorTest, APartialFrameIsForgottenWhenTheLineGoesQuiet) {
  const Bytes head(kLiveRead.begin(), kLiveRead.begin() + 3);
  const Bytes tail(kLiveRead.begin() + 3, kLiveRead.end());
  // The rest following promptly completes the frame.
  line_.send(head);
  const auto deadline = steady_clock::now() + std::chrono::seconds(2);
  while (sim_.pending_bytes() < 3 && steady_clock::now() < deadline) sim_.service(Millis(50));
  ASSERT_EQ(sim_.pending_bytes(), 3u);
  line_.send(tail);
  serve();
  EXPECT_EQ(line_.read(17).size(), 17u);
  // After a quiet gap the old bytes are dropped and a whole new frame is read cleanly.
  line_.send(head);
  while (sim_.pending_bytes() < 3 && steady_clock::now() < deadline) sim_.service(Millis(50));
  ASSERT_EQ(sim_.pending_bytes(), 3u);
  clock_.advance(Millis(60));
  EXPECT_EQ(show(ask(kLiveRead, 17)), show(clean(kLiveRead)));
  EXPECT_EQ(sim_.stats().partial_dropped, 1u);
  EXPECT_EQ(sim_.stats().replies, 2u);
}

TEST_F(SimulatorTest, ProbeIsAnsweredFromTheOwnAddress) {
  sim_.locked([](Instrument& i) {
    i.set_address(37);
    return 0;
  });
  EXPECT_EQ(show(ask(with_crc({0xFF, 0x03, 0x00, 0xC8, 0x00, 0x01}), 7)), show(with_crc({37, 0x03, 0x02, 0x00, 37})));
}

}  // namespace
}  // namespace instrument_sim
