// A manual-reset event on an eventfd: set() wakes every waiter and stays set until reset(). Threads
// wait on several events (and on device descriptors) at once through poll, so nothing polls in a loop.
#pragma once

#include <chrono>
#include <initializer_list>

namespace platform::os {

using Millis = std::chrono::milliseconds;
// A time-out that never expires.
inline constexpr Millis kInfinite{-1};

class Event {
public:
  // Throws core::Error when the kernel refuses a new eventfd (descriptor limit reached).
  explicit Event(bool initially_set = false);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // Thread-safe; setting a set event or resetting a clear one changes nothing.
  void set();
  void reset();
  bool is_set() const;

  // Readable (POLLIN) exactly while the event is set.
  int fd() const { return fd_; }

private:
  int fd_ = -1;
};

// Waits until one of `events` is set or `timeout` passes. Returns the index of the first set event in
// the order given (so the caller decides which one wins when several are set), -1 on time-out.
// Interrupted system calls are resumed with the remaining time.
int wait_any(std::initializer_list<const Event*> events, Millis timeout = kInfinite);

}  // namespace platform::os

struct pollfd;
namespace platform::os {
// poll() on `fds` for `timeout`, resumed after EINTR with the time that is left; returns poll's result.
int poll_retry(::pollfd* fds, unsigned long count, Millis timeout);
}  // namespace platform::os
