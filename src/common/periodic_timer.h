// Periodic timers with a resolution of a millisecond, for the senders that
// repeat on a timer (the timed send, the multi-string cycle). Each timer
// ticks on a thread of its own, driven by a timer on the monotonic clock that
// is armed at an absolute start, so the ticks keep their rhythm instead of
// drifting by the time each tick takes.
#pragma once

#include <cstdint>
#include <functional>

namespace zephyn {

using TimerId = std::uint32_t;

// The periods a timer accepts, in milliseconds.
inline constexpr std::int64_t kMinTimerPeriodMs = 1;
inline constexpr std::int64_t kMaxTimerPeriodMs = 1'000'000;

inline constexpr bool IsTimerPeriod(std::int64_t periodMs) {
  return periodMs >= kMinTimerPeriodMs && periodMs <= kMaxTimerPeriodMs;
}

// Starts a timer whose first tick comes one period from now and each next
// one a period after the one before. Returns its ID, never 0; 0 when the
// period is outside kMinTimerPeriodMs..kMaxTimerPeriodMs or the system gives
// no timer or thread. Ticks run one at a time on the timer's thread: a tick
// that overruns its period delays the next one, which then follows at once,
// and the periods it missed are not made up. Any thread.
TimerId SetPeriodicTimer(std::int64_t periodMs, std::function<void()> tick);

// Stops the timer: once it returns no tick starts any more and a tick that
// was under way has finished, except when it is called from that tick, which
// then is the last one. False for an ID that names no running timer. Any
// thread.
bool KillPeriodicTimer(TimerId id);

}  // namespace zephyn
