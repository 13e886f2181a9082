#include "storage/live_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/thread_name.h"
#include "storage/folders.h"
#include "storage/user_file.h"

namespace zephyn {

namespace {

// Pending bytes that wake the writer before its period is up.
constexpr std::size_t kWriteSoon = 256u << 10;

}  // namespace

LiveLog::LiveLog(FailureHandler onFailure, std::chrono::milliseconds flushPeriod)
    : m_onFailure(std::move(onFailure)), m_flushPeriod(flushPeriod) {}

LiveLog::~LiveLog() {
  Stop();
}

void LiveLog::Start(const std::string& path, bool stamped) {
  Stop();
  std::lock_guard lock(m_lock);
  m_path = path;
  m_active = true;
  m_stopping = false;
  m_stamped = stamped;
  m_stamper.Reset();
  m_pending.clear();
  // The writer opens the file: the caller, the window's thread, never waits
  // for the file system.
  m_writer = std::thread([this] { WriterThread(); });
}

void LiveLog::Stop() {
  {
    std::lock_guard lock(m_lock);
    if (!m_writer.joinable()) return;
    m_stopping = true;
  }
  m_wake.notify_all();
  m_writer.join();
  std::lock_guard lock(m_lock);
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_active = false;
  m_pending.clear();
}

bool LiveLog::Active() const {
  std::lock_guard lock(m_lock);
  return m_active;
}

void LiveLog::Append(const std::uint8_t* bytes, std::size_t count, WallClock::time_point when) {
  std::unique_lock lock(m_lock);
  if (!m_active || count == 0) return;
  if (m_stamped) {
    m_stamper.Append(bytes, count, ClockText(when) + ' ', m_pending);
  } else {
    m_pending.append(reinterpret_cast<const char*>(bytes), count);
  }
  if (m_pending.size() > kMaxPending) {
    Fail(ENOBUFS);
    lock.unlock();
    m_wake.notify_all();
    return;
  }
  if (m_pending.size() >= kWriteSoon) {
    lock.unlock();
    m_wake.notify_all();
  }
}

void LiveLog::WriterThread() {
  NameThisThread("live-log");
  int error = 0;
  const int fd = OpenUserFile(m_path, O_WRONLY | O_CREAT | O_APPEND, error);
  std::unique_lock lock(m_lock);
  if (fd < 0) {
    Fail(error);
    return;
  }
  m_fd = fd;
  std::string batch;
  for (;;) {
    m_wake.wait_for(lock, m_flushPeriod,
                    [this] { return m_stopping || m_pending.size() >= kWriteSoon; });
    const bool last = m_stopping || !m_active;
    batch.clear();
    if (m_active) batch.swap(m_pending);
    if (!batch.empty()) {
      lock.unlock();
      const bool written = Write(batch);
      lock.lock();
      if (!written) return;
    }
    if (last) return;
  }
}

bool LiveLog::Write(const std::string& bytes) {
  // Only this thread writes, and only while the log is active, so the file
  // stays open for the write.
  const int error =
      WriteAll(m_fd, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (error == 0) return true;
  std::lock_guard lock(m_lock);
  Fail(error);
  return false;
}

void LiveLog::Fail(int error) {
  if (!m_active) return;
  m_active = false;
  m_pending.clear();
  m_pending.shrink_to_fit();
  // The handler only posts the report; it must not call back into the log.
  if (m_onFailure) m_onFailure({m_path, error});
}

}  // namespace zephyn
