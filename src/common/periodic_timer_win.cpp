// Windows: a waitable timer with a period, beside a manual-reset event that
// Stop sets. The timer is a synchronization timer: a wait that succeeds
// resets it, so however many periods passed since the last wait it reports
// one expiry. The system re-arms a periodic timer a whole period after its
// last due time, not after the wait, so the ticks keep their rhythm.
#include <windows.h>

#include "common/system_timer.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace zephyn {

namespace {

// A timer with the resolution of a millisecond where the system has it
// (Windows 10 1803 and later); otherwise the normal one, which expires on
// the system's clock ticks.
HANDLE CreatePeriodTimer() {
  HANDLE timer = ::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
  if (timer == nullptr) timer = ::CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  return timer;
}

}  // namespace

struct SystemTimer::Impl {
  HANDLE timer = nullptr;
  HANDLE stop = nullptr;  // set once the timer is stopped
};

SystemTimer::SystemTimer(std::int64_t periodMs) : m_impl(std::make_unique<Impl>()) {
  // The system's period is a LONG of milliseconds; SetPeriodicTimer passes
  // only periods it accepts, and this refuses the rest itself.
  if (periodMs < 1 || periodMs > 0x7FFFFFFF) return;
  HANDLE timer = CreatePeriodTimer();
  if (timer == nullptr) return;
  HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stop == nullptr) {
    ::CloseHandle(timer);
    return;
  }
  // A negative due time is relative, in units of 100 ns.
  LARGE_INTEGER due{};
  due.QuadPart = -periodMs * 10'000;
  if (!::SetWaitableTimer(timer, &due, LONG(periodMs), nullptr, nullptr, FALSE)) {
    ::CloseHandle(timer);
    ::CloseHandle(stop);
    return;
  }
  m_impl->timer = timer;
  m_impl->stop = stop;
}

SystemTimer::~SystemTimer() {
  if (!ok()) return;
  ::CancelWaitableTimer(m_impl->timer);
  ::CloseHandle(m_impl->timer);
  ::CloseHandle(m_impl->stop);
}

bool SystemTimer::ok() const {
  return m_impl->timer != nullptr;
}

bool SystemTimer::WaitForExpiry() {
  // When both are set the wait reports the first handle: Stop wins.
  const HANDLE handles[2] = {m_impl->stop, m_impl->timer};
  const DWORD result = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  return result == WAIT_OBJECT_0 + 1;
}

void SystemTimer::Stop() {
  ::SetEvent(m_impl->stop);
}

}  // namespace zephyn
