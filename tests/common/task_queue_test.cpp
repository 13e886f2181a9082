#include "common/task_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace zephyn {
namespace {

using namespace std::chrono_literals;

// Polls until `done` or about ten seconds have passed.
template <typename Done>
bool WaitFor(Done done) {
  for (int i = 0; i < 10'000 && !done(); ++i) std::this_thread::sleep_for(1ms);
  return done();
}

TEST(TaskQueueTest, RunsTasksInOrderAndOnesPostedFromATaskAfterThem) {
  TaskQueue queue;
  EXPECT_TRUE(queue.Idle());
  std::vector<int> order;  // touched by the queue's thread only until `done`
  std::promise<void> gate;
  std::promise<void> done;

  // The first task holds the queue until every outer task is posted, then
  // posts one more, which must come after them all.
  queue.Post([&, opened = gate.get_future().share()] {
    opened.wait();
    order.push_back(0);
    queue.Post([&] {
      order.push_back(100);
      done.set_value();
    });
  });
  for (int i = 1; i < 100; ++i) queue.Post([&, i] { order.push_back(i); });
  EXPECT_FALSE(queue.Idle());
  gate.set_value();
  done.get_future().wait();

  std::vector<int> expected;
  for (int i = 0; i <= 100; ++i) expected.push_back(i);
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(WaitFor([&] { return queue.Idle(); }));
}

TEST(TaskQueueTest, TasksFromManyThreadsNeverOverlapAndKeepEachThreadsOrder) {
  constexpr int kThreads = 4;
  constexpr int kTasks = 50;
  TaskQueue queue;
  std::atomic<int> active{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> ran{0};
  std::vector<int> lastOf(kThreads, -1);  // the queue's thread only
  int outOfOrder = 0;

  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kTasks; ++i) {
        queue.Post([&, t, i] {
          if (active.fetch_add(1) != 0) ++overlaps;
          if (lastOf[std::size_t(t)] != i - 1) ++outOfOrder;
          lastOf[std::size_t(t)] = i;
          std::this_thread::sleep_for(100us);
          active.fetch_sub(1);
          ++ran;
        });
      }
    });
  }
  for (auto& p : posters) p.join();
  ASSERT_TRUE(WaitFor([&] { return queue.Idle(); }));
  queue.Shutdown();  // joins: what the tasks wrote is visible here

  EXPECT_EQ(ran.load(), kThreads * kTasks);
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(outOfOrder, 0);
}

TEST(TaskQueueTest, ShutdownWaitsForTheRunningTaskAndDropsTheRest) {
  TaskQueue queue;
  std::promise<void> started;
  bool finished = false;  // written by the task; read after Shutdown joined
  std::atomic<int> laterRan{0};
  auto held = std::make_shared<int>(0);  // one reference per task not yet destroyed

  queue.Post([&] {
    started.set_value();
    std::this_thread::sleep_for(200ms);
    // Posted while Shutdown waits: dropped as well.
    queue.Post([&laterRan, held] { ++laterRan; });
    finished = true;
  });
  for (int i = 0; i < 5; ++i) queue.Post([&laterRan, held] { ++laterRan; });
  started.get_future().wait();

  queue.Shutdown();
  EXPECT_TRUE(finished);
  EXPECT_EQ(laterRan.load(), 0);
  EXPECT_EQ(held.use_count(), 1) << "dropped tasks are destroyed";
  EXPECT_TRUE(queue.Idle());

  // Later Posts are dropped at once; a second Shutdown has nothing to do.
  queue.Post([&laterRan, held] { ++laterRan; });
  EXPECT_EQ(held.use_count(), 1);
  EXPECT_TRUE(queue.Idle());
  queue.Shutdown();
  EXPECT_EQ(laterRan.load(), 0);
}

TEST(TaskQueueTest, DestructorJoinsTheThread) {
  int written = 0;  // no other synchronisation: only the join orders it
  {
    TaskQueue queue;
    std::promise<void> started;
    queue.Post([&] {
      started.set_value();
      std::this_thread::sleep_for(50ms);
      written = 42;
    });
    started.get_future().wait();
  }
  EXPECT_EQ(written, 42);
}

TEST(TaskQueueTest, AQueueNeverPostedToShutsDown) {
  TaskQueue queue;
  queue.Shutdown();
  EXPECT_TRUE(queue.Idle());
}

}  // namespace
}  // namespace zephyn
