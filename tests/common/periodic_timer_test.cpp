#include "common/periodic_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace zephyn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Waits until `done` holds, at most `limit`.
template <typename Done>
bool WaitFor(Done done, Clock::duration limit = 5s) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(PeriodicTimer, AcceptsOneMillisecondToOneMillionOnly) {
  const struct {
    std::int64_t period;
    bool accepted;
  } cases[] = {{0, false}, {-1, false},       {-200, false}, {1'000'001, false},
               {1, true},  {1'000'000, true}, {10, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.period);
    std::atomic<int> ticks{0};
    const TimerId id = SetPeriodicTimer(c.period, [&] { ++ticks; });
    EXPECT_EQ(id != 0, c.accepted);
    EXPECT_EQ(KillPeriodicTimer(id), c.accepted);
    EXPECT_FALSE(KillPeriodicTimer(id));  // gone once killed
  }
}

TEST(PeriodicTimer, TicksAtItsPeriodFromOnePeriodAfterTheStart) {
  std::atomic<int> ticks{0};
  std::atomic<std::int64_t> firstNs{0};
  const auto start = Clock::now();
  const TimerId id = SetPeriodicTimer(20, [&] {
    if (ticks++ == 0) firstNs = (Clock::now() - start).count();
  });
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return ticks >= 10; }));
  const auto elapsed = Clock::now() - start;
  EXPECT_TRUE(KillPeriodicTimer(id));
  EXPECT_GE(std::chrono::nanoseconds(firstNs.load()), 19ms);  // nothing at the start
  // Ten ticks of 20 ms take 200 ms; generous above for a loaded machine.
  EXPECT_GE(elapsed, 195ms);
  EXPECT_LT(elapsed, 3s);
}

TEST(PeriodicTimer, TicksNeverOverlapAndALateOneIsNotMadeUp) {
  // Every third tick takes five periods.
  std::atomic<int> inTick{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> ticks{0};
  const TimerId id = SetPeriodicTimer(2, [&] {
    if (inTick.exchange(1) != 0) ++overlaps;
    if (++ticks % 3 == 0) std::this_thread::sleep_for(10ms);
    inTick = 0;
  });
  ASSERT_NE(id, 0u);
  const auto start = Clock::now();
  ASSERT_TRUE(WaitFor([&] { return ticks >= 12; }));
  EXPECT_TRUE(KillPeriodicTimer(id));
  const int ticked = ticks.load();
  EXPECT_EQ(overlaps.load(), 0);
  // 12 ticks with four 10 ms sleeps: made-up ticks would have reached 12 in
  // about 24 ms, at once after the sleeps.
  EXPECT_GE(Clock::now() - start, 40ms);
  EXPECT_LE(ticked, 30);
}

TEST(PeriodicTimer, KillWaitsForTheTickUnderWay) {
  std::atomic<int> entered{0};
  std::atomic<int> finished{0};
  const TimerId id = SetPeriodicTimer(1, [&] {
    ++entered;
    std::this_thread::sleep_for(100ms);
    ++finished;
  });
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return entered > 0; }));
  EXPECT_TRUE(KillPeriodicTimer(id));
  EXPECT_EQ(finished.load(), entered.load());  // the tick in progress has ended
  const int after = entered.load();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(entered.load(), after);  // and none came later
}

TEST(PeriodicTimer, KilledFromItsOwnTickThatTickIsTheLast) {
  std::atomic<TimerId> id{0};
  std::atomic<int> ticks{0};
  std::atomic<int> killed{-1};
  id = SetPeriodicTimer(1, [&] {
    ++ticks;
    // The ID is set after the start returned; a first tick may come earlier.
    if (id != 0 && killed < 0) killed = KillPeriodicTimer(id) ? 1 : 0;
  });
  ASSERT_NE(id.load(), 0u);
  ASSERT_TRUE(WaitFor([&] { return killed >= 0; }));
  EXPECT_EQ(killed.load(), 1);
  const int after = ticks.load();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(ticks.load(), after);
  EXPECT_FALSE(KillPeriodicTimer(id));
}

TEST(PeriodicTimer, TimersRunSideBySide) {
  std::atomic<int> a{0};
  std::atomic<int> b{0};
  const TimerId first = SetPeriodicTimer(3, [&] { ++a; });
  const TimerId second = SetPeriodicTimer(3, [&] { ++b; });
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_NE(first, second);
  ASSERT_TRUE(WaitFor([&] { return a >= 5 && b >= 5; }));
  EXPECT_TRUE(KillPeriodicTimer(first));
  const int bBefore = b.load();
  ASSERT_TRUE(WaitFor([&] { return b >= bBefore + 5; }));  // the other goes on
  EXPECT_TRUE(KillPeriodicTimer(second));
}

}  // namespace
}  // namespace zephyn
