// Linux: a timerfd armed at an absolute time, beside an eventfd that Stop
// signals.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "common/system_timer.h"

namespace zephyn {

struct SystemTimer::Impl {
  int timerFd = -1;
  int stopFd = -1;  // readable once the timer is stopped
};

SystemTimer::SystemTimer(std::int64_t periodMs) : m_impl(std::make_unique<Impl>()) {
  const int timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
  if (timerFd < 0) return;
  const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd < 0) {
    ::close(timerFd);
    return;
  }
  // Armed at an absolute time, so each expiry is a whole number of periods
  // after the start, however late the thread wakes.
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  const std::int64_t periodNs = periodMs * 1'000'000;
  const std::int64_t firstNs = std::int64_t(now.tv_nsec) + periodNs;
  itimerspec schedule{};
  schedule.it_interval.tv_sec = time_t(periodMs / 1000);
  schedule.it_interval.tv_nsec = long((periodMs % 1000) * 1'000'000);
  schedule.it_value.tv_sec = now.tv_sec + time_t(firstNs / 1'000'000'000);
  schedule.it_value.tv_nsec = long(firstNs % 1'000'000'000);
  if (::timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &schedule, nullptr) != 0) {
    ::close(timerFd);
    ::close(stopFd);
    return;
  }
  m_impl->timerFd = timerFd;
  m_impl->stopFd = stopFd;
}

SystemTimer::~SystemTimer() {
  if (!ok()) return;
  ::close(m_impl->timerFd);
  ::close(m_impl->stopFd);
}

bool SystemTimer::ok() const {
  return m_impl->timerFd >= 0;
}

bool SystemTimer::WaitForExpiry() {
  pollfd fds[2] = {{m_impl->stopFd, POLLIN, 0}, {m_impl->timerFd, POLLIN, 0}};
  for (;;) {
    fds[0].revents = fds[1].revents = 0;
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (fds[0].revents != 0) return false;
    if ((fds[1].revents & POLLIN) == 0) continue;
    // The count of expirations since the last read: above 1 when the waiter
    // came late. It is one expiry all the same.
    std::uint64_t expirations = 0;
    if (::read(m_impl->timerFd, &expirations, sizeof expirations) != sizeof expirations) continue;
    return true;
  }
}

void SystemTimer::Stop() {
  const std::uint64_t one = 1;
  while (::write(m_impl->stopFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

}  // namespace zephyn
