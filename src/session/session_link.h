// What an activity of the session (the timed send, the file transfer, the
// string cycle) needs of the session that runs it. Any thread.
#pragma once

#include <cstdint>
#include <functional>

#include "session/session_events.h"
#include "session/session_state.h"

namespace zephyn {

class SessionLink {
 public:
  virtual ~SessionLink() = default;

  // Writes through the port and records the send (counters, CRC-32, the
  // echo in the pane); true when the port took the bytes. Waits for the port
  // (up to its write deadline): call it on a worker or a timer's thread.
  virtual bool SendRecorded(const std::uint8_t* bytes, std::int32_t count) = 0;
  // A file chunk: written through the port and counted (counters, CRC-32)
  // but not shown in the pane. Waits as SendRecorded does.
  virtual bool SendCounted(const std::uint8_t* bytes, std::int32_t count) = 0;
  // The end of a file transfer, counted as one more send of no bytes: the
  // counters move, nothing is written or shown.
  virtual void CountTransferEnd() = 0;

  // Changes the state under the session's lock; a change is reported once,
  // after the lock is released, and a call that changes nothing is not
  // reported. An activity calls it under a lock of its own, so that its
  // changes are reported in the order they happened: the session never
  // calls an activity while it holds its lock.
  virtual void ChangeState(const std::function<void(SessionState&)>& change) = 0;
  virtual SessionState State() const = 0;

  // Whom the activity reports to.
  virtual SessionEvents& Events() = 0;
};

}  // namespace zephyn
