// The system's periodic timer under SetPeriodicTimer: expiries a whole
// number of periods after an absolute start on the monotonic clock, so they
// keep their rhythm however late the waiting thread wakes. Each system has
// its own (periodic_timer_linux.cpp).
#pragma once

#include <cstdint>
#include <memory>

namespace zephyn {

class SystemTimer {
 public:
  // Starts a timer whose first expiry comes `periodMs` from now; ok() is
  // false when the system gives none.
  explicit SystemTimer(std::int64_t periodMs);
  ~SystemTimer();
  SystemTimer(const SystemTimer&) = delete;
  SystemTimer& operator=(const SystemTimer&) = delete;

  bool ok() const;

  // Waits for the next expiry. True when the timer expired, once however
  // many periods have passed since the last wait; false once Stop was called
  // (it wins over an expiry that came at the same time) or the wait failed.
  bool WaitForExpiry();

  // Ends the wait in progress and every later one. Any thread.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace zephyn
