#include "serial/com_port.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

#include "common/thread_name.h"
#include "serial/custom_baud.h"
#include "serial/serial_config.h"

namespace zephyn {

CComPort g_comPort;

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
constexpr ssize_t kGatherBelow = 1024;
// How long Write waits for its bytes before it returns anyway.
constexpr milliseconds kWriteWait{2000};
// How long Write waits for room in the driver itself before it hands the
// rest to the writer thread.
constexpr milliseconds kDirectWait{20};
// The device's limit for one write: 10 ms per byte plus 1000 ms.
constexpr milliseconds kWritePerByte{10};
constexpr milliseconds kWriteConstant{1000};

// Owns a descriptor until released, so every failure path of Open closes it.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : m_fd(fd) {}
  ~UniqueFd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return m_fd; }
  int release() { return std::exchange(m_fd, -1); }

 private:
  int m_fd;
};

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

// Milliseconds left until `deadline` for poll(), at least 0, rounded up so a
// wait never ends just short of the deadline.
int PollTimeout(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<milliseconds>(left).count();
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace

struct CComPort::Saved {
  termios tio{};
  std::uint32_t rate = 0;
  bool haveRate = false;
};

// A Write's bytes are copied because the writer thread may still be sending
// them after Write has returned.
struct CComPort::WriteJob {
  std::vector<std::uint8_t> bytes;
  bool done = false;
  bool ok = false;
};

namespace {

// Puts the device's original settings back. Failure is ignored: the device
// may be gone.
void RestoreSettings(int fd, const termios& tio, bool haveRate, std::uint32_t rate) {
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return;
  // The C library's termios cannot carry a non-standard rate; put it back
  // through the kernel's interface when the plain restore did not.
  std::uint32_t now = 0;
  if (haveRate && rate != 0 && ReadRate(fd, &now) && now != rate) SetCustomRate(fd, rate);
}

enum class WriteEnd { Done, TimedOut, Stopped, Failed };

// Writes all of `bytes` to `fd` until `deadline`; `stopFd` becoming readable
// abandons the write.
WriteEnd WriteAll(int fd, int stopFd, const std::vector<std::uint8_t>& bytes,
                  Clock::time_point deadline) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const int timeout = PollTimeout(deadline);
    if (timeout == 0) return WriteEnd::TimedOut;
    pollfd fds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeout);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return WriteEnd::Failed;
    }
    if (fds[1].revents != 0) return WriteEnd::Stopped;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return WriteEnd::Failed;
    if (!(fds[0].revents & POLLOUT)) continue;
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return WriteEnd::Failed;  // EIO, EPIPE: the device is gone
    }
    done += static_cast<std::size_t>(n);
  }
  return WriteEnd::Done;
}

}  // namespace

CComPort::CComPort(ComReceiver receiver) : m_receiver(std::move(receiver)) {}

void CComPort::SetReceiver(ComReceiver receiver) {
  std::lock_guard lock(m_lock);
  m_receiver = std::move(receiver);
}

CComPort::~CComPort() {
  if (IsOpen()) Close();
}

void CComPort::Fail(PortError error, int err) {
  m_lastErrno.store(err);
  m_lastError.store(error);
}

