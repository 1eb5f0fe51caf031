#include "platform/os/fake_serial.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>

namespace platform::os {

struct FakeSerialPort::State {
  explicit State(std::string n) : name(std::move(n)) { room_ready.set(); }

  // Keeps the events in step with the queues; called with `mutex` held.
  void update_events() {
    if (!input.empty() || hung_up)
      input_ready.set();
    else
      input_ready.reset();
    if (!pending.empty())
      line_ready.set();
    else
      line_ready.reset();
    if (room > 0 || hung_up || write_failure != IoStatus::Ok)
      room_ready.set();
    else
      room_ready.reset();
  }

  const std::string name;
  mutable std::mutex mutex;
  std::condition_variable output_cv;
  std::deque<std::uint8_t> input;
  std::vector<std::uint8_t> output;
  LineEvents pending;
  bool hung_up = false;
  std::size_t room = std::numeric_limits<std::size_t>::max();
  IoStatus write_failure = IoStatus::Ok;
  std::optional<SerialErrorKind> open_failure;
  bool open = false;
  int opens = 0;
  int configures = 0;
  LineSettings settings;
  std::vector<unsigned> purges;
  bool dtr = false;
  bool rts = false;
  bool rx_waiting = false;
  bool tx_waiting = false;
  Event input_ready;
  Event line_ready;
  Event room_ready;
  Event rx_abort;
  Event tx_abort;
};

namespace {

class FakeSerialDevice final : public SerialDevice {
public:
  explicit FakeSerialDevice(std::shared_ptr<FakeSerialPort::State> s) : s_(std::move(s)) {}
  ~FakeSerialDevice() override { close(); }

  const std::string& path() const override { return s_->name; }

  void configure(const LineSettings& settings) override {
    if (settings.baud_rate < kMinBaudRate || settings.baud_rate > kMaxBaudRate) {
      throw SerialError(SerialErrorKind::Unsupported,
                        "unsupported baud rate " + std::to_string(settings.baud_rate));
    }
    if (settings.byte_size < 5 || settings.byte_size > 8) {
      throw SerialError(SerialErrorKind::Unsupported,
                        "unsupported byte size " + std::to_string(settings.byte_size));
    }
    std::lock_guard<std::mutex> lock(s_->mutex);
    if (!open_) throw SerialError(SerialErrorKind::Io, s_->name + ": the port is closed", EBADF);
    s_->settings = settings;
    ++s_->configures;
    s_->dtr = settings.dtr != DtrControl::Disable;
    if (settings.rts != RtsControl::Handshake) s_->rts = settings.rts != RtsControl::Disable;
  }

  LineSettings settings() const override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    return s_->settings;
  }

  bool setup_queues(std::size_t input, std::size_t output) override { return input > 0 && output > 0; }

  void purge(unsigned flags) override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->purges.push_back(flags);
    if (flags & kPurgeRxClear) s_->input.clear();
    if ((flags & kPurgeRxAbort) && s_->rx_waiting) s_->rx_abort.set();
    if ((flags & kPurgeTxAbort) && s_->tx_waiting) s_->tx_abort.set();
    s_->update_events();
  }

  SerialWait wait_read(const Event* stop, Millis timeout) override {
    return wait_side(stop, s_->rx_abort, &s_->line_ready, s_->input_ready, s_->rx_waiting, timeout);
  }

  IoResult read(std::span<std::uint8_t> buffer) override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    if (!open_) return {IoStatus::Closed, 0, EBADF};
    std::size_t n = 0;
    while (n < buffer.size() && !s_->input.empty()) {
      const std::uint8_t b = s_->input.front();
      s_->input.pop_front();
      if (b == 0 && s_->settings.ignore_null) continue;
      buffer[n++] = b;
    }
    s_->update_events();
    if (n > 0 || buffer.empty()) return {IoStatus::Ok, n, 0};
    return {s_->hung_up ? IoStatus::Hangup : IoStatus::WouldBlock, 0, 0};
  }

  LineEvents take_line_events() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    const LineEvents out = s_->pending;
    s_->pending = {};
    s_->update_events();
    return out;
  }

  SerialWait wait_write(const Event* stop, Millis timeout) override {
    return wait_side(stop, s_->tx_abort, nullptr, s_->room_ready, s_->tx_waiting, timeout);
  }

  IoResult write(std::span<const std::uint8_t> data) override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    if (!open_) return {IoStatus::Closed, 0, EBADF};
    if (s_->hung_up) return {IoStatus::Hangup, 0, EIO};
    if (s_->write_failure != IoStatus::Ok) return {s_->write_failure, 0, EIO};
    if (data.empty()) return {IoStatus::Ok, 0, 0};
    const std::size_t n = std::min(data.size(), s_->room);
    if (n == 0) return {IoStatus::WouldBlock, 0, 0};
    if (s_->room != std::numeric_limits<std::size_t>::max()) s_->room -= n;
    s_->output.insert(s_->output.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
    s_->update_events();
    s_->output_cv.notify_all();
    return {IoStatus::Ok, n, 0};
  }

  bool set_dtr(bool on) override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->dtr = on;
    return open_;
  }
  bool set_rts(bool on) override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->rts = on;
    return open_;
  }
  ModemLines modem_lines() override { return {}; }

  QueueStatus queue_status() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    return {s_->input.size(), 0};
  }

  void close() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    if (!open_) return;
    open_ = false;
    s_->open = false;
  }

  bool is_open() const override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    return open_;
  }

