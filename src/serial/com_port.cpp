#include "serial/com_port.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>
#include <vector>

#include "common/thread_name.h"
#include "serial/serial_config.h"

namespace zephyn {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kReadBlock = 8192;
// A module that talks steadily sends a line every millisecond or so, each
// one a wake-up of the reader if it reads them as they come. While bytes
// keep coming (the previous read was less than kGatherWhile ago) and a read
// brought fewer than kGatherBelow bytes, the reader lets kGather pass after
// it before it looks again, so that one read carries many lines. A first
// answer after a quiet spell is read at once, and a large read is never
// followed by a wait.
constexpr std::chrono::microseconds kGather{10000};
constexpr milliseconds kGatherWhile{20};
constexpr std::size_t kGatherBelow = 1024;
// How long Write waits for its bytes before it returns anyway.
constexpr milliseconds kWriteWait{2000};
// How long Write waits for room in the driver itself before it hands the
// rest to the writer thread.
constexpr milliseconds kDirectWait{20};
// The device's limit for one write: 10 ms per byte plus 1000 ms.
constexpr milliseconds kWritePerByte{10};
constexpr milliseconds kWriteConstant{1000};

// Clears a flag when the scope ends.
class FlagReset {
 public:
  explicit FlagReset(std::atomic<int>& flag) : m_flag(flag) {}
  ~FlagReset() { m_flag.store(0); }
  FlagReset(const FlagReset&) = delete;
  FlagReset& operator=(const FlagReset&) = delete;

 private:
  std::atomic<int>& m_flag;
};

}  // namespace

// A Write's bytes are copied because the writer thread may still be sending
// them after Write has returned.
struct CComPort::WriteJob {
  std::vector<std::uint8_t> bytes;
  bool done = false;
  bool ok = false;
};

CComPort::CComPort(ComReceiver receiver) : m_receiver(std::move(receiver)) {}

CComPort::~CComPort() {
  if (IsOpen()) Close();
}

void CComPort::Fail(PortError error, int err) {
  m_lastErrno.store(err);
  m_lastError.store(error);
}

bool CComPort::Open(const std::string& path, std::uint32_t baudRate,
                    std::uint8_t parity, std::uint8_t byteSize, std::uint8_t stopBits, int flow) {
  if (m_busy.exchange(1) != 0) {
    Fail(PortError::Busy, 0);
    return false;
  }
  FlagReset busy(m_busy);
  std::lock_guard lock(m_lock);
  if (m_isOpen.load() != 0) return true;  // keeps its settings

  if (!m_device.Open(path, LineParams{baudRate, parity, byteSize, stopBits, flow})) {
    Fail(m_device.LastError(), m_device.LastErrno());
    return false;
  }

  m_stopRequested.store(0);
  m_readFailed.store(0);
  {
    // Close leaves the queue empty; the new writer starts from nothing, so no
    // write meant for an earlier port can reach this one.
    std::lock_guard writeLock(m_writeLock);
    DropQueuedWrites();
    m_writerStop = false;
    m_acceptWrites = true;
  }
  try {
    // The reader keeps its own copy: a receiver set later reaches the next
    // Open's reader only.
    m_thread = std::thread([this, receiver = m_receiver] { ReaderLoop(receiver); });
    m_writer = std::thread(&CComPort::WriterLoop, this);
  } catch (const std::system_error& e) {
    StopThreads();
    m_device.Close();
    Fail(PortError::Failed, e.code().value());
    return false;
  }

  m_isOpen.store(1);
  return true;
}

void CComPort::StopThreads() {
  // Refuse new writes before the writer is told to stop: a Write let in after
  // the writer has gone would wait for nobody and stay queued for the next
  // port.
  {
    std::lock_guard writeLock(m_writeLock);
    m_acceptWrites = false;
    m_writerStop = true;
  }
  m_writeQueued.notify_all();
  // The wake-up lasts: it ends every later wait of the reader and the writer
  // too.
  m_device.Wake();
  if (m_thread.joinable()) m_thread.join();
  if (m_writer.joinable()) m_writer.join();
  // Writes the writer did not reach are dropped; their callers, if still
  // waiting, learn at once that they were not sent.
  std::lock_guard writeLock(m_writeLock);
  DropQueuedWrites();
}

void CComPort::DropQueuedWrites() {
  if (m_writeQueue.empty()) return;
  for (const std::shared_ptr<WriteJob>& job : m_writeQueue) {
    job->done = true;
    job->ok = false;
  }
  m_writeQueue.clear();
  m_writeDone.notify_all();
}

void CComPort::Close() {
  if (m_busy.exchange(1) != 0) return;
  FlagReset busy(m_busy);
  std::lock_guard lock(m_lock);
  if (m_isOpen.load() == 0 || !m_device.IsOpen()) return;

  // The reader is woken, not killed: a callback in progress finishes first,
  // so no lock it takes is left held.
  StopThreads();

  // The device's original settings go back as it closes.
  m_device.Close();
  m_isOpen.store(0);
}

