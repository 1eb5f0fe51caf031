#include "platform/os/termios_serial.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/os/custom_baud.h"

namespace platform::os {
namespace detail {

void to_termios(const LineSettings& s, termios& t) {
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[s.byte_size - 5];
  switch (s.parity) {
    case Parity::None: break;
    case Parity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: t.c_cflag |= PARENB; break;
    case Parity::Mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case Parity::Space: t.c_cflag |= PARENB | CMSPAR; break;
  }
  if (s.stop_bits != StopBits::One) t.c_cflag |= CSTOPB;
  if (s.cts_flow || s.rts == RtsControl::Handshake) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(INPCK | IGNPAR | PARMRK | IXON | IXOFF | IXANY);
  if (s.parity_check && s.parity != Parity::None) t.c_iflag |= INPCK;
  if (s.xon_xoff_out) t.c_iflag |= IXON;
  if (s.xon_xoff_in) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = s.xon_char;
  t.c_cc[VSTOP] = s.xoff_char;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

}  // namespace detail

namespace {

struct StandardRate {
  std::uint32_t rate;
  speed_t code;
};

constexpr StandardRate kStandardRates[] = {
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400},
    {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

bool standard_rate(std::uint32_t rate, speed_t& code) {
  for (const auto& r : kStandardRates) {
    if (r.rate == rate) {
      code = r.code;
      return true;
    }
  }
  return false;
}

// Devices without modem lines or counters answer these with ENOTTY or EINVAL: that is not a failure.
bool unsupported_errno(int e) { return e == ENOTTY || e == EINVAL; }

std::string sys_text(int e) { return std::strerror(e); }

// The helper thread that waits in TIOCMIWAIT is woken for closing by a signal whose handler does
// nothing; installed once, without SA_RESTART so that the ioctl returns EINTR.
int wake_signal() {
  static const int sig = [] {
    const int s = SIGRTMAX - 2;
    struct sigaction sa {};
    sa.sa_handler = [](int) {};
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    ::sigaction(s, &sa, nullptr);
    return s;
  }();
  return sig;
}

class TermiosSerialDevice final : public SerialDevice {
public:
  TermiosSerialDevice(std::string path, int fd) : path_(std::move(path)), fd_(fd) {
    serial_icounter_struct c{};
    if (::ioctl(fd_, TIOCGICOUNT, &c) == 0) {
      has_counters_ = true;
      error_base_ = c;
      start_modem_monitor(c);
    }
  }

  ~TermiosSerialDevice() override { close(); }

  const std::string& path() const override { return path_; }

  void configure(const LineSettings& s) override {
    if (s.baud_rate < kMinBaudRate || s.baud_rate > kMaxBaudRate) {
      throw SerialError(SerialErrorKind::Unsupported, "unsupported baud rate " + std::to_string(s.baud_rate) +
                                                          " (" + std::to_string(kMinBaudRate) + " to " +
                                                          std::to_string(kMaxBaudRate) + ")");
    }
    if (s.byte_size < 5 || s.byte_size > 8) {
      throw SerialError(SerialErrorKind::Unsupported, "unsupported byte size " + std::to_string(s.byte_size));
    }
    if (static_cast<unsigned>(s.parity) > 4 || static_cast<unsigned>(s.stop_bits) > 2 ||
        static_cast<unsigned>(s.dtr) > 2 || static_cast<unsigned>(s.rts) > 3) {
      throw SerialError(SerialErrorKind::Unsupported, "line setting out of range");
    }
    const int fd = fd_.load();
    if (fd < 0) throw SerialError(SerialErrorKind::Io, path_ + ": the port is closed", EBADF);

    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
      throw SerialError(SerialErrorKind::Io, path_ + ": cannot read the line settings: " + sys_text(errno),
                        errno);
    }
    detail::to_termios(s, t);
    speed_t code = B9600;
    const bool standard = standard_rate(s.baud_rate, code);
    // Other rates keep the current one until termios2 sets them, so the line never passes through a
    // third rate.
    if (standard) {
      ::cfsetispeed(&t, code);
      ::cfsetospeed(&t, code);
    }
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
      throw SerialError(SerialErrorKind::Io, path_ + ": the line settings were refused: " + sys_text(errno),
                        errno);
    }
    if (!standard && !detail::set_custom_baud(fd, s.baud_rate)) {
      throw SerialError(SerialErrorKind::Unsupported,
                        path_ + ": the device refuses baud rate " + std::to_string(s.baud_rate), errno);
    }
    set_dtr(s.dtr != DtrControl::Disable);
    // With hardware flow control the driver drives RTS itself.
    if (s.rts != RtsControl::Handshake) set_rts(s.rts != RtsControl::Disable);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      settings_ = s;
    }
    ignore_null_.store(s.ignore_null);
  }

