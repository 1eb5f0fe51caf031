#include "core/clock.h"

#include <atomic>
#include <ctime>
#include <thread>

namespace core {

WallTime RealClock::now() { return std::chrono::system_clock::now(); }

Millis RealClock::monotonic() {
  return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now().time_since_epoch());
}

void RealClock::sleep(Millis duration) {
  if (duration.count() > 0) std::this_thread::sleep_for(duration);
}

VirtualClock::VirtualClock(WallTime start) : wall_(start) {}

WallTime VirtualClock::now() {
  std::lock_guard lock(mutex_);
  return wall_;
}

Millis VirtualClock::monotonic() {
  std::lock_guard lock(mutex_);
  return mono_;
}

void VirtualClock::sleep(Millis duration) {
  {
    std::lock_guard lock(mutex_);
    if (duration.count() > 0) slept_ += duration;
  }
  advance(duration);
}

void VirtualClock::advance(Millis duration) {
  std::function<void(Millis)> hook;
  {
    std::lock_guard lock(mutex_);
    if (duration.count() <= 0) return;
    wall_ += duration;
    mono_ += duration;
    hook = hook_;
  }
  if (hook) hook(duration);
}

void VirtualClock::set_wall(WallTime t) {
  std::lock_guard lock(mutex_);
  wall_ = t;
}

void VirtualClock::set_advance_hook(std::function<void(Millis)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

Millis VirtualClock::slept() const {
  std::lock_guard lock(mutex_);
  return slept_;
}

namespace {
RealClock g_real_clock;
std::atomic<Clock*> g_clock{&g_real_clock};
}  // namespace

Clock& current_clock() { return *g_clock.load(std::memory_order_acquire); }

void set_clock(Clock* c) { g_clock.store(c ? c : &g_real_clock, std::memory_order_release); }

ScopedClock::ScopedClock(Clock& c) : previous_(&current_clock()) { set_clock(&c); }
ScopedClock::~ScopedClock() { set_clock(previous_); }

LocalTime to_local(WallTime t) {
  auto since = t.time_since_epoch();
  auto secs = std::chrono::floor<std::chrono::seconds>(since);
  std::time_t tt = static_cast<std::time_t>(secs.count());
  std::tm tm{};
  localtime_r(&tt, &tm);
  LocalTime lt;
  lt.year = tm.tm_year + 1900;
  lt.month = tm.tm_mon + 1;
  lt.day = tm.tm_mday;
  lt.hour = tm.tm_hour;
  lt.minute = tm.tm_min;
  lt.second = tm.tm_sec;
  lt.millisecond = static_cast<int>(std::chrono::duration_cast<Millis>(since - secs).count());
  lt.day_of_week = tm.tm_wday;
  return lt;
}

WallTime from_local(const LocalTime& lt) {
  std::tm tm{};
  tm.tm_year = lt.year - 1900;
  tm.tm_mon = lt.month - 1;
  tm.tm_mday = lt.day;
  tm.tm_hour = lt.hour;
  tm.tm_min = lt.minute;
  tm.tm_sec = lt.second;
  tm.tm_isdst = -1;
  std::time_t tt = std::mktime(&tm);
  return std::chrono::system_clock::from_time_t(tt) + Millis(lt.millisecond);
}

}  // namespace core
