// Long-lived worker threads sleep between passes (the port watch for three
// seconds). A StopWait lets such a sleep end as soon as the thread's stop flag
// is raised, so that closing the window joins every thread at once instead of
// waiting out a sleep.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zephyn {

class StopWait {
 public:
  // Sleeps for `duration`, or less when `stop` is or becomes non-zero and
  // WakeAll() is called. Returns true when `stop` is set at the end.
  bool SleepUnless(const std::atomic<int>& stop, std::chrono::milliseconds duration);

  // Wakes every sleeper so it re-reads its flag; call after raising a flag.
  void WakeAll();

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
};

}  // namespace zephyn