bool CComPort::Open(const std::string& path, std::uint32_t baudRate, std::uint8_t parity,
                    std::uint8_t byteSize, std::uint8_t stopBits, int flow) {
  if (m_busy.exchange(1) != 0) {
    Fail(PortError::Busy, 0);
    return false;
  }
  FlagReset busy(m_busy);
  std::lock_guard lock(m_lock);
  if (m_isOpen.load() != 0) return true;  // keeps its settings

  // Only a character device can be a serial port. Anything else (a file, a
  // FIFO, a folder) is refused before it is opened: a FIFO's reader would
  // lose bytes to this one, and a read-only file would fail as if the user
  // lacked permission for a device. A character device that is no terminal
  // (/dev/null) fails at its settings below.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    Fail(PortErrorFromErrno(OpenStep::Open, err), err);
    return false;
  }
  if (!S_ISCHR(st.st_mode)) {
    Fail(PortError::NotSerial, S_ISDIR(st.st_mode) ? EISDIR : ENOTTY);
    return false;
  }
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    const int err = errno;
    Fail(PortErrorFromErrno(OpenStep::Open, err), err);
    return false;
  }
  // An advisory lock decides who has the device; closing the descriptor
  // drops it. Taken before TIOCEXCL so that a refused Open leaves the
  // exclusive mode of the program that has the device alone.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    Fail(PortErrorFromErrno(OpenStep::Lock, err), err);
    return false;
  }
  // TIOCEXCL keeps other programs from opening the device; it is not enforced
  // for root, which the lock covers. A device that refuses TIOCEXCL is still
  // usable. The mode belongs to the device, not the descriptor: a
  // pseudo-terminal whose master stays open keeps it after the close, so
  // every failure from here on releases it (Close does too).
  ::ioctl(fd.get(), TIOCEXCL);
  struct ReleaseExclusive {
    int fd;
    bool armed = true;
    ~ReleaseExclusive() {
      if (armed) ::ioctl(fd, TIOCNXCL);
    }
  } exclusive{fd.get()};

  auto saved = std::make_unique<Saved>();
  if (tcgetattr(fd.get(), &saved->tio) != 0) {
    const int err = errno;
    Fail(PortErrorFromErrno(OpenStep::Configure, err), err);
    return false;
  }
  saved->haveRate = ReadRate(fd.get(), &saved->rate);

  const std::optional<SerialSettings> settings =
      BuildSerialSettings(saved->tio, LineParams{baudRate, parity, byteSize, stopBits, flow});
  if (!settings) {
    Fail(PortError::Unsupported, EINVAL);
    return false;
  }

  // From here on, every failure puts the original settings back.
  struct RestoreOnFailure {
    int fd;
    const Saved& saved;
    bool armed = true;
    ~RestoreOnFailure() {
      if (armed) RestoreSettings(fd, saved.tio, saved.haveRate, saved.rate);
    }
  } restore{fd.get(), *saved};

  // tcsetattr succeeds when the driver takes any of the settings, and a
  // driver may answer a rate it cannot make with another one: the rate is
  // read back, and one that did not take fails the Open as Unsupported
  // (EINVAL).
  if (tcsetattr(fd.get(), TCSANOW, &settings->tio) != 0 ||
      !(settings->customRate ? SetCustomRate(fd.get(), settings->rate)
                             : RateInEffect(fd.get(), settings->rate))) {
    const int err = errno;
    Fail(PortErrorFromErrno(OpenStep::Configure, err), err);
    return false;
  }

  // DTR and RTS on while open. A pseudo-terminal, and some adapters, have no
  // modem lines and refuse the call; that does not stop the transfer.
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (::ioctl(fd.get(), TIOCMBIS, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
    const int err = errno;
    Fail(PortErrorFromErrno(OpenStep::Configure, err), err);
    return false;
  }

  // Bytes that arrived before the port was opened belong to no one. Dropped
  // here rather than in the reader, so nothing sent after Open returns is lost.
  if (tcflush(fd.get(), TCIFLUSH) != 0) {
    const int err = errno;
    Fail(PortErrorFromErrno(OpenStep::Configure, err), err);
    return false;
  }

  UniqueFd stopFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (stopFd.get() < 0) {
    const int err = errno;
    Fail(PortError::Failed, err);
    return false;
  }

  m_stopRequested.store(0);
  m_readFailed.store(0);
  m_fd = fd.get();
  m_stopFd = stopFd.get();
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
    m_fd = -1;
    m_stopFd = -1;
    Fail(PortError::Failed, e.code().value());
    return false;
  }

  restore.armed = false;
  exclusive.armed = false;
  fd.release();
  stopFd.release();
  m_saved = std::move(saved);
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
  // The eventfd is never read, so once signalled it wakes every later poll of
  // the reader and the writer too.
  const std::uint64_t one = 1;
  while (::write(m_stopFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
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
  if (m_isOpen.load() == 0 || m_fd < 0) return;

  // The reader is woken, not killed: a callback in progress finishes first,
  // so no lock it takes is left held.
  StopThreads();

  if (m_saved) RestoreSettings(m_fd, m_saved->tio, m_saved->haveRate, m_saved->rate);
  m_saved.reset();
  // The exclusive mode would outlive the descriptor on a pseudo-terminal
  // whose master stays open, and the next Open by a normal user would fail
  // busy.
  ::ioctl(m_fd, TIOCNXCL);
  ::flock(m_fd, LOCK_UN);
  ::close(m_fd);
  ::close(m_stopFd);
  m_fd = -1;
  m_stopFd = -1;
  m_isOpen.store(0);
}

void CComPort::ReaderLoop(const ComReceiver& receiver) {
  NameThisThread("com-reader");
  const int fd = m_fd;
  const int stopFd = m_stopFd;

  std::vector<std::uint8_t> buffer(kReadBlock);
  Clock::time_point lastRead{};
  // After a gathering wait the bytes are read at once: the line is set to
  // return what it holds without waiting, and a read that finds nothing
  // (0 bytes then, as the line is raw with no minimum) sends the loop back
  // to poll, which tells an empty line from a gone device. In a steady
  // stream that saves a poll, the costlier call of the two, on every read.
  bool gathered = false;
  for (;;) {
    if (!gathered) {
      pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        m_readFailed.store(1);
        return;
      }
      if (fds[1].revents != 0) {
        m_stopRequested.store(1);
        return;
      }
      const short events = fds[0].revents;
      if (events & (POLLERR | POLLNVAL)) {
        m_readFailed.store(1);
        return;
      }
      // Bytes still buffered when the line hangs up are read first; the next
      // round sees the hang-up alone.
      if (!(events & POLLIN)) {
        if (events & POLLHUP) {
          m_readFailed.store(1);
          return;
        }
        continue;
      }
    }
    const bool afterWait = std::exchange(gathered, false);
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      m_readFailed.store(1);  // EIO: the device is gone
      return;
    }
    if (n == 0) {
      if (afterWait) continue;
      // Readable but empty: the device has gone away.
      m_readFailed.store(1);
      return;
    }
    const Clock::time_point now = Clock::now();
    const bool flowing = now - lastRead < kGatherWhile;
    lastRead = now;
    if (receiver) receiver(buffer.data(), static_cast<std::uint32_t>(n));
    // The wait watches the stop signal alone: Close still ends it at once.
    if (flowing && n < kGatherBelow) {
      const auto left = now + kGather - Clock::now();
      if (left > Clock::duration::zero()) {
        const timespec wait = {0, static_cast<long>(
                                      std::chrono::duration_cast<std::chrono::nanoseconds>(left)
                                          .count())};
        pollfd stop = {stopFd, POLLIN, 0};
        if (::ppoll(&stop, 1, &wait, nullptr) > 0) {
          m_stopRequested.store(1);
          return;
        }
      }
      gathered = true;
    }
  }
}

