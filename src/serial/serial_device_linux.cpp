// Linux: a serial device is a terminal device file, configured with termios,
// waited on with poll() beside an eventfd that Wake signals.
#include "serial/serial_device.h"

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
#include <atomic>
#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

#include "serial/custom_baud.h"
#include "serial/modem_calls_for_tests.h"
#include "serial/serial_config_linux.h"

namespace zephyn {

namespace {

using Clock = SerialDevice::Clock;

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

// Milliseconds left until `deadline` for poll(), at least 0, rounded up so a
// wait never ends just short of the deadline.
int PollTimeout(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// The device's settings before Open.
struct Saved {
  termios tio{};
  std::uint32_t rate = 0;
  bool haveRate = false;
};

// Puts the device's original settings back. Failure is ignored: the device
// may be gone.
void RestoreSettings(int fd, const Saved& saved) {
  if (tcsetattr(fd, TCSANOW, &saved.tio) != 0) return;
  // The C library's termios cannot carry a non-standard rate; put it back
  // through the kernel's interface when the plain restore did not.
  std::uint32_t now = 0;
  if (saved.haveRate && saved.rate != 0 && ReadRate(fd, &now) && now != saved.rate)
    SetCustomRate(fd, saved.rate);
}

// The modem lines' control calls: the system's, unless a test replaced them.
std::atomic<ModemCall> g_modemCall{nullptr};

int SystemModemCall(int fd, unsigned long request, int* bits) {
  const int result = request == TCSBRK ? ::tcsendbreak(fd, 0) : ::ioctl(fd, request, bits);
  if (result == 0) return 0;
  return errno != 0 ? errno : EIO;
}

int ModemControl(int fd, unsigned long request, int* bits) {
  const ModemCall call = g_modemCall.load();
  return call != nullptr ? call(fd, request, bits) : SystemModemCall(fd, request, bits);
}

// The system's bit for each modem line, in ModemSignal order.
constexpr int kTiocmBits[kModemSignalCount] = {TIOCM_DTR, TIOCM_RTS, TIOCM_CTS,
                                               TIOCM_DSR, TIOCM_CAR, TIOCM_RNG};

}  // namespace

ModemCall ReplaceModemCallForTests(ModemCall call) {
  return g_modemCall.exchange(call);
}

struct SerialDevice::Impl {
  int fd = -1;
  int wakeFd = -1;  // eventfd that Wake signals; never read, so it stays signalled
  Saved saved;
};

SerialDevice::SerialDevice() : m_impl(std::make_unique<Impl>()) {}

SerialDevice::~SerialDevice() {
  Close();
}

bool SerialDevice::IsOpen() const {
  return m_impl->fd >= 0;
}

bool SerialDevice::Open(const std::string& path, const LineParams& params) {
  auto fail = [this](PortError error, int err) {
    m_lastError = error;
    m_lastErrno = err;
    return false;
  };
  if (IsOpen()) return fail(PortError::Busy, EBUSY);

  // Only a character device can be a serial port. Anything else (a file, a
  // FIFO, a folder) is refused before it is opened: a FIFO's reader would
  // lose bytes to this one, and a read-only file would fail as if the user
  // lacked permission for a device. A character device that is no terminal
  // (/dev/null) fails at its settings below.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    return fail(PortErrorFromErrno(OpenStep::Open, err), err);
  }
  if (!S_ISCHR(st.st_mode))
    return fail(PortError::NotSerial, S_ISDIR(st.st_mode) ? EISDIR : ENOTTY);
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    const int err = errno;
    return fail(PortErrorFromErrno(OpenStep::Open, err), err);
  }
  // An advisory lock decides who has the device; closing the descriptor
  // drops it. Taken before TIOCEXCL so that a refused Open leaves the
  // exclusive mode of the program that has the device alone.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    return fail(PortErrorFromErrno(OpenStep::Lock, err), err);
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

