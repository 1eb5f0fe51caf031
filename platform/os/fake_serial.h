// The test double of the serial devices: ports that live in memory, with a far end the test drives.
//
// A FakeSerialPort stands for one device and its cable: the test pushes the bytes the device receives,
// reads what it sent, raises line errors and modem changes (which real pseudo-terminals cannot), limits
// the room in the output queue, hangs the line up, and looks at the settings, purges and modem lines the
// code under test applied. Waits block on real eventfds exactly as on a real device, so thread code runs
// unchanged and nothing sleeps.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/os/serial_device.h"

namespace platform::os {

class FakeSerialPort {
public:
  explicit FakeSerialPort(std::string name);
  ~FakeSerialPort();
  FakeSerialPort(const FakeSerialPort&) = delete;
  FakeSerialPort& operator=(const FakeSerialPort&) = delete;

  const std::string& name() const;

  // The far end.
  void push_input(std::span<const std::uint8_t> bytes);
  // Everything written so far, removed from the port.
  std::vector<std::uint8_t> take_output();
  // Blocks until at least `count` bytes were written (or `timeout` passes), then takes them all.
  std::vector<std::uint8_t> wait_output(std::size_t count, Millis timeout);
  void raise_line_errors(std::uint32_t kLineError_bits);
  void raise_modem_change(std::uint32_t kModem_bits);
  // From now on reads report the bytes still queued, then IoStatus::Hangup; writes report Hangup.
  void hang_up();
  // Writes accept at most `bytes` more bytes, then WouldBlock until room is given again.
  void set_output_room(std::size_t bytes);
  void give_output_room(std::size_t bytes);
  // Unlimited room (the default).
  void unlimit_output_room();
  // Writes fail with this status (Error carries EIO) until cleared with IoStatus::Ok.
  void fail_writes(IoStatus status);
  // The next open of this port throws SerialError of this kind.
  void fail_next_open(SerialErrorKind kind);

  // What the code under test did.
  bool is_open() const;
  // Received bytes the device has not read yet.
  std::size_t pending_input() const;
  int open_count() const;
  int configure_count() const;
  LineSettings settings() const;
  std::vector<unsigned> purges() const;
  bool dtr() const;
  bool rts() const;

  // Shared by the port and the device opened on it; internal to the double.
  struct State;

private:
  friend class FakeSerialOpener;
  std::shared_ptr<State> state_;
};

class FakeSerialOpener final : public SerialOpener {
public:
  FakeSerialOpener();
  ~FakeSerialOpener() override;

  // Adds a port that open() finds under `name` (exactly as given; the path rule of the real devices does
  // not apply). The port lives as long as the opener.
  FakeSerialPort& add_port(const std::string& name);
  FakeSerialPort* port(const std::string& name);
  void remove_port(const std::string& name);
  // Names of the ports in the order added.
  std::vector<std::string> names() const;

  // Unknown names throw NotFound, an open port Busy; otherwise as a real device would.
  std::unique_ptr<SerialDevice> open(std::string_view name) override;

private:
  std::vector<std::unique_ptr<FakeSerialPort>> ports_;
};

}  // namespace platform::os
