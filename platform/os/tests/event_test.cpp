#include "platform/os/event.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace platform::os {
namespace {

TEST(Event, ManualResetKeepsStateUntilReset) {
  Event e;
  EXPECT_FALSE(e.is_set());
  e.set();
  e.set();
  EXPECT_TRUE(e.is_set());
  EXPECT_TRUE(e.is_set());  // looking does not consume it
  e.reset();
  EXPECT_FALSE(e.is_set());
  e.reset();
  EXPECT_FALSE(e.is_set());
  Event initially(true);
  EXPECT_TRUE(initially.is_set());
}

TEST(Event, WaitAnyReportsFirstSetInCallerOrder) {
  Event a, b;
  EXPECT_EQ(wait_any({&a, &b}, Millis(0)), -1);
  b.set();
  EXPECT_EQ(wait_any({&a, &b}, Millis(0)), 1);
  a.set();
  EXPECT_EQ(wait_any({&a, &b}, Millis(0)), 0);
  EXPECT_EQ(wait_any({&b, &a}, Millis(0)), 0);
}

TEST(Event, SetFromAnotherThreadWakesAnInfiniteWait) {
  Event stop, other;
  std::thread t([&] { stop.set(); });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(wait_any({&other, &stop}), 1);
  t.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace platform::os
