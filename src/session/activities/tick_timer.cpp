#include "session/activities/tick_timer.h"

#include <utility>

namespace zephyn {

TickTimer::~TickTimer() {
  Shutdown();
}

bool TickTimer::Start(std::int64_t periodMs, std::function<void()> tick) {
  std::lock_guard lock(m_lock);
  if (StopLocked()) m_reaper.Post([this] { KillStopped(); });
  if (m_shutDown || !IsTimerPeriod(periodMs) || !tick) return false;
  auto live = std::make_shared<std::atomic<bool>>(true);
  // The tick holds its own flag and work: it never reads this object,
  // which a stopped timer's last tick may outlive until the reaper runs.
  const TimerId id = SetPeriodicTimer(periodMs, [live, work = std::move(tick)] {
    if (live->load()) work();
  });
  if (id == 0) return false;
  m_id = id;
  m_live = std::move(live);
  return true;
}

bool TickTimer::Stop() {
  {
    std::lock_guard lock(m_lock);
    if (!StopLocked()) return false;
  }
  m_reaper.Post([this] { KillStopped(); });
  return true;
}

bool TickTimer::StopLocked() {
  if (m_id == 0) return false;
  m_live->store(false);
  m_live.reset();
  m_stopped.push_back(std::exchange(m_id, 0));
  return true;
}

bool TickTimer::Running() const {
  std::lock_guard lock(m_lock);
  return m_id != 0;
}

void TickTimer::Shutdown() {
  {
    std::lock_guard lock(m_lock);
    m_shutDown = true;
  }
  Stop();
  // The reaper's pending kills are dropped with it: they are done here.
  m_reaper.Shutdown();
  KillStopped();
}

void TickTimer::KillStopped() {
  std::vector<TimerId> ids;
  {
    std::lock_guard lock(m_lock);
    ids.swap(m_stopped);
  }
  for (const TimerId id : ids) KillPeriodicTimer(id);
}

}  // namespace zephyn