void CComPort::WriterLoop() {
  NameThisThread("com-writer");
  const int fd = m_fd;
  const int stopFd = m_stopFd;
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
    const WriteEnd end = WriteAll(fd, stopFd, job->bytes, deadline);
    lock.lock();
    m_writeQueue.pop_front();
    job->done = true;
    // A write that the deadline cut short counts as sent, as the device's
    // own time-out would; only a device error or Close is a failure.
    job->ok = end == WriteEnd::Done || end == WriteEnd::TimedOut;
    m_writeDone.notify_all();
    if (end == WriteEnd::Stopped) break;
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
  // interleave, as the lock is held; and the descriptor stays open meanwhile,
  // since Close stops taking writes under this lock before it ends anything
  // (so it waits at most kDirectWait for it). The rest goes to the writer,
  // which waits for room until the write's deadline.
  std::int32_t done = 0;
  if (m_writeQueue.empty()) {
    const auto roomDeadline = Clock::now() + kDirectWait;
    while (done < count) {
      const ssize_t n = ::write(m_fd, bytes + done, std::size_t(count - done));
      if (n > 0) {
        done += std::int32_t(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) return false;  // EIO, EPIPE: the device is gone
      const int timeout = PollTimeout(roomDeadline);
      if (timeout == 0) break;
      pollfd out = {m_fd, POLLOUT, 0};
      if (::poll(&out, 1, timeout) > 0 && (out.revents & (POLLERR | POLLHUP | POLLNVAL)))
        return false;
    }
    if (done == count) return true;
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

bool CComPort::WaitUnlessClosing(int milliseconds) {
  // Called from the reader, between Open and Close: the stop eventfd is
  // valid, and once Close signals it every poll on it returns at once.
  const int stopFd = m_stopFd;
  if (stopFd < 0) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, milliseconds));
  for (;;) {
    pollfd stop = {stopFd, POLLIN, 0};
    const int ready = ::poll(&stop, 1, PollTimeout(deadline));
    if (ready > 0) return false;
    if (ready == 0) return true;
    if (errno != EINTR) return false;
  }
}

std::string DeviceGroup(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 1024);
  for (;;) {
    group entry{};
    group* found = nullptr;
    const int err = ::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found);
    if (err == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (err != 0 || found == nullptr) return {};
    return found->gr_name;
  }
}

}  // namespace zephyn
