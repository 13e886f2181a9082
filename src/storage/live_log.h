// The live log: every received block appended to a file the user chose, as
// it arrives, raw or with each line's time stamp. The port's reader only
// hands the block over (it never waits for the disk); a writer thread of the
// log's own writes what came at least every flush period and whenever much
// is waiting. A log that cannot be opened or written stops, and its failure (the file
// and errno) is handed to the failure handler once, from the writer thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
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
  // stamps when `stamped`; a log that was running stops first. The writer
  // thread opens the file; a file that cannot be opened (or is not a regular
  // file: see OpenUserFile) ends the log as a failed write does.
  void Start(const std::string& path, bool stamped);
  // Writes what is waiting and closes the file. Any thread but the writer's.
  void Stop();
  // A log is running: started, and neither stopped nor failed.
  bool Active() const;

  // The port's reader: a block read at `when`. Nothing while no log runs.
  void Append(const std::uint8_t* bytes, std::size_t count, WallClock::time_point when);

 private:
  void WriterThread();
  // Writer thread, lock not held: writes `bytes`; on failure closes the
  // file, drops what waits and reports.
  bool Write(const std::string& bytes);
  void Fail(int error);  // m_lock held

  const FailureHandler m_onFailure;
  const std::chrono::milliseconds m_flushPeriod;

  mutable std::mutex m_lock;  // everything below
  std::condition_variable m_wake;
  int m_fd = -1;
  std::string m_path;
  bool m_active = false;
  bool m_stopping = false;
  bool m_stamped = false;
  LineStamper m_stamper;
  std::string m_pending;
  std::thread m_writer;
};

}  // namespace zephyn
