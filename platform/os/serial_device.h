// Serial devices: an open line with its settings, waits and non-blocking I/O.
//
// A SerialDevice is made for a component that runs one read thread, one write thread and a control
// (GUI) thread on the same line. Sketch of the two workers:
//
//   Read thread: blocks of at most 1024 bytes; a gap longer than the read interval ends a block.
//     for (;;) {
//       switch (dev.wait_read(&stop, kInfinite)) {
//         case SerialWait::Stop: return;                                   // quiet end
//         case SerialWait::LineEvent: post(dev.take_line_events()); continue;
//         case SerialWait::Aborted: case SerialWait::Timeout: continue;    // as the component decides
//         case SerialWait::Ready: break;
//       }
//       IoResult r = dev.read({block, 1024});
//       if (r.status == IoStatus::Closed) return;                          // quiet end
//       if (r.status == IoStatus::Hangup || r.status == IoStatus::Error) { post_hangup(); return; }
//       std::size_t n = r.count;                                           // 0 on WouldBlock
//       while (n > 0 && n < 1024 && dev.wait_read(&stop, interval) == SerialWait::Ready) {
//         r = dev.read({block + n, 1024 - n});
//         if (r.status != IoStatus::Ok) break;                             // seen again next round
//         n += r.count;
//       }
//       if (n > 0) post(block, n);
//     }
//
//   Write thread: blocks taken from a queue whose Event `queued` is set while it holds any.
//     for (;;) {
//       if (wait_any({&stop, &queued}) == 0) return;
//       ... take a block ...
//       WriteOutcome o = write_all(dev, block, stop);
//       if (o.status == WriteStatus::Stopped || o.status == WriteStatus::Closed) return;  // quiet end
//       if (o.status != WriteStatus::Complete) { post_hangup(); return; }
//     }
//
// A pseudo-terminal whose other end closed reads as IoStatus::Hangup (after any bytes still queued) and
// writes as Hangup, so a worker ends instead of waking for ever on a dead line.
//
// Threading: wait_read, read and take_line_events belong to one reader thread; wait_write and write to
// one writer thread; configure, purge, the modem-line calls and the status queries may come from any
// thread at any time. close() (and the destructor) must come only after both workers have left the
// device, which the stop event arranges: set it, join the workers, then close.
//
// Waits never spin: each blocks in one poll over the device, the caller's stop event and the device's own
// events, and returns at once when any of them is ready.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/error.h"
#include "platform/os/event.h"

namespace platform::os {

enum class Parity : std::uint8_t { None, Odd, Even, Mark, Space };
// 1.5 stop bits have no Linux equivalent and are sent as 2.
enum class StopBits : std::uint8_t { One, OneAndHalf, Two };
enum class DtrControl : std::uint8_t { Enable, Disable, Handshake };
enum class RtsControl : std::uint8_t { Enable, Disable, Handshake, Toggle };

// Lowest and highest line rate a device accepts; rates between the standard ones are set exactly where the
// driver supports arbitrary rates.
inline constexpr std::uint32_t kMinBaudRate = 1200;
inline constexpr std::uint32_t kMaxBaudRate = 1000000;

struct LineSettings {
  std::uint32_t baud_rate = 9600;
  std::uint8_t byte_size = 8;  // data bits, 5..8
  Parity parity = Parity::None;
  StopBits stop_bits = StopBits::One;
  bool parity_check = false;  // check parity of received bytes; a byte in error reads as 0
  bool cts_flow = false;      // output waits for CTS (hardware flow control, both directions on Linux)
  DtrControl dtr = DtrControl::Enable;  // Handshake keeps DTR on: the kernel has no DTR/DSR flow control
  RtsControl rts = RtsControl::Enable;  // Handshake = hardware flow control; Toggle keeps RTS on
  bool xon_xoff_out = false;            // output stops on XOFF, resumes on XON
  bool xon_xoff_in = false;             // the driver sends XOFF/XON as its input queue fills and drains
  bool ignore_null = false;             // read() drops received zero bytes
  std::uint8_t xon_char = 17;
  std::uint8_t xoff_char = 19;
  // Kept so that settings read back as set; the kernel offers nothing that applies them: DSR-driven
  // output flow and input gating, the choice of replacement byte for parity errors (it is always 0),
  // going on after XOFF, and the queue thresholds for XON/XOFF (the driver picks its own).
  bool dsr_flow = false;
  bool dsr_sensitivity = false;
  bool tx_continue_on_xoff = true;
  bool replace_parity_errors = false;
  std::uint8_t error_char = 0;
  std::uint16_t xon_limit = 10;
  std::uint16_t xoff_limit = 10;

