#include "common/periodic_timer.h"

#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "common/system_timer.h"
#include "common/thread_name.h"

namespace zephyn {
namespace {

struct Timer {
  Timer(std::int64_t periodMs, std::function<void()> callback)
      : clock(periodMs), tick(std::move(callback)) {}

  SystemTimer clock;
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
  // Only one tick follows however many periods a late tick let pass.
  while (timer->clock.WaitForExpiry()) timer->tick();
}

}  // namespace

TimerId SetPeriodicTimer(std::int64_t periodMs, std::function<void()> tick) {
  if (!IsTimerPeriod(periodMs) || !tick) return 0;
  auto timer = std::make_shared<Timer>(periodMs, std::move(tick));
  if (!timer->clock.ok()) return 0;

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
  timer->clock.Stop();
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
