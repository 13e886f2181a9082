#include "common/worker_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using namespace zephyn;

TEST(WorkerThreads, JoinAllWaitsForEveryWorkerIncludingOnesStartedMeanwhile) {
  WorkerThreads workers;
  std::atomic<int> finished{0};
  for (int i = 0; i < 50; ++i) {
    workers.Start([&, i] {
      std::this_thread::sleep_for(std::chrono::milliseconds(i % 5));
      if (i == 0) {
        // A worker that starts another, as a closing worker may.
        workers.Start([&] { ++finished; });
      }
      ++finished;
    });
  }
  workers.JoinAll();
  EXPECT_EQ(finished.load(), 51);
  EXPECT_EQ(workers.Running(), 0);
}

TEST(WorkerThreads, FinishedWorkersAreReapedAsNewOnesStart) {
  WorkerThreads workers;
  for (int i = 0; i < 200; ++i) workers.Start([] {});
  // Running counts only unfinished workers; the list is trimmed on Start, so
  // a long session of opens and closes does not pile up threads.
  workers.JoinAll();
  EXPECT_EQ(workers.Running(), 0);
}
