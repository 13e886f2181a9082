#include "common/file_transfer.h"

#include <system_error>

#include "common/thread_name.h"

namespace zephyn {
namespace {

using Clock = std::chrono::steady_clock;

// A chunk the port refused is offered again after this pause: a port that
// refuses at once (closed, or its device gone) must not keep a core busy
// until the transfer is stopped.
constexpr std::chrono::milliseconds kRetryPause{5};
// A speed sample spans more than this.
constexpr std::int64_t kSampleNs = 500'000'000;

std::int64_t Ns(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

}  // namespace

FileTransfer::FileTransfer(Write write, Finished finished)
    : m_write(std::move(write)), m_finished(std::move(finished)) {}

FileTransfer::~FileTransfer() {
  End();
}

void FileTransfer::Load(std::unique_ptr<std::uint8_t[]> data, std::uint64_t length,
                        std::int32_t chunkSize) {
  End();
  if (!data) length = 0;
  m_data = length > 0 ? std::move(data) : nullptr;
  m_chunkSize = chunkSize < 1 ? 1 : chunkSize;
  m_chunkCount = length / std::uint64_t(m_chunkSize);
  m_chunkRemainder = std::int32_t(length % std::uint64_t(m_chunkSize));
  m_length = length;
  RewindFigures();
}

bool FileTransfer::Start() {
  if (Sending() || !Loaded() || m_chunkIndex.load() > m_chunkCount) return false;
  // Only this thread sets the flag, so it stays clear while the last sender
  // is waited for.
  WaitForSender();
  {
    std::lock_guard lock(m_lock);
    const Clock::time_point now = Clock::now();
    m_startTime = now;
    m_sampleNs = Ns(now);
    m_sending = 1;
  }
  try {
    m_sender = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    Pause();
    return false;
  }
  return true;
}

bool FileTransfer::Rewind() {
  if (Sending()) return false;
  WaitForSender();
  RewindFigures();
  return true;
}

void FileTransfer::End() {
  Pause();
  WaitForSender();
}

bool FileTransfer::Pause() {
  std::lock_guard lock(m_lock);
  if (m_sending.load() == 0) return false;
  const Clock::time_point now = Clock::now();
  StopLocked(now);
  m_sampleNs = Ns(now);
  return true;
}

TransferStats FileTransfer::Finish() {
  std::lock_guard lock(m_lock);
  if (m_sending.load() != 0) StopLocked(Clock::now());
  return {std::chrono::duration<double, std::milli>(m_elapsed).count(), m_bytesSent.load()};
}

std::optional<std::int32_t> FileTransfer::TakeSpeedSample() {
  const std::int64_t last = m_lastChunkNs.load();
  const std::int64_t since = m_sampleNs.load();
  if (last - since <= kSampleNs) return std::nullopt;
  const std::int64_t sent = m_bytesSent.load();
  const double seconds = double(last - since) / 1e9;
  const auto speed = std::int32_t(double(sent - m_sampleBytes.load()) / seconds);
  m_sampleBytes = sent;
  m_sampleNs = last;
  return speed;
}

void FileTransfer::Run() {
  NameThisThread("file-sender");
  // No allocation and no copy here: each write takes its bytes straight from
  // the file in memory, and the port's own pace is the only pacing.
  while (m_sending.load() != 0) {
    const std::uint64_t index = m_chunkIndex.load();
    const bool last = index >= m_chunkCount;
    const std::int32_t count = last ? m_chunkRemainder : m_chunkSize;
    const std::uint8_t* bytes = m_data.get() + index * std::uint64_t(m_chunkSize);
    if (!m_write(bytes, count)) {
      // Nothing was sent: the same chunk again, the final one included,
      // until it goes or the transfer is paused, stopped or its port closed.
      std::this_thread::sleep_for(kRetryPause);
      continue;
    }
    m_bytesSent += count;
    m_chunkIndex = index + 1;
    m_lastChunkNs = Ns(Clock::now());
    if (last) {
      m_finished();
      return;
    }
  }
}

void FileTransfer::StopLocked(Clock::time_point now) {
  m_elapsed += now - m_startTime;
  m_sending = 0;
}

void FileTransfer::WaitForSender() {
  if (m_sender.joinable()) m_sender.join();
}

void FileTransfer::RewindFigures() {
  m_chunkIndex = 0;
  m_bytesSent = 0;
  m_sampleBytes = 0;
  std::lock_guard lock(m_lock);
  m_elapsed = Clock::duration::zero();
}

}  // namespace zephyn
