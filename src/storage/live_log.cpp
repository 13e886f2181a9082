#include "storage/live_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "common/thread_name.h"
#include "storage/display_buffer.h"
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

void LiveLog::Start(const std::string& path, bool stamped, bool withSent) {
  Stop();
  std::lock_guard lock(m_lock);
  m_path = path;
  m_active = true;
  m_stopping = false;
  m_stamped = stamped;
  m_withSent = withSent;
  m_lastDirection = kNoDirection;
  m_stamper.Reset();
  m_pending.clear();
  m_held.clear();
  m_heldBytes = 0;
  // The writer opens the file: the caller, the window's thread, never waits
  // for the file system.
  m_writer = std::thread([this] { WriterThread(); });
}

void LiveLog::Stop() {
  {
    std::lock_guard lock(m_lock);
    if (!m_writer.joinable()) return;
    m_stopping = true;
    // What waits behind a send still under way goes in without that send:
    // whether the port took it is not known.
    std::erase_if(m_held, [this](const Held& held) {
      if (held.settled) return false;
      m_heldBytes -= held.bytes.size();
      return true;
    });
    ReleaseSettled();
  }
  m_wake.notify_all();
  m_writer.join();
  std::lock_guard lock(m_lock);
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_active = false;
  m_pending.clear();
  m_held.clear();
  m_heldBytes = 0;
}

bool LiveLog::Active() const {
  std::lock_guard lock(m_lock);
  return m_active;
}

void LiveLog::Append(const std::uint8_t* bytes, std::size_t count, WallClock::time_point when) {
  std::unique_lock lock(m_lock);
  if (!m_active || count == 0) return;
  if (m_held.empty()) {
    Format(false, bytes, count, when);
  } else {
    m_held.push_back({0, true, std::string(reinterpret_cast<const char*>(bytes), count), when});
    m_heldBytes += count;
  }
  AfterAdding(lock);
}

std::uint64_t LiveLog::BeginSent(const std::uint8_t* bytes, std::size_t count,
                                 WallClock::time_point when) {
  std::unique_lock lock(m_lock);
  if (!m_active || !m_withSent || count == 0) return 0;
  const std::uint64_t ticket = m_nextTicket++;
  m_held.push_back({ticket, false, std::string(reinterpret_cast<const char*>(bytes), count), when});
  m_heldBytes += count;
  AfterAdding(lock);
  return ticket;
}

void LiveLog::EndSent(std::uint64_t ticket, bool sent) {
  if (ticket == 0) return;
  std::unique_lock lock(m_lock);
  const auto it = std::find_if(m_held.begin(), m_held.end(),
                               [ticket](const Held& held) { return held.ticket == ticket; });
  if (it == m_held.end()) return;
  if (sent) {
    it->settled = true;
  } else {
    m_heldBytes -= it->bytes.size();
    m_held.erase(it);
  }
  ReleaseSettled();
  AfterAdding(lock);
}

void LiveLog::Format(bool sent, const std::uint8_t* bytes, std::size_t count,
                     WallClock::time_point when) {
  const std::string stamp = m_stamped ? ClockText(when) + ' ' : std::string();
  if (m_withSent) {
    const std::int32_t direction = sent ? kSent : kReceived;
    if (direction != m_lastDirection) {
      // The pane's marker: CR LF after earlier bytes, then the direction,
      // stamped as a line of its own.
      if (m_lastDirection != kNoDirection) m_pending += "\r\n";
      m_lastDirection = direction;
      static const std::uint8_t kSentMarker[] = {'>', '>'};
      static const std::uint8_t kReceivedMarker[] = {'<', '<'};
      m_stamper.BreakLine();
      m_stamper.Append(sent ? kSentMarker : kReceivedMarker, 2, stamp, m_pending);
    }
    // The pane stamps only the received lines within a direction.
    if (sent) {
      m_pending.append(reinterpret_cast<const char*>(bytes), count);
      return;
    }
  }
  if (m_stamped) {
    m_stamper.Append(bytes, count, stamp, m_pending);
  } else {
    m_pending.append(reinterpret_cast<const char*>(bytes), count);
  }
}

void LiveLog::ReleaseSettled() {
  while (!m_held.empty() && m_held.front().settled) {
    const Held& held = m_held.front();
    Format(held.ticket != 0, reinterpret_cast<const std::uint8_t*>(held.bytes.data()),
           held.bytes.size(), held.when);
    m_heldBytes -= held.bytes.size();
    m_held.pop_front();
  }
}

void LiveLog::AfterAdding(std::unique_lock<std::mutex>& lock) {
  if (m_pending.size() + m_heldBytes > kMaxPending) {
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
  m_held.clear();
  m_heldBytes = 0;
  // The handler only posts the report; it must not call back into the log.
  if (m_onFailure) m_onFailure({m_path, error});
}

}  // namespace zephyn
