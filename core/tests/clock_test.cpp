#include "core/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace core;
using namespace std::chrono_literals;

TEST(VirtualClock, SleepAdvancesTimeWithoutWaiting) {
  VirtualClock vc;
  ScopedClock scope(vc);
  auto real_start = std::chrono::steady_clock::now();
  WallTime wall = current_clock().now();
  Millis mono = current_clock().monotonic();
  std::uint32_t ticks = tick_count();

  sleep_ms(3600 * 1000);  // an hour
  current_clock().sleep(30ms);

  EXPECT_EQ(current_clock().monotonic() - mono, 3600030ms);
  EXPECT_EQ(current_clock().now() - wall, 3600030ms);
  EXPECT_EQ(tick_count() - ticks, 3600030u);
  EXPECT_EQ(vc.slept(), 3600030ms);
  EXPECT_LT(std::chrono::steady_clock::now() - real_start, 1s);
}

TEST(VirtualClock, HookSeesEachAdvance) {
  VirtualClock vc;
  Millis seen{0};
  int calls = 0;
  vc.set_advance_hook([&](Millis d) {
    seen += d;
    ++calls;
  });
  vc.advance(10ms);
  vc.sleep(5ms);
  vc.sleep(0ms);  // no time passes, no call
  EXPECT_EQ(seen, 15ms);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(vc.slept(), 5ms);
}

TEST(VirtualClock, ScopedClockRestoresThePrevious) {
  Clock* real = &current_clock();
  {
    VirtualClock vc;
    ScopedClock scope(vc);
    EXPECT_EQ(&current_clock(), &vc);
  }
  EXPECT_EQ(&current_clock(), real);
}

TEST(LocalTime, RoundTripsCalendarFields) {
  LocalTime lt;
  lt.year = 2026;
  lt.month = 12;
  lt.day = 10;
  lt.hour = 13;
  lt.minute = 54;
  lt.second = 7;
  lt.millisecond = 250;
  LocalTime back = to_local(from_local(lt));
  EXPECT_EQ(back.year, 2026);
  EXPECT_EQ(back.month, 12);
  EXPECT_EQ(back.day, 10);
  EXPECT_EQ(back.hour, 13);
  EXPECT_EQ(back.minute, 54);
  EXPECT_EQ(back.second, 7);
  EXPECT_EQ(back.millisecond, 250);
  EXPECT_EQ(back.day_of_week, 4);  // a Thursday
}

}  // namespace