  LineSettings settings() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return settings_;
  }

  bool setup_queues(std::size_t input, std::size_t output) override { return input > 0 && output > 0; }

  void purge(unsigned flags) override {
    const int fd = fd_.load();
    if (fd >= 0) {
      if ((flags & kPurgeRxClear) && (flags & kPurgeTxClear)) {
        ::tcflush(fd, TCIOFLUSH);
      } else if (flags & kPurgeRxClear) {
        ::tcflush(fd, TCIFLUSH);
      } else if (flags & kPurgeTxClear) {
        ::tcflush(fd, TCOFLUSH);
      }
    }
    // An abort reaches only a wait in progress, as it cancels only pending operations.
    if ((flags & kPurgeRxAbort) && rx_waiting_.load()) rx_abort_.set();
    if ((flags & kPurgeTxAbort) && tx_waiting_.load()) tx_abort_.set();
  }

  SerialWait wait_read(const Event* stop, Millis timeout) override {
    rx_abort_.reset();
    rx_waiting_.store(true);
    const SerialWait w = wait_side(stop, rx_abort_, &line_event_, POLLIN, timeout);
    rx_waiting_.store(false);
    if (w == SerialWait::Ready && has_counters_ && note_line_errors()) return SerialWait::LineEvent;
    return w;
  }

  IoResult read(std::span<std::uint8_t> buffer) override {
    for (;;) {
      const int fd = fd_.load();
      if (fd < 0) return {IoStatus::Closed, 0, EBADF};
      if (buffer.empty()) return {IoStatus::Ok, 0, 0};
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n > 0) {
        std::size_t count = static_cast<std::size_t>(n);
        if (ignore_null_.load()) {
          std::size_t kept = 0;
          for (std::size_t i = 0; i < count; ++i) {
            if (buffer[i] != 0) buffer[kept++] = buffer[i];
          }
          count = kept;
          if (count == 0) continue;  // only zero bytes: read what follows them
        }
        return {IoStatus::Ok, count, 0};
      }
      // End of file on a terminal: the other end of a pseudo-terminal is gone.
      if (n == 0) return {IoStatus::Hangup, 0, 0};
      const int e = errno;
      if (e == EINTR) continue;
      return failure(e);
    }
  }

  LineEvents take_line_events() override {
    std::lock_guard<std::mutex> lock(mutex_);
    const LineEvents out = pending_;
    pending_ = {};
    line_event_.reset();
    return out;
  }

  SerialWait wait_write(const Event* stop, Millis timeout) override {
    tx_abort_.reset();
    tx_waiting_.store(true);
    const SerialWait w = wait_side(stop, tx_abort_, nullptr, POLLOUT, timeout);
    tx_waiting_.store(false);
    return w;
  }

  IoResult write(std::span<const std::uint8_t> data) override {
    for (;;) {
      const int fd = fd_.load();
      if (fd < 0) return {IoStatus::Closed, 0, EBADF};
      if (data.empty()) return {IoStatus::Ok, 0, 0};
      const ssize_t n = ::write(fd, data.data(), data.size());
      if (n >= 0) return {IoStatus::Ok, static_cast<std::size_t>(n), 0};
      const int e = errno;
      if (e == EINTR) continue;
      return failure(e);
    }
  }

  bool set_dtr(bool on) override { return set_line(TIOCM_DTR, on); }
  bool set_rts(bool on) override { return set_line(TIOCM_RTS, on); }

  ModemLines modem_lines() override {
    ModemLines m;
    int bits = 0;
    const int fd = fd_.load();
    if (fd >= 0 && ::ioctl(fd, TIOCMGET, &bits) == 0) {
      m.cts = bits & TIOCM_CTS;
      m.dsr = bits & TIOCM_DSR;
      m.ring = bits & TIOCM_RNG;
      m.carrier = bits & TIOCM_CAR;
    }
    return m;
  }

  QueueStatus queue_status() override {
    QueueStatus q;
    int n = 0;
    const int fd = fd_.load();
    if (fd < 0) return q;
    if (::ioctl(fd, FIONREAD, &n) == 0 && n > 0) q.input = static_cast<std::size_t>(n);
    n = 0;
    if (::ioctl(fd, TIOCOUTQ, &n) == 0 && n > 0) q.output = static_cast<std::size_t>(n);
    return q;
  }

  void close() override {
    stop_modem_monitor();
    const int fd = fd_.exchange(-1);
    if (fd < 0) return;
    // Leave the terminal open to others again (the exclusive flag outlives this descriptor while
    // another one, such as a test's own, keeps the terminal open).
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
  }

  bool is_open() const override { return fd_.load() >= 0; }

