#include "session/activities/file_send.h"

#include <memory>
#include <utility>

#include "common/line_rate.h"

namespace zephyn {

FileSend::FileSend(SessionLink& link)
    : m_link(link),
      m_transfer([this](const std::uint8_t* bytes,
                        std::int32_t count) { return m_link.SendCounted(bytes, count); },
                 [this] { End(TransferEnd::Finished); }) {}

FileSend::~FileSend() {
  Shutdown();
}

bool FileSend::Load(const std::string& path, std::int64_t baud) {
  std::lock_guard lock(m_lock);
  if (m_shutDown || m_link.State().transfer == Transfer::Sending) return false;
  ++m_loads;
  m_link.ChangeState([](SessionState& state) { state.file = FileStage::Loading; });
  m_worker.Post([this, path, baud] { LoadNow(path, baud); });
  return true;
}

void FileSend::LoadNow(const std::string& path, std::int64_t baud) {
  WholeFile file = ReadWholeFile(path);
  const bool refused = file.status == WholeFile::Status::TooLarge ||
                       file.status == WholeFile::Status::NoMemory;
  // No sender runs meanwhile: none starts while a file loads, and Load
  // waits for a paused one that is finishing its chunk.
  if (file.status == WholeFile::Status::Ok) {
    m_transfer.Load(std::move(file.data), file.size, FileChunkSize(baud));
  } else if (!refused) {
    m_transfer.Unload();
  }
  // Why the file cannot be sent is told before the state that follows from
  // it, so whoever shows both has told it once the state arrives.
  if (file.status != WholeFile::Status::Ok) m_link.Events().OnFileRefused(path, file);
  {
    std::lock_guard lock(m_lock);
    if (m_shutDown) return;
    if (!refused) {
      m_held = file.status == WholeFile::Status::Ok ? FileStage::Loaded : FileStage::Unsendable;
      m_rewindDue = false;
    }
    const FileStage stage = --m_loads > 0 ? FileStage::Loading : m_held;
    m_link.ChangeState([&](SessionState& state) {
      state.file = stage;
      if (!refused) state.filePath = path;
    });
  }
}

FileSend::Go FileSend::Send() {
  std::lock_guard lock(m_lock);
  const SessionState state = m_link.State();
  if (m_shutDown || state.transfer == Transfer::Sending || state.file == FileStage::Loading)
    return Go::kNotNow;
  if (state.file != FileStage::Loaded) return Go::kNoFile;
  // Checked under this lock: a close or a lost port that comes after stops
  // the transfer started here.
  if (state.connection != Connection::Open) return Go::kNotNow;
  m_link.ChangeState([](SessionState& s) { s.transfer = Transfer::Sending; });
  if (!std::exchange(m_startPosted, true)) m_worker.Post([this] { StartSender(); });
  return Go::kStarted;
}

void FileSend::StartSender() {
  // Only this worker starts a sender, and every way into Sending stopped
  // the last one (Pause, or the end of a transfer): here none is sending,
  // and one that is finishing its chunk is waited for without the lock,
  // which its end may need.
  m_transfer.End();
  std::lock_guard lock(m_lock);
  m_startPosted = false;
  // Paused, stopped or shut down before the worker came here.
  if (m_shutDown || m_link.State().transfer != Transfer::Sending) return;
  // After a transfer that ended, from the first byte (the sender was
  // waited for above).
  if (std::exchange(m_rewindDue, false)) m_transfer.Rewind();
  if (!m_transfer.Start())
    m_link.ChangeState([](SessionState& s) { s.transfer = Transfer::Idle; });
}

bool FileSend::Pause() {
  std::lock_guard lock(m_lock);
  if (m_link.State().transfer != Transfer::Sending) return false;
  m_transfer.Pause();
  m_link.ChangeState([](SessionState& s) { s.transfer = Transfer::Paused; });
  return true;
}

bool FileSend::Stop() {
  return End(TransferEnd::Stopped);
}

bool FileSend::End(TransferEnd end) {
  TransferStats stats;
  {
    std::lock_guard lock(m_lock);
    if (m_link.State().transfer == Transfer::Idle) return false;
    stats = m_transfer.Finish();
    m_rewindDue = true;
    m_link.CountTransferEnd();
    m_link.ChangeState([](SessionState& s) { s.transfer = Transfer::Idle; });
  }
  m_link.Events().OnTransferEnded(stats, end);
  return true;
}

void FileSend::Rewind() {
  std::lock_guard lock(m_lock);
  if (m_shutDown || !RewindDueLocked()) return;
  m_worker.Post([this] { RewindNow(); });
}

bool FileSend::RewindDueLocked() {
  return m_rewindDue && m_link.State().transfer == Transfer::Idle;
}

void FileSend::RewindNow() {
  {
    std::lock_guard lock(m_lock);
    // A Send since leaves it to the sender's start.
    if (!RewindDueLocked()) return;
    m_rewindDue = false;
  }
  // Without the lock: a sender finishing its last chunk may need it to end.
  // None starts meanwhile, only this worker starts one.
  m_transfer.Rewind();
}

int FileSend::Thousandths() const {
  const std::uint64_t length = m_transfer.Length();
  const std::int64_t sent = m_transfer.BytesSent();
  // Whole numbers: a finished file is 1000 whatever its length.
  return length > 0 && sent > 0 ? int(std::uint64_t(sent) * 1000 / length) : 0;
}

double FileSend::Percent() const {
  const std::uint64_t length = m_transfer.Length();
  const std::int64_t sent = m_transfer.BytesSent();
  return length > 0 && sent > 0 ? double(sent) * 100.0 / double(length) : 0.0;
}

std::optional<std::int32_t> FileSend::TakeSpeedSample() {
  return m_transfer.TakeSpeedSample();
}

void FileSend::Shutdown() {
  {
    std::lock_guard lock(m_lock);
    m_shutDown = true;
  }
  End(TransferEnd::Stopped);
  m_worker.Shutdown();
  m_transfer.End();
}

}  // namespace zephyn
