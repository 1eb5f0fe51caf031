// A private Xvfb server for tests that show real windows: it picks a free display itself
// (-displayfd), listens on no TCP port and is ended when the object goes. Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <string>

namespace core::testing {

// A child process that is sent SIGTERM and reaped when the object goes.
struct ChildProcess {
  pid_t pid = -1;
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();
};

// Reads one line (without its '\n') from `fd`, waiting at most `ms` milliseconds for each byte.
bool ReadLineWithin(int fd, std::string* line, int ms);

class PrivateXvfb {
public:
  // Starts Xvfb with screen 0 of `screen` ("1024x768x24") when it is installed and waits up to 20 s
  // for it to name its display.
  explicit PrivateXvfb(const std::string& screen);

  bool installed() const { return !program_.empty(); }
  // Whether the server process could be created (pipe and fork worked).
  bool launched() const { return launched_; }
  // Whether the server named its display and so accepts clients.
  bool started() const { return !display_.empty(); }
  // ":N", empty unless started.
  const std::string& display() const { return display_; }

private:
  std::string program_;
  bool launched_ = false;
  std::string display_;
  ChildProcess server_;
};

}  // namespace core::testing
