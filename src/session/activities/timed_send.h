// The timed send: one payload written again and again on a periodic timer,
// each write recorded as a send. A write the port refuses is not reported;
// the next tick tries again. Stopping never waits for a tick: the timer is
// killed on a worker (see TickTimer), and the state says Off at once.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "common/codecs.h"
#include "session/activities/state_timer.h"
#include "session/session_link.h"

namespace zephyn {

class TimedSend {
 public:
  enum class Result {
    kStarted,
    kTooFast,       // the line at the rate cannot carry the payload that often
    kTimerRefused,  // the interval is outside the timer's range, or no timer
  };

  explicit TimedSend(SessionLink& link);
  ~TimedSend();  // Shutdown()
  TimedSend(const TimedSend&) = delete;
  TimedSend& operator=(const TimedSend&) = delete;

  // Starts sending `payload` every `intervalMs` milliseconds, the first time
  // one interval from now, and sets the state's timedSend; a timed send
  // that runs is replaced. `baud` is the rate the line runs at (0 when it
  // has none, which carries nothing: any payload is too fast then). A
  // refused start changes nothing. Any thread.
  Result Start(Bytes payload, std::int64_t intervalMs, std::int64_t baud);

  // Replaces the payload from the next tick on; a tick that is sending
  // goes on with the one it took. Any thread.
  void SetPayload(Bytes payload);
  // The payload the next tick sends (none before the first is set).
  std::shared_ptr<const Bytes> Payload() const;

  // Stops it and clears the state's timedSend, without waiting for a tick.
  // Any thread, a tick included.
  void Stop();

  // Stops it and waits for its threads to end. Not from a tick.
  void Shutdown();

 private:
  void Tick();

  SessionLink& m_link;
  mutable std::mutex m_payloadLock;
  std::shared_ptr<const Bytes> m_payload;
  StateTimer m_timer{m_link, &SessionState::timedSend};
};

}  // namespace zephyn