private:
  static IoResult failure(int e) {
    if (e == EAGAIN || e == EWOULDBLOCK) return {IoStatus::WouldBlock, 0, 0};
    if (e == EIO || e == ENXIO || e == ENODEV || e == EPIPE) return {IoStatus::Hangup, 0, e};
    if (e == EBADF) return {IoStatus::Closed, 0, e};
    return {IoStatus::Error, 0, e};
  }

  SerialWait wait_side(const Event* stop, Event& abort, const Event* line, short events, Millis timeout) {
    const int fd = fd_.load();
    if (fd < 0) return SerialWait::Ready;  // the next read or write reports Closed
    pollfd fds[4];
    nfds_t n = 0;
    const nfds_t stop_at = stop ? n++ : 99;
    if (stop) fds[stop_at] = {stop->fd(), POLLIN, 0};
    const nfds_t abort_at = n++;
    fds[abort_at] = {abort.fd(), POLLIN, 0};
    const nfds_t line_at = line ? n++ : 99;
    if (line) fds[line_at] = {line->fd(), POLLIN, 0};
    const nfds_t dev_at = n++;
    fds[dev_at] = {fd, events, 0};
    const int r = poll_retry(fds, n, timeout);
    if (r < 0) return SerialWait::Ready;  // only EINVAL/ENOMEM remain; the I/O call reports the state
    if (r == 0) return SerialWait::Timeout;
    if (stop && (fds[stop_at].revents & POLLIN)) return SerialWait::Stop;
    if (fds[abort_at].revents & POLLIN) {
      abort.reset();
      return SerialWait::Aborted;
    }
    if (line && (fds[line_at].revents & POLLIN)) return SerialWait::LineEvent;
    return SerialWait::Ready;  // readable/writable, hung up, in error or closed: the I/O call tells
  }

  // Compares the driver's error counters with the last ones seen; true when new errors were noted.
  bool note_line_errors() {
    serial_icounter_struct c{};
    const int fd = fd_.load();
    if (fd < 0 || ::ioctl(fd, TIOCGICOUNT, &c) != 0) return false;
    std::uint32_t errors = 0;
    if (c.buf_overrun != error_base_.buf_overrun) errors |= kLineErrorRxOverflow;
    if (c.overrun != error_base_.overrun) errors |= kLineErrorOverrun;
    if (c.parity != error_base_.parity) errors |= kLineErrorParity;
    if (c.frame != error_base_.frame) errors |= kLineErrorFrame;
    if (c.brk != error_base_.brk) errors |= kLineErrorBreak;
    error_base_ = c;
    if (errors == 0) return false;
    add_events(errors, 0);
    return true;
  }

  void add_events(std::uint32_t errors, std::uint32_t modem) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.errors |= errors;
    pending_.modem |= modem;
    line_event_.set();
  }

  bool set_line(int bit, bool on) {
    const int fd = fd_.load();
    if (fd < 0) return false;
    if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) return true;
    return unsupported_errno(errno);
  }

  void start_modem_monitor(const serial_icounter_struct& start) {
    const int sig = wake_signal();
    monitor_ = std::thread([this, start, sig] {
      sigset_t set;
      sigemptyset(&set);
      sigaddset(&set, sig);
      ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
      serial_icounter_struct last = start;
      while (!monitor_stop_.load()) {
        const int fd = fd_.load();
        if (fd < 0 || ::ioctl(fd, TIOCMIWAIT, TIOCM_CD | TIOCM_RNG) != 0) {
          if (errno == EINTR) continue;
          break;  // the device went away; the reader sees that on its own
        }
        serial_icounter_struct c{};
        if (::ioctl(fd, TIOCGICOUNT, &c) != 0) break;
        std::uint32_t modem = 0;
        if (c.dcd != last.dcd) modem |= kModemCarrierChanged;
        if (c.rng != last.rng) modem |= kModemRing;
        last = c;
        if (modem) add_events(0, modem);
      }
      std::lock_guard<std::mutex> lock(monitor_mutex_);
      monitor_done_ = true;
      monitor_cv_.notify_all();
    });
  }

  void stop_modem_monitor() {
    if (!monitor_.joinable()) return;
    monitor_stop_.store(true);
    // The signal can land just before the thread enters the ioctl; repeat it until the thread is out.
    std::unique_lock<std::mutex> lock(monitor_mutex_);
    while (!monitor_done_) {
      ::pthread_kill(monitor_.native_handle(), wake_signal());
      monitor_cv_.wait_for(lock, std::chrono::milliseconds(20));
    }
    lock.unlock();
    monitor_.join();
  }

  const std::string path_;
  std::atomic<int> fd_;
  mutable std::mutex mutex_;
  LineSettings settings_;
  LineEvents pending_;
  std::atomic<bool> ignore_null_{false};
  Event line_event_;
  Event rx_abort_;
  Event tx_abort_;
  std::atomic<bool> rx_waiting_{false};
  std::atomic<bool> tx_waiting_{false};
  bool has_counters_ = false;
  serial_icounter_struct error_base_{};
  std::thread monitor_;
  std::atomic<bool> monitor_stop_{false};
  std::mutex monitor_mutex_;
  std::condition_variable monitor_cv_;
  bool monitor_done_ = false;
};