  Saved saved;
  if (tcgetattr(fd.get(), &saved.tio) != 0) {
    const int err = errno;
    return fail(PortErrorFromErrno(OpenStep::Configure, err), err);
  }
  saved.haveRate = ReadRate(fd.get(), &saved.rate);

  const std::optional<SerialSettings> settings = BuildSerialSettings(saved.tio, params);
  if (!settings) return fail(PortError::Unsupported, EINVAL);

  // From here on, every failure puts the original settings back.
  struct RestoreOnFailure {
    int fd;
    const Saved& saved;
    bool armed = true;
    ~RestoreOnFailure() {
      if (armed) RestoreSettings(fd, saved);
    }
  } restore{fd.get(), saved};

  // tcsetattr succeeds when the driver takes any of the settings, and a
  // driver may answer a rate it cannot make with another one: the rate is
  // read back, and one that did not take fails the Open as Unsupported
  // (EINVAL).
  if (tcsetattr(fd.get(), TCSANOW, &settings->tio) != 0 ||
      !(settings->customRate ? SetCustomRate(fd.get(), settings->rate)
                             : RateInEffect(fd.get(), settings->rate))) {
    const int err = errno;
    return fail(PortErrorFromErrno(OpenStep::Configure, err), err);
  }

  // DTR and RTS on while open. A pseudo-terminal, and some adapters, have no
  // modem lines and refuse the call; that does not stop the transfer.
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (const int err = ModemControl(fd.get(), TIOCMBIS, &lines);
      err != 0 && err != ENOTTY && err != EINVAL)
    return fail(PortErrorFromErrno(OpenStep::Configure, err), err);

  // Bytes that arrived before the port was opened belong to no one. Dropped
  // here rather than in the reader, so nothing sent after Open returns is lost.
  if (tcflush(fd.get(), TCIFLUSH) != 0) {
    const int err = errno;
    return fail(PortErrorFromErrno(OpenStep::Configure, err), err);
  }

  UniqueFd wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (wakeFd.get() < 0) return fail(PortError::Failed, errno);

  restore.armed = false;
  exclusive.armed = false;
  m_impl->fd = fd.release();
  m_impl->wakeFd = wakeFd.release();
  m_impl->saved = saved;
  m_lastError = PortError::None;
  m_lastErrno = 0;
  return true;
}

void SerialDevice::Close() {
  Impl& d = *m_impl;
  if (d.fd < 0) return;
  RestoreSettings(d.fd, d.saved);
  // The exclusive mode would outlive the descriptor on a pseudo-terminal
  // whose master stays open, and the next Open by a normal user would fail
  // busy.
  ::ioctl(d.fd, TIOCNXCL);
  ::flock(d.fd, LOCK_UN);
  ::close(d.fd);
  ::close(d.wakeFd);
  d.fd = -1;
  d.wakeFd = -1;
}

std::uint32_t SerialDevice::Rate() const {
  std::uint32_t rate = 0;
  if (m_impl->fd < 0 || !ReadRate(m_impl->fd, &rate)) return 0;
  return rate;
}

SerialDevice::ReadEnd SerialDevice::WaitAndRead(std::uint8_t* buffer, std::size_t size,
                                                std::size_t* count) {
  const Impl& d = *m_impl;
  for (;;) {
    pollfd fds[2] = {{d.fd, POLLIN, 0}, {d.wakeFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return ReadEnd::Failed;
    }
    if (fds[1].revents != 0) return ReadEnd::Woken;
    const short events = fds[0].revents;
    if (events & (POLLERR | POLLNVAL)) return ReadEnd::Failed;
    // Bytes still buffered when the line hangs up are read first; the next
    // round sees the hang-up alone.
    if (!(events & POLLIN)) {
      if (events & POLLHUP) return ReadEnd::Failed;
      continue;
    }
    const ssize_t n = ::read(d.fd, buffer, size);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return ReadEnd::Failed;  // EIO: the device is gone
    }
    // The line is raw with no minimum: a read of 0 bytes after poll said
    // readable means the device has gone away.
    if (n == 0) return ReadEnd::Failed;
    *count = static_cast<std::size_t>(n);
    return ReadEnd::Bytes;
  }
}

