// The simulator's end of a pseudo-terminal. The program under test opens the slave path as its serial
// port; the simulator reads and writes the master. A pty has one set of line settings shared by both
// ends, so the speed and format that the other side set with tcsetattr are read back here with
// tcgetattr: that is how the simulator knows the baud rate the line is "running" at.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/instrument-sim/crc16.h"

namespace instrument_sim {

struct LineSettings {
  int baud = 0;         // 0 for a speed outside the standard table
  int data_bits = 8;
  char parity = 'N';    // 'N', 'E', 'O', 'M', 'S'
  int stop_bits = 1;
};

// The termios speed constant of a baud rate, and back; 0 when there is none.
unsigned speed_constant(int baud);
int baud_of_speed(unsigned speed);

class PtyPort {
public:
  // Opens a new pty, sets it raw (no echo, no flow control, 8N1) at `baud`, and keeps a slave
  // descriptor of its own open, so that the master never sees a hang-up while the program under test
  // closes and reopens the port.
  explicit PtyPort(int baud = 9600);
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // The slave's path, which the program under test opens (/dev/pts/N).
  const std::string& path() const { return path_; }
  // Makes `link` a symbolic link to the slave (replacing an existing symbolic link, never a file);
  // the link is removed with the port.
  void create_link(const std::string& link);
  const std::string& link() const { return link_; }

  int master_fd() const { return master_; }
  // The line settings as the other side last set them.
  LineSettings line_settings() const;

  // Reads what is there, without waiting; empty when nothing is.
  Bytes read_available();
  // Waits until input is there or `timeout` ran out (real time: this is the line, not the model).
  bool wait_readable(std::chrono::milliseconds timeout) const;
  // Writes all of `bytes`; gives up when the other side does not drain the line for a second.
  // Answers how many bytes went out.
  std::size_t write_all(ByteSpan bytes);

private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::string link_;
};

}  // namespace instrument_sim