void CComPort::ReaderLoop(const ComReceiver& receiver) {
  NameThisThread("com-reader");

  std::vector<std::uint8_t> buffer(kReadBlock);
  Clock::time_point lastRead{};
  // After a gathering wait the bytes are read at once, without waiting for
  // them: a read that finds nothing sends the loop back to the waiting read,
  // which tells an empty line from a gone device.
  bool gathered = false;
  for (;;) {
    std::size_t n = 0;
    const SerialDevice::ReadEnd end = std::exchange(gathered, false)
                                          ? m_device.ReadBuffered(buffer.data(), buffer.size(), &n)
                                          : m_device.WaitAndRead(buffer.data(), buffer.size(), &n);
    if (end == SerialDevice::ReadEnd::Empty) continue;
    if (end == SerialDevice::ReadEnd::Woken) {
      m_stopRequested.store(1);
      return;
    }
    if (end == SerialDevice::ReadEnd::Failed) {
      m_readFailed.store(1);  // the device failed or went away
      return;
    }
    const Clock::time_point now = Clock::now();
    const bool flowing = now - lastRead < kGatherWhile;
    lastRead = now;
    if (receiver) receiver(buffer.data(), static_cast<std::uint32_t>(n));
    // The wait watches the wake-up alone: Close still ends it at once.
    if (flowing && n < kGatherBelow) {
      const auto left = now + kGather - Clock::now();
      if (left > Clock::duration::zero() && !m_device.SleepUnlessWoken(left)) {
        m_stopRequested.store(1);
        return;
      }
      gathered = true;
    }
  }
}

void CComPort::WriterLoop() {
  NameThisThread("com-writer");
  std::unique_lock lock(m_writeLock);
  for (;;) {
    m_writeQueued.wait(lock, [this] { return m_writerStop || !m_writeQueue.empty(); });
    if (m_writerStop) break;
    std::shared_ptr<WriteJob> job = m_writeQueue.front();
    lock.unlock();
    // The deadline counts from the moment this write reaches the device, as
    // a driver's write time-out does.
    const auto deadline =
        Clock::now() + kWriteConstant + kWritePerByte * static_cast<long>(job->bytes.size());
    std::size_t written = 0;
    const SerialDevice::WriteEnd end =
        m_device.Write(job->bytes.data(), job->bytes.size(), deadline, &written);
    lock.lock();
    m_writeQueue.pop_front();
    job->done = true;
    // A write that the deadline cut short counts as sent, as the device's
    // own time-out would; only a device error or Close is a failure.
    job->ok = end == SerialDevice::WriteEnd::Done || end == SerialDevice::WriteEnd::TimedOut;
    m_writeDone.notify_all();
    if (end == SerialDevice::WriteEnd::Woken) break;
  }
  // Close fails whatever is still queued once this thread has ended.
}

bool CComPort::Write(const std::uint8_t* bytes, std::int32_t count) {
  if (count < 0 || (count > 0 && bytes == nullptr)) return false;
  std::unique_lock lock(m_writeLock);
  if (!m_acceptWrites) return false;
  if (count == 0) return true;
  // With nothing queued the writer is idle: the bytes go from here, with no
  // copy and no hand-over to the writer (a file transfer makes tens of
  // thousands of writes a second), as long as the driver takes them at once
  // or finds room for them within kDirectWait. Writes still cannot
  // interleave, as the lock is held; and the device stays open meanwhile,
  // since Close stops taking writes under this lock before it ends anything
  // (so it waits at most kDirectWait for it). The rest goes to the writer,
  // which waits for room until the write's deadline.
  std::size_t done = 0;
  if (m_writeQueue.empty()) {
    const SerialDevice::WriteEnd end =
        m_device.Write(bytes, std::size_t(count), Clock::now() + kDirectWait, &done);
    if (end == SerialDevice::WriteEnd::Done) return true;
    // EIO, EPIPE: the device is gone. (Close cannot wake this write: it
    // stops taking writes under the lock held here before it wakes anyone.)
    if (end != SerialDevice::WriteEnd::TimedOut) return false;
  }
  // The last finished job's storage is used again, so a steady stream of
  // writes that wait for room allocates nothing either.
  std::shared_ptr<WriteJob> job = std::move(m_spareJob);
  if (!job) job = std::make_shared<WriteJob>();
  job->done = false;
  job->ok = false;
  job->bytes.assign(bytes + done, bytes + count);
  m_writeQueue.push_back(job);
  m_writeQueued.notify_one();
  // A write still under way after the wait goes on in the writer thread and
  // ends, finished or at its deadline, before the next queued write starts.
  if (!m_writeDone.wait_for(lock, kWriteWait, [&] { return job->done; })) return true;
  const bool ok = job->ok;
  // Nobody else holds a finished job once the writer has let it go.
  if (job.use_count() == 1) m_spareJob = std::move(job);
  return ok;
}

template <typename Call>
int CComPort::WhileOpen(Call call) {
  // Close stops taking writes under this lock before it closes the device,
  // so the device stays open for as long as the call holds the lock.
  std::lock_guard lock(m_writeLock);
  if (!m_acceptWrites) return EBADF;
  return call();
}

int CComPort::ReadModemLines(unsigned* lines) {
  *lines = 0;
  return WhileOpen([&] { return m_device.ReadModemLines(lines); });
}

int CComPort::SetModemLine(ModemSignal line, bool on) {
  return WhileOpen([&] { return m_device.SetModemLine(line, on); });
}

int CComPort::SendBreak() {
  return WhileOpen([&] { return m_device.SendBreak(); });
}

bool CComPort::WaitUnlessClosing(int milliseconds) {
  // Called from the reader, between Open and Close: once Close has woken
  // the device every wait on it returns at once.
  return m_device.SleepUnlessWoken(std::chrono::milliseconds(std::max(0, milliseconds)));
}

}  // namespace zephyn
