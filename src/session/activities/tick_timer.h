// A periodic timer that its owner stops without waiting for a tick. The
// timer is killed on a worker of its own, which waits there for a tick
// under way; the thread that stops it, a tick included, goes on at once.
// Once Stop returns no tick of that timer starts its work any more (a tick
// that had started finishes). Shutdown waits for every tick and joins every
// thread the timers had.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "common/periodic_timer.h"
#include "common/task_queue.h"

namespace zephyn {

class TickTimer {
 public:
  TickTimer() = default;
  ~TickTimer();  // Shutdown()
  TickTimer(const TickTimer&) = delete;
  TickTimer& operator=(const TickTimer&) = delete;

  // Stops a timer that runs and starts one that calls `tick` every
  // `periodMs` milliseconds, the first time one period from now. False when
  // the period is outside the timer's range, the system gives no timer, or
  // after Shutdown: no timer runs then. Any thread.
  bool Start(std::int64_t periodMs, std::function<void()> tick);

  // Stops the timer without waiting for its tick. True when one ran. Any
  // thread, a tick of this timer included.
  bool Stop();

  bool Running() const;

  // Stops the timer, waits for the ticks under way and ends the threads;
  // later Starts are refused. Not from a tick.
  void Shutdown();

 private:
  // Marks the running timer stopped, for the reaper to kill; false when
  // none runs. m_lock held.
  bool StopLocked();
  // Kills the timers stopped so far, waiting for their ticks.
  void KillStopped();

  mutable std::mutex m_lock;  // everything below
  TimerId m_id = 0;           // the running timer, 0 for none
  // Cleared by Stop: a tick checks it before its work.
  std::shared_ptr<std::atomic<bool>> m_live;
  std::vector<TimerId> m_stopped;  // stopped, not killed yet
  bool m_shutDown = false;
  // Kills the stopped timers; its thread is this object's.
  TaskQueue m_reaper;
};

}  // namespace zephyn