  bool operator==(const LineSettings&) const = default;
};

// Line-error flags that take_line_events() reports, with the values the serial component passes on.
inline constexpr std::uint32_t kLineErrorRxOverflow = 0x0001;  // the driver's input queue overflowed
inline constexpr std::uint32_t kLineErrorOverrun = 0x0002;     // the UART dropped a byte
inline constexpr std::uint32_t kLineErrorParity = 0x0004;
inline constexpr std::uint32_t kLineErrorFrame = 0x0008;
inline constexpr std::uint32_t kLineErrorBreak = 0x0010;
// Modem-line changes that take_line_events() reports.
inline constexpr std::uint32_t kModemRing = 4;
inline constexpr std::uint32_t kModemCarrierChanged = 8;

struct LineEvents {
  std::uint32_t errors = 0;  // kLineError* bits seen since the last take
  std::uint32_t modem = 0;   // kModem* bits seen since the last take
  bool empty() const { return errors == 0 && modem == 0; }
};

// Purge flags; an abort wakes a wait of that side with SerialWait::Aborted, a clear discards the driver's
// queued bytes of that side.
inline constexpr unsigned kPurgeTxAbort = 0x1;
inline constexpr unsigned kPurgeRxAbort = 0x2;
inline constexpr unsigned kPurgeTxClear = 0x4;
inline constexpr unsigned kPurgeRxClear = 0x8;

enum class SerialWait {
  Stop,       // the caller's stop event is set (checked first, so it wins over everything else)
  Aborted,    // purge() with an abort flag for this side; reported once
  LineEvent,  // take_line_events() has something (read side only; comes before Ready)
  Ready,      // read() or write() will not block; also when the peer hung up, which read/write report
  Timeout,
};

enum class IoStatus {
  Ok,          // count bytes moved (never 0 for a read)
  WouldBlock,  // nothing to read, or no room in the driver's output queue
  Hangup,      // the device went away or the other end of a pty closed
  Closed,      // the device was closed under the call
  Error,       // any other failure; error holds errno
};

struct IoResult {
  IoStatus status = IoStatus::Ok;
  std::size_t count = 0;
  int error = 0;
};

struct ModemLines {
  bool cts = false;
  bool dsr = false;
  bool ring = false;
  bool carrier = false;
};

struct QueueStatus {
  std::size_t input = 0;   // bytes received and not yet read
  std::size_t output = 0;  // bytes written and not yet sent
};

enum class SerialErrorKind {
  NotFound,      // no such device
  Busy,          // opened by another process, or by this one through another handle
  AccessDenied,  // no permission to open it
  NotSerial,     // exists but is no character device or no terminal
  Unsupported,   // a setting the device cannot take (rate, byte size)
  Io,            // any other failure of the system
};

class SerialError : public core::Error {
public:
  SerialError(SerialErrorKind kind, const std::string& message, int sys_error = 0)
      : core::Error(message), kind_(kind), sys_error_(sys_error) {}
  SerialErrorKind kind() const noexcept { return kind_; }
  int sys_error() const noexcept { return sys_error_; }

private:
  SerialErrorKind kind_;
  int sys_error_;
};

class SerialDevice {
public:
  virtual ~SerialDevice() = default;

  // The path the device was opened by.
  virtual const std::string& path() const = 0;

  // Applies all settings at once; throws SerialError(Unsupported) for a rate outside
  // kMinBaudRate..kMaxBaudRate, a byte size outside 5..8 or an enumeration out of range (the line is
  // then left as it was), SerialError(Io) when the driver refuses them.
  virtual void configure(const LineSettings& settings) = 0;
  virtual LineSettings settings() const = 0;

  // Driver queue sizes are the kernel's own; the request is accepted (false only for a size of 0).
  virtual bool setup_queues(std::size_t input, std::size_t output) = 0;
  // kPurge* flags.
  virtual void purge(unsigned flags) = 0;

  // Waits for the read side: see SerialWait. `stop` may be null. `timeout` kInfinite waits for ever.
  virtual SerialWait wait_read(const Event* stop, Millis timeout) = 0;
  // Reads what is there, at most buffer.size() bytes, without blocking.
  virtual IoResult read(std::span<std::uint8_t> buffer) = 0;
  // Line errors and modem changes since the last call; clears them.
  virtual LineEvents take_line_events() = 0;

  // Waits for room in the output queue (or the stop event, an abort, the time-out).
  virtual SerialWait wait_write(const Event* stop, Millis timeout) = 0;
  // Writes as much as the output queue takes, without blocking.
  virtual IoResult write(std::span<const std::uint8_t> data) = 0;

  // Modem control lines. On devices without them (pseudo-terminals) setting is ignored and succeeds;
  // false only when a device that has them refuses.
  virtual bool set_dtr(bool on) = 0;
  virtual bool set_rts(bool on) = 0;
  virtual ModemLines modem_lines() = 0;
  virtual QueueStatus queue_status() = 0;

  // Releases the device; later calls report IoStatus::Closed. Called by the destructor as well.
  virtual void close() = 0;
  virtual bool is_open() const = 0;
};

enum class WriteStatus { Complete, Stopped, Aborted, Hangup, Closed, Error };

struct WriteOutcome {
  WriteStatus status = WriteStatus::Complete;
  std::size_t written = 0;  // bytes the driver accepted before the outcome
  int error = 0;
};

// Writes the whole block, waiting for room in the output queue as often as needed. Complete means the
// driver took every byte; Stopped means `stop` was set first (checked before every wait).
WriteOutcome write_all(SerialDevice& device, std::span<const std::uint8_t> data, const Event& stop);

// Opens serial devices by name. A name without '/' is a device under /dev ("ttyUSB0" ->
// "/dev/ttyUSB0"); a name with '/' is a path, symbolic links followed.
class SerialOpener {
public:
  virtual ~SerialOpener() = default;
  // Throws SerialError: NotFound, Busy, AccessDenied, NotSerial or Io. The device is open exclusively
  // (a second open fails with Busy, also for root), in raw mode with the default LineSettings applied.
  virtual std::unique_ptr<SerialDevice> open(std::string_view name) = 0;
};

// The device path for a port name, by the rule above.
std::string serial_device_path(std::string_view name);

}  // namespace platform::os
