// The session's activities together: what it starts on the user's command,
// and stops all at once for a close, an open or a lost port, and at its end.
#pragma once

#include "session/activities/cycle.h"
#include "session/activities/file_send.h"
#include "session/activities/timed_send.h"

namespace zephyn {

struct Activities {
  explicit Activities(SessionLink& link) : file(link), cycle(link), timedSend(link) {}

  // A file transfer under way ends as stopped (and is reported); the cycle
  // and the timed send stop. Never waits for a worker. Any thread.
  void Stop() {
    file.Stop();
    cycle.Stop();
    timedSend.Stop();
  }

  // Stops them all and waits for their threads. Not from one of them.
  void Shutdown() {
    file.Shutdown();
    cycle.Shutdown();
    timedSend.Shutdown();
  }

  FileSend file;
  Cycle cycle;
  TimedSend timedSend;
};

}  // namespace zephyn
