#include "common/stop_wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace zephyn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(StopWait, RaisedFlagEndsTheSleepEarly) {
  StopWait wait;
  std::atomic<int> stop{0};
  std::thread stopper([&] {
    std::this_thread::sleep_for(50ms);
    stop.store(1);
    wait.WakeAll();
  });
  const auto start = Clock::now();
  const bool stopped = wait.SleepUnless(stop, 10s);
  const auto elapsed = Clock::now() - start;
  stopper.join();
  EXPECT_TRUE(stopped);
  EXPECT_LT(elapsed, 5s);
}

TEST(StopWait, WakesEverySleeper) {
  StopWait wait;
  std::atomic<int> stop{0};
  std::atomic<int> stoppedCount{0};
  std::thread sleepers[3];
  const auto start = Clock::now();
  for (std::thread& sleeper : sleepers) {
    sleeper = std::thread([&] { stoppedCount += wait.SleepUnless(stop, 10s) ? 1 : 0; });
  }
  std::this_thread::sleep_for(50ms);
  stop.store(1);
  wait.WakeAll();
  for (std::thread& sleeper : sleepers) sleeper.join();
  EXPECT_EQ(stoppedCount.load(), 3);
  EXPECT_LT(Clock::now() - start, 5s);
}

TEST(StopWait, UnraisedFlagSleepsTheFullDuration) {
  StopWait wait;
  std::atomic<int> stop{0};
  const auto start = Clock::now();
  EXPECT_FALSE(wait.SleepUnless(stop, 100ms));
  EXPECT_GE(Clock::now() - start, 100ms);
}

TEST(StopWait, AlreadyRaisedFlagReturnsAtOnce) {
  StopWait wait;
  std::atomic<int> stop{1};
  const auto start = Clock::now();
  EXPECT_TRUE(wait.SleepUnless(stop, 10s));
  EXPECT_LT(Clock::now() - start, 5s);
}

}  // namespace
}  // namespace zephyn
