#include "common/periodic_timer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "common/thread_name.h"

namespace zephyn {
namespace {

struct Timer {
  Timer(int timer, int stop, std::function<void()> callback)
      : timerFd(timer), stopFd(stop), tick(std::move(callback)) {}
  ~Timer() {
    ::close(timerFd);
    ::close(stopFd);
  }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const int timerFd;
  const int stopFd;  // eventfd: readable once the timer is killed
  const std::function<void()> tick;
  std::thread thread;  // set before the timer is listed, joined or detached by Kill
};

// The running timers by ID. Never destroyed: a timer still running when the
// program exits must not find its list gone.
struct Registry {
  std::mutex lock;
  std::unordered_map<TimerId, std::shared_ptr<Timer>> timers;
  TimerId lastId = 0;
};

Registry& Timers() {
  static Registry* registry = new Registry;
  return *registry;
}

void Run(const std::shared_ptr<Timer>& timer) {
  NameThisThread("periodic-timer");
  pollfd fds[2] = {{timer->stopFd, POLLIN, 0}, {timer->timerFd, POLLIN, 0}};
  for (;;) {
    fds[0].revents = fds[1].revents = 0;
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    // A kill wins over an expiry that came at the same time.
    if (fds[0].revents != 0) return;
    if ((fds[1].revents & POLLIN) == 0) continue;
    // The count of expirations since the last read: above 1 when a tick ran
    // late. Only one tick follows.
    std::uint64_t expirations = 0;
    if (::read(timer->timerFd, &expirations, sizeof expirations) != sizeof expirations) continue;
    timer->tick();
  }
}

}  // namespace

TimerId SetPeriodicTimer(std::int64_t periodMs, std::function<void()> tick) {
  if (!IsTimerPeriod(periodMs) || !tick) return 0;
  const int timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
  if (timerFd < 0) return 0;
  const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd < 0) {
    ::close(timerFd);
    return 0;
  }
  auto timer = std::make_shared<Timer>(timerFd, stopFd, std::move(tick));

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
  if (::timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &schedule, nullptr) != 0) return 0;

  Registry& registry = Timers();
  std::lock_guard lock(registry.lock);
  try {
    timer->thread = std::thread([timer] { Run(timer); });
  } catch (const std::system_error&) {
    return 0;
  }
  TimerId id = registry.lastId;
  do {
    ++id;  // 0 means "no timer"; an ID still in use is skipped
  } while (id == 0 || registry.timers.count(id) != 0);
  registry.lastId = id;
  registry.timers.emplace(id, std::move(timer));
  return id;
}

bool KillPeriodicTimer(TimerId id) {
  std::shared_ptr<Timer> timer;
  {
    Registry& registry = Timers();
    std::lock_guard lock(registry.lock);
    const auto it = registry.timers.find(id);
    if (it == registry.timers.end()) return false;
    timer = std::move(it->second);
    registry.timers.erase(it);
  }
  const std::uint64_t one = 1;
  while (::write(timer->stopFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
  if (timer->thread.get_id() == std::this_thread::get_id()) {
    // Killed from its own tick: the thread cannot wait for itself. It ends
    // when the tick returns, and it holds the timer until then.
    timer->thread.detach();
  } else {
    timer->thread.join();
  }
  return true;
}

}  // namespace zephyn