private:
  SerialWait wait_side(const Event* stop, Event& abort, Event* line, Event& ready, bool& waiting,
                       Millis timeout) {
    {
      std::lock_guard<std::mutex> lock(s_->mutex);
      if (!open_) return SerialWait::Ready;
      abort.reset();
      waiting = true;
    }
    Event never;
    const int w = wait_any({stop ? stop : &never, &abort, line ? line : &never, &ready}, timeout);
    std::lock_guard<std::mutex> lock(s_->mutex);
    waiting = false;
    switch (w) {
      case 0: return SerialWait::Stop;
      case 1: abort.reset(); return SerialWait::Aborted;
      case 2: return SerialWait::LineEvent;
      case 3: return SerialWait::Ready;
      default: return SerialWait::Timeout;
    }
  }

  std::shared_ptr<FakeSerialPort::State> s_;
  bool open_ = true;  // guarded by s_->mutex
};

}  // namespace

FakeSerialPort::FakeSerialPort(std::string name) : state_(std::make_shared<State>(std::move(name))) {}
FakeSerialPort::~FakeSerialPort() = default;

const std::string& FakeSerialPort::name() const { return state_->name; }

void FakeSerialPort::push_input(std::span<const std::uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->input.insert(state_->input.end(), bytes.begin(), bytes.end());
  state_->update_events();
}

std::vector<std::uint8_t> FakeSerialPort::take_output() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  std::vector<std::uint8_t> out;
  out.swap(state_->output);
  return out;
}

std::vector<std::uint8_t> FakeSerialPort::wait_output(std::size_t count, Millis timeout) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->output_cv.wait_for(lock, timeout, [&] { return state_->output.size() >= count; });
  std::vector<std::uint8_t> out;
  out.swap(state_->output);
  return out;
}

void FakeSerialPort::raise_line_errors(std::uint32_t bits) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->pending.errors |= bits;
  state_->update_events();
}

void FakeSerialPort::raise_modem_change(std::uint32_t bits) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->pending.modem |= bits;
  state_->update_events();
}

void FakeSerialPort::hang_up() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->hung_up = true;
  state_->update_events();
}

void FakeSerialPort::set_output_room(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->room = bytes;
  state_->update_events();
}

void FakeSerialPort::give_output_room(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->room != std::numeric_limits<std::size_t>::max()) {
    state_->room = std::min(state_->room + bytes, std::numeric_limits<std::size_t>::max() - 1);
  }
  state_->update_events();
}

void FakeSerialPort::unlimit_output_room() { set_output_room(std::numeric_limits<std::size_t>::max()); }

void FakeSerialPort::fail_writes(IoStatus status) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->write_failure = status == IoStatus::WouldBlock ? IoStatus::Ok : status;
  state_->update_events();
}

void FakeSerialPort::fail_next_open(SerialErrorKind kind) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->open_failure = kind;
}

bool FakeSerialPort::is_open() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->open;
}

std::size_t FakeSerialPort::pending_input() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->input.size();
}

int FakeSerialPort::open_count() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->opens;
}

int FakeSerialPort::configure_count() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->configures;
}

LineSettings FakeSerialPort::settings() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->settings;
}

std::vector<unsigned> FakeSerialPort::purges() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->purges;
}

bool FakeSerialPort::dtr() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->dtr;
}

bool FakeSerialPort::rts() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->rts;
}

FakeSerialOpener::FakeSerialOpener() = default;
FakeSerialOpener::~FakeSerialOpener() = default;

FakeSerialPort& FakeSerialOpener::add_port(const std::string& name) {
  if (FakeSerialPort* p = port(name)) return *p;
  ports_.push_back(std::make_unique<FakeSerialPort>(name));
  return *ports_.back();
}

FakeSerialPort* FakeSerialOpener::port(const std::string& name) {
  for (auto& p : ports_) {
    if (p->name() == name) return p.get();
  }
  return nullptr;
}

void FakeSerialOpener::remove_port(const std::string& name) {
  std::erase_if(ports_, [&](const auto& p) { return p->name() == name; });
}

std::vector<std::string> FakeSerialOpener::names() const {
  std::vector<std::string> out;
  for (const auto& p : ports_) out.push_back(p->name());
  return out;
}

std::unique_ptr<SerialDevice> FakeSerialOpener::open(std::string_view name) {
  FakeSerialPort* p = port(std::string(name));
  if (!p) throw SerialError(SerialErrorKind::NotFound, std::string(name) + ": no such serial device", ENOENT);
  auto& s = p->state_;
  {
    std::lock_guard<std::mutex> lock(s->mutex);
    if (s->open_failure) {
      const SerialErrorKind kind = *s->open_failure;
      s->open_failure.reset();
      throw SerialError(kind, std::string(name) + ": open failed (simulated)");
    }
    if (s->open) throw SerialError(SerialErrorKind::Busy, std::string(name) + ": the port is in use", EBUSY);
    s->open = true;
    ++s->opens;
    s->settings = LineSettings{};
    s->dtr = true;
    s->rts = true;
  }
  return std::make_unique<FakeSerialDevice>(s);
}

}  // namespace platform::os
