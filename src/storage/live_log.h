// The live log: every received block appended to a file the user chose, as
// it arrives, raw or with each line's time stamp, and on request what is
// sent too, each change of direction marked as the receive pane marks the
// echo (CR LF, then ">>" before sent bytes, "<<" before received ones). The
// port's reader and the senders only hand their bytes over (they never wait
// for the disk); a writer thread of the log's own writes what came at least
// every flush period and whenever much is waiting. A log that cannot be
// opened or written stops, and its failure (the file and errno) is handed to
// the failure handler once, from the writer thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "common/time_stamp.h"

namespace zephyn {

struct LogFailure {
  std::string path;
  int error = 0;  // errno; ENOBUFS when the disk fell too far behind the port
};

class LiveLog {
 public:
  // Bytes waiting for the disk beyond which the log stops as failed rather
  // than grow without bound.
  static constexpr std::size_t kMaxPending = 32u << 20;

  using FailureHandler = std::function<void(const LogFailure&)>;

  explicit LiveLog(FailureHandler onFailure,
                   std::chrono::milliseconds flushPeriod = std::chrono::milliseconds(250));
  ~LiveLog();  // stops
  LiveLog(const LiveLog&) = delete;
  LiveLog& operator=(const LiveLog&) = delete;

  // Logs to `path` from now on, appended (created when missing), with time
  // stamps when `stamped` and what is sent as well when `withSent`; a log
  // that was running stops first. The writer thread opens the file; a file
  // that cannot be opened (or is not a regular file: see OpenUserFile) ends
  // the log as a failed write does.
  void Start(const std::string& path, bool stamped, bool withSent = false);
  // Writes what is waiting and closes the file. Any thread but the writer's.
  void Stop();
  // A log is running: started, and neither stopped nor failed.
  bool Active() const;

  // The port's reader: a block read at `when`. Nothing while no log runs.
  void Append(const std::uint8_t* bytes, std::size_t count, WallClock::time_point when);

  // A sender, before the port takes `count` bytes: while a log that takes
  // what is sent runs, they hold their place in it, and whatever comes after
  // them waits behind until EndSent tells whether the port took them; an
  // answer read while the write is under way so follows its request.
  // Returns the send's ticket for EndSent (0: the log holds nothing).
  std::uint64_t BeginSent(const std::uint8_t* bytes, std::size_t count, WallClock::time_point when);
  // `sent`: the port took the bytes, and they are logged; otherwise they
  // leave the log. A ticket of a log that has since stopped is ignored.
  void EndSent(std::uint64_t ticket, bool sent);

 private:
  void WriterThread();
  // Writer thread, lock not held: writes `bytes`; on failure closes the
  // file, drops what waits and reports.
  bool Write(const std::string& bytes);
  void Fail(int error);  // m_lock held

  // A block waiting behind a send the port has not yet taken.
  struct Held {
    std::uint64_t ticket = 0;  // a send's; 0 for a received block
    bool settled = true;       // a send's outcome is known (it was taken)
    std::string bytes;
    WallClock::time_point when;
  };
  // m_lock held: a block as the file gets it, markers and stamps added.
  void Format(bool sent, const std::uint8_t* bytes, std::size_t count, WallClock::time_point when);
  // m_lock held: the settled blocks at the front of m_held, formatted.
  void ReleaseSettled();
  // m_lock held, released here: stops the log past kMaxPending, and wakes
  // the writer when much waits.
  void AfterAdding(std::unique_lock<std::mutex>& lock);

  const FailureHandler m_onFailure;
  const std::chrono::milliseconds m_flushPeriod;

  mutable std::mutex m_lock;  // everything below
  std::condition_variable m_wake;
  int m_fd = -1;
  std::string m_path;
  bool m_active = false;
  bool m_stopping = false;
  bool m_stamped = false;
  bool m_withSent = false;
  std::int32_t m_lastDirection = 0;  // kNoDirection, kSent or kReceived
  LineStamper m_stamper;
  std::string m_pending;
  std::deque<Held> m_held;
  std::size_t m_heldBytes = 0;
  std::uint64_t m_nextTicket = 1;  // never reset: an old ticket matches no new send
  std::thread m_writer;
};

}  // namespace zephyn
