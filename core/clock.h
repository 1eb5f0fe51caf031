// The clock seam: wall time, monotonic time and sleeping go through one process-wide object, so
// that tests run on a virtual clock and never wait in real time.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace core {

using WallTime = std::chrono::system_clock::time_point;
using Millis = std::chrono::milliseconds;

class Clock {
public:
  virtual ~Clock() = default;
  virtual WallTime now() = 0;
  // Milliseconds since an arbitrary fixed start; never goes backwards.
  virtual Millis monotonic() = 0;
  virtual void sleep(Millis duration) = 0;
};

class RealClock final : public Clock {
public:
  WallTime now() override;
  Millis monotonic() override;
  void sleep(Millis duration) override;
};

// Time moves only when a test advances it or when code sleeps on it. A hook, when set, runs after
// each advance, on the advancing thread (the window system uses it to fire due timers).
class VirtualClock final : public Clock {
public:
  explicit VirtualClock(WallTime start = WallTime{} + std::chrono::hours(24 * 365 * 56));
  WallTime now() override;
  Millis monotonic() override;
  void sleep(Millis duration) override;

  void advance(Millis duration);
  void set_wall(WallTime t);
  void set_advance_hook(std::function<void(Millis)> hook);
  // Total time slept through sleep() (not through advance()).
  Millis slept() const;

private:
  mutable std::mutex mutex_;
  WallTime wall_;
  Millis mono_{0};
  Millis slept_{0};
  std::function<void(Millis)> hook_;
};

// The process-wide clock: a RealClock unless a test installed another.
Clock& current_clock();
// Installs `c` (not owned) as the process-wide clock; nullptr restores the real clock.
void set_clock(Clock* c);

// Installs a clock for the lifetime of a scope.
class ScopedClock {
public:
  explicit ScopedClock(Clock& c);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

private:
  Clock* previous_;
};

inline void sleep_ms(std::int64_t ms) { current_clock().sleep(Millis(ms)); }
// The platform's tick count: monotonic milliseconds, wrapping at 2^32.
inline std::uint32_t tick_count() { return static_cast<std::uint32_t>(current_clock().monotonic().count()); }

// A wall time broken into local calendar fields.
struct LocalTime {
  int year = 1970;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int day_of_week = 4;  // 0 = Sunday
};

LocalTime to_local(WallTime t);
// Local calendar fields to a wall time (fields out of range are normalised as mktime does).
WallTime from_local(const LocalTime& lt);
inline LocalTime local_now() { return to_local(current_clock().now()); }

}  // namespace core