SerialDevice::ReadEnd SerialDevice::ReadBuffered(std::uint8_t* buffer, std::size_t size,
                                                 std::size_t* count) {
  // The line returns what it holds without waiting, 0 bytes when it holds
  // nothing (VMIN 0, VTIME 0): no poll is needed first, which in a steady
  // stream saves the costlier call of the two on every read.
  const ssize_t n = ::read(m_impl->fd, buffer, size);
  if (n < 0) {
    if (errno == EINTR || errno == EAGAIN) return ReadEnd::Empty;
    return ReadEnd::Failed;  // EIO: the device is gone
  }
  if (n == 0) return ReadEnd::Empty;
  *count = static_cast<std::size_t>(n);
  return ReadEnd::Bytes;
}

SerialDevice::WriteEnd SerialDevice::Write(const std::uint8_t* bytes, std::size_t count,
                                           Clock::time_point deadline, std::size_t* written) {
  const Impl& d = *m_impl;
  std::size_t done = 0;
  WriteEnd end = WriteEnd::Done;
  // The bytes go to the driver at once while it has room (a file transfer
  // makes tens of thousands of writes a second, each without a poll); only
  // a full driver makes the write wait.
  while (done < count) {
    const ssize_t n = ::write(d.fd, bytes + done, count - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EINTR && errno != EAGAIN) {
      end = WriteEnd::Failed;  // EIO, EPIPE: the device is gone
      break;
    }
    if (n < 0 && errno == EINTR) continue;
    const int timeout = PollTimeout(deadline);
    if (timeout == 0) {
      end = WriteEnd::TimedOut;
      break;
    }
    pollfd fds[2] = {{d.fd, POLLOUT, 0}, {d.wakeFd, POLLIN, 0}};
    if (::poll(fds, 2, timeout) <= 0) continue;
    if (fds[1].revents != 0) {
      end = WriteEnd::Woken;
      break;
    }
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      end = WriteEnd::Failed;
      break;
    }
  }
  *written = done;
  return end;
}

int SerialDevice::ReadModemLines(unsigned* lines) {
  *lines = 0;
  if (m_impl->fd < 0) return EBADF;
  int bits = 0;
  if (const int err = ModemControl(m_impl->fd, TIOCMGET, &bits); err != 0) return err;
  for (int i = 0; i < kModemSignalCount; ++i)
    if (bits & kTiocmBits[i]) *lines |= ModemBit(static_cast<ModemSignal>(i));
  return 0;
}

int SerialDevice::SetModemLine(ModemSignal line, bool on) {
  if (line != ModemSignal::Dtr && line != ModemSignal::Rts) return EINVAL;
  if (m_impl->fd < 0) return EBADF;
  int bits = kTiocmBits[static_cast<int>(line)];
  return ModemControl(m_impl->fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

int SerialDevice::SendBreak() {
  if (m_impl->fd < 0) return EBADF;
  return ModemControl(m_impl->fd, TCSBRK, nullptr);
}

bool SerialDevice::SleepUnlessWoken(std::chrono::nanoseconds duration) {
  const int wakeFd = m_impl->wakeFd;
  if (wakeFd < 0) return false;
  const Clock::time_point deadline = Clock::now() + duration;
  for (;;) {
    // Once the time is up the wake-up is still looked at: a wait of nothing
    // tells whether Wake has been called.
    const auto left =
        std::max(std::chrono::nanoseconds::zero(),
                 std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now()));
    const timespec wait = {static_cast<time_t>(left.count() / 1'000'000'000),
                           static_cast<long>(left.count() % 1'000'000'000)};
    pollfd wake = {wakeFd, POLLIN, 0};
    const int ready = ::ppoll(&wake, 1, &wait, nullptr);
    if (ready > 0) return false;
    if (ready == 0) return true;
    if (errno != EINTR) return false;
  }
}

void SerialDevice::Wake() {
  const std::uint64_t one = 1;
  while (::write(m_impl->wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
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