[[noreturn]] void throw_open_error(const std::string& path, int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case EIO:
      throw SerialError(SerialErrorKind::NotFound, path + ": no such serial device (" + sys_text(e) + ")", e);
    case EACCES:
    case EPERM:
    case EROFS: throw SerialError(SerialErrorKind::AccessDenied, path + ": permission denied", e);
    case EBUSY: throw SerialError(SerialErrorKind::Busy, path + ": the port is in use", e);
    case EISDIR: throw SerialError(SerialErrorKind::NotSerial, path + ": not a serial device", e);
    default: throw SerialError(SerialErrorKind::Io, path + ": cannot open: " + sys_text(e), e);
  }
}

}  // namespace

std::unique_ptr<SerialDevice> TermiosSerialOpener::open(std::string_view name) {
  const std::string path = serial_device_path(name);
  if (name.empty()) throw SerialError(SerialErrorKind::NotFound, "no serial port name given");
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw_open_error(path, errno);

  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || !::isatty(fd)) {
    ::close(fd);
    throw SerialError(SerialErrorKind::NotSerial, path + ": not a serial device");
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    ::close(fd);
    if (e == EWOULDBLOCK) throw SerialError(SerialErrorKind::Busy, path + ": the port is in use", e);
    throw SerialError(SerialErrorKind::Io, path + ": cannot lock the port: " + sys_text(e), e);
  }
  // Keeps out programs that do not lock (not root, which is what the lock is for).
  ::ioctl(fd, TIOCEXCL);

  auto device = std::make_unique<TermiosSerialDevice>(path, fd);
  device->configure(LineSettings{});
  return device;
}

}  // namespace platform::os
