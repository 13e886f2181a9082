// The string cycle: the non-empty stored strings, taken once at the start,
// sent one a tick of a periodic timer in row order, forever, each recorded
// as a send. Stopping never waits for a tick (see TickTimer), and the state
// says Off at once.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/stored_strings.h"
#include "session/activities/state_timer.h"
#include "session/session_link.h"

namespace zephyn {

class Cycle {
 public:
  enum class Result {
    kStarted,
    kNoRows,        // every row is empty
    kTimerRefused,  // the interval is outside the timer's range, or no timer
  };

  explicit Cycle(SessionLink& link);
  ~Cycle();  // Shutdown()
  Cycle(const Cycle&) = delete;
  Cycle& operator=(const Cycle&) = delete;

  // Takes the rows that are not empty (each as StoredStringBytes with
  // `lineEnd`: later edits change nothing that is sent), starts sending one
  // every `intervalMs` milliseconds, the first one interval from now, and
  // sets the state's cycle; a cycle that runs is replaced. A refused start
  // changes nothing. Any thread.
  Result Start(const std::vector<StoredString>& rows, std::string_view lineEnd,
               std::int64_t intervalMs);

  // Stops it and clears the state's cycle, without waiting for a tick. Any
  // thread, a tick included.
  void Stop();

  // Stops it and waits for its threads to end. Not from a tick.
  void Shutdown();

 private:
  SessionLink& m_link;
  StateTimer m_timer{m_link, &SessionState::cycle};
};

}  // namespace zephyn
