#include "platform/os/event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/error.h"

namespace platform::os {

Event::Event(bool initially_set) {
  fd_ = ::eventfd(initially_set ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd_ < 0) throw core::Error(std::string("cannot create an event: ") + std::strerror(errno));
}

Event::~Event() {
  if (fd_ >= 0) ::close(fd_);
}

void Event::set() {
  const std::uint64_t one = 1;
  // The counter only saturates after 2^64-2 sets; EAGAIN then still leaves the event set.
  while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void Event::reset() {
  std::uint64_t value = 0;
  // A non-semaphore eventfd read returns the whole counter and zeroes it; EAGAIN means already clear.
  while (::read(fd_, &value, sizeof value) < 0 && errno == EINTR) {
  }
}

bool Event::is_set() const {
  pollfd p{fd_, POLLIN, 0};
  return poll_retry(&p, 1, Millis(0)) > 0 && (p.revents & POLLIN);
}

int poll_retry(pollfd* fds, unsigned long count, Millis timeout) {
  using Steady = std::chrono::steady_clock;
  const bool infinite = timeout.count() < 0;
  const auto deadline = Steady::now() + (infinite ? Millis(0) : timeout);
  int wait_ms = infinite ? -1 : static_cast<int>(timeout.count());
  for (;;) {
    const int n = ::poll(fds, count, wait_ms);
    if (n >= 0 || errno != EINTR) return n;
    if (!infinite) {
      const auto left = std::chrono::duration_cast<Millis>(deadline - Steady::now()).count();
      wait_ms = left > 0 ? static_cast<int>(left) : 0;
    }
  }
}

int wait_any(std::initializer_list<const Event*> events, Millis timeout) {
  std::vector<pollfd> fds;
  fds.reserve(events.size());
  for (const Event* e : events) fds.push_back(pollfd{e->fd(), POLLIN, 0});
  const int n = poll_retry(fds.data(), fds.size(), timeout);
  if (n < 0) throw core::Error(std::string("waiting for events failed: ") + std::strerror(errno));
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].revents & POLLIN) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace platform::os
