// A TickTimer whose running is a flag of the session's state: set when it
// starts, cleared at once when it stops, in the order of the calls.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "session/activities/tick_timer.h"
#include "session/session_link.h"

namespace zephyn {

class StateTimer {
 public:
  StateTimer(SessionLink& link, bool SessionState::*running) : m_link(link), m_running(running) {}

  // Replaces a timer that runs; false when the new one is refused (none
  // runs then, and the flag is clear). Any thread.
  bool Start(std::int64_t periodMs, std::function<void()> tick) {
    std::lock_guard lock(m_lock);
    const bool started = m_timer.Start(periodMs, std::move(tick));
    Flag(started);
    return started;
  }

  // Never waits for a tick. Any thread, a tick included.
  void Stop() {
    std::lock_guard lock(m_lock);
    m_timer.Stop();
    Flag(false);
  }

  // Not from a tick.
  void Shutdown() {
    Stop();
    m_timer.Shutdown();
  }

 private:
  void Flag(bool on) {
    m_link.ChangeState([this, on](SessionState& state) { state.*m_running = on; });
  }

  SessionLink& m_link;
  bool SessionState::*const m_running;
  // Serialises Start and Stop, so their state changes come in order.
  std::mutex m_lock;
  TickTimer m_timer;
};

}  // namespace zephyn
