#include "common/stop_wait.h"

namespace zephyn {

bool StopWait::SleepUnless(const std::atomic<int>& stop, std::chrono::milliseconds duration) {
  std::unique_lock lock(m_mutex);
  m_cv.wait_for(lock, duration, [&] { return stop.load() != 0; });
  return stop.load() != 0;
}

void StopWait::WakeAll() {
  // Taking the mutex orders the wake-up after a sleeper's flag check, so a
  // flag raised just before a sleeper blocks is never missed.
  { std::lock_guard lock(m_mutex); }
  m_cv.notify_all();
}

}  // namespace zephyn
