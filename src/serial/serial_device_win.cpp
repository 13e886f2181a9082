// Windows: a serial device is a COM port opened for overlapped I/O and set up
// with a DCB; a read waits on WaitCommEvent(EV_RXCHAR) beside an event that
// Wake signals, and a write waits for its completion until its deadline.
#include "serial/serial_device_win.h"

#include <windows.h>
#include <winioctl.h>

#include <cerrno>
#include <climits>
#include <utility>

#include "serial/serial_config.h"
#include "serial/utf16_win.h"

namespace zephyn {

namespace {

using Clock = SerialDevice::Clock;

// The serial driver's call that reads back the two output lines, and its
// bits. The driver kit's header that defines them needs kernel types.
constexpr DWORD kGetDtrRts = CTL_CODE(FILE_DEVICE_SERIAL_PORT, 30, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG kDtrState = 0x1;
constexpr ULONG kRtsState = 0x2;

// Owns a handle until released, so every failure path of Open closes it.
class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle = nullptr) : m_handle(handle) {}
  ~UniqueHandle() {
    if (valid()) ::CloseHandle(m_handle);
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  bool valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return m_handle; }
  HANDLE release() { return std::exchange(m_handle, nullptr); }

 private:
  HANDLE m_handle;
};

HANDLE NewEvent() {
  // Manual reset: an overlapped call resets it when it starts, and the wake
  // event stays signalled for every later wait.
  return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

// Milliseconds left until `deadline`, at least 0, rounded up so a wait
// never ends just short of it.
DWORD WaitMilliseconds(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms >= static_cast<long long>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(ms);
}

// The DCB for raw binary transfer with `params`, from the device's
// `current` one; false when the parameters cannot be set.
bool BuildDcb(const DCB& current, const LineParams& params, DCB* out) {
  if (params.baudRate == 0 || params.baudRate > kMaxBaudRate) return false;
  if (params.byteSize < 5 || params.byteSize > 8) return false;
  // Parity numbering: 0 none, 1 odd, 2 even, 3 mark, 4 space, as the
  // system's own constants count them.
  if (params.parity > SPACEPARITY) return false;
  if (params.stopBits != 0 && params.stopBits != 2) return false;

  DCB dcb = current;
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = params.baudRate;
  dcb.ByteSize = params.byteSize;
  dcb.Parity = params.parity;
  // A byte received with a parity error is passed on as it came.
  dcb.fParity = FALSE;
  dcb.StopBits = params.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fBinary = TRUE;
  const bool ctsFlow = (params.flow & 1) != 0;
  dcb.fOutxCtsFlow = ctsFlow ? TRUE : FALSE;
  // With CTS flow the driver drives RTS by the room in its input buffer, as
  // hardware flow control does both ways.
  dcb.fRtsControl = ctsFlow ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  // A line error must not stop every later read and write until it is
  // cleared.
  dcb.fAbortOnError = FALSE;
  *out = dcb;
  return true;
}

// The device's settings before Open.
struct Saved {
  DCB dcb{};
  COMMTIMEOUTS timeouts{};
};

// Puts the device's original settings back. Failure is ignored: the device
// may be gone.
void RestoreSettings(HANDLE handle, const Saved& saved) {
  DCB dcb = saved.dcb;
  ::SetCommState(handle, &dcb);
  COMMTIMEOUTS timeouts = saved.timeouts;
  ::SetCommTimeouts(handle, &timeouts);
}

constexpr DWORD kPurgeAll = PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR;

// The refusal of a modem-line call, from the system's last error.
int LastRefusal() {
  const int err = ClassifySystemError(::GetLastError()).err;
  return err != 0 ? err : EIO;
}

// Waits for the overlapped call `ov` on `handle` to end, or for `wake`, or
// until `timeout` ms. WAIT_OBJECT_0 when the call ended; otherwise the call
// was cancelled and has ended too, so `ov` may be reused.
DWORD WaitOverlapped(HANDLE handle, OVERLAPPED* ov, HANDLE wake, DWORD timeout) {
  const HANDLE handles[2] = {ov->hEvent, wake};
  const DWORD result = ::WaitForMultipleObjects(2, handles, FALSE, timeout);
  if (result == WAIT_OBJECT_0) return result;
  ::CancelIoEx(handle, ov);
  DWORD ignored = 0;
  ::GetOverlappedResult(handle, ov, &ignored, TRUE);
  return result;
}

}  // namespace

SystemFailure ClassifySystemError(unsigned long code) {
  switch (code) {
    case ERROR_SUCCESS:
      return {PortError::None, 0};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_UNIT:
      return {PortError::NotFound, ENOENT};
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_NOT_READY:
      return {PortError::NotFound, ENODEV};
    // Another program has the port: the system opens a COM port for one
    // program only and refuses the next as access denied.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return {PortError::Busy, EBUSY};
    case ERROR_INVALID_PARAMETER:
      return {PortError::Unsupported, EINVAL};
    // A device without the serial calls: a file, NUL, a printer port.
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_HANDLE:
      return {PortError::NotSerial, ENOTTY};
    default:
      return {PortError::Failed, EIO};
  }
}

struct SerialDevice::Impl {
  HANDLE handle = INVALID_HANDLE_VALUE;
  HANDLE wakeEvent = nullptr;   // manual reset; Wake sets it until Close
  HANDLE readEvent = nullptr;   // the reader's ReadFile
  HANDLE waitEvent = nullptr;   // the reader's WaitCommEvent
  HANDLE writeEvent = nullptr;  // the writer's WriteFile
  HANDLE lineEvent = nullptr;   // the modem-line thread's calls
  Saved saved;

  bool open() const { return handle != INVALID_HANDLE_VALUE; }
  // One read of what is buffered, without waiting.
  ReadEnd ReadNow(std::uint8_t* buffer, std::size_t size, std::size_t* count) const;
};

SerialDevice::ReadEnd SerialDevice::Impl::ReadNow(std::uint8_t* buffer, std::size_t size,
                                                  std::size_t* count) const {
  // Only what the driver says it holds is asked for, so the read cannot
  // wait: some drivers start an overlapped read with the interval timeout
  // that makes it return at once only after a first byte came.
  DWORD errors = 0;
  COMSTAT stat{};
  if (!::ClearCommError(handle, &errors, &stat)) return ReadEnd::Failed;
  if (stat.cbInQue == 0) return ReadEnd::Empty;
  OVERLAPPED ov{};
  ov.hEvent = readEvent;
  const DWORD wanted = size < stat.cbInQue ? static_cast<DWORD>(size) : stat.cbInQue;
  DWORD got = 0;
  if (!::ReadFile(handle, buffer, wanted, &got, &ov)) {
    if (::GetLastError() != ERROR_IO_PENDING) return ReadEnd::Failed;
    if (!::GetOverlappedResult(handle, &ov, &got, TRUE)) return ReadEnd::Failed;
  }
  if (got == 0) return ReadEnd::Empty;
  *count = got;
  return ReadEnd::Bytes;
}

SerialDevice::SerialDevice() : m_impl(std::make_unique<Impl>()) {}

SerialDevice::~SerialDevice() {
  Close();
}

bool SerialDevice::IsOpen() const {
  return m_impl->open();
}

bool SerialDevice::Open(const std::string& path, const LineParams& params) {
  auto fail = [this](SystemFailure failure) {
    m_lastError = failure.kind;
    m_lastErrno = failure.err;
    return false;
  };
  auto failLast = [&] { return fail(ClassifySystemError(::GetLastError())); };
  if (IsOpen()) return fail({PortError::Busy, EBUSY});

  const std::wstring wide = Widen(path);
  if (wide.empty()) return fail({PortError::NotFound, ENOENT});
  // No sharing: the system refuses every other opener while this one has
  // the port.
  UniqueHandle handle(::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!handle.valid()) return failLast();
  // Only a character device can be a serial port; a file or a pipe is
  // refused before anything is set on it.
  if (::GetFileType(handle.get()) != FILE_TYPE_CHAR) return fail({PortError::NotSerial, ENOTTY});

  Saved saved;
  saved.dcb.DCBlength = sizeof saved.dcb;
  if (!::GetCommState(handle.get(), &saved.dcb) ||
      !::GetCommTimeouts(handle.get(), &saved.timeouts)) {
    const SystemFailure failure = ClassifySystemError(::GetLastError());
    // NUL, a printer port: a device without the serial calls.
    return fail(failure.kind == PortError::Failed ? SystemFailure{PortError::NotSerial, ENOTTY}
                                                  : failure);
  }
  DCB dcb{};
  if (!BuildDcb(saved.dcb, params, &dcb)) return fail({PortError::Unsupported, EINVAL});

  // From here on, every failure puts the original settings back.
  struct RestoreOnFailure {
    HANDLE handle;
    const Saved& saved;
    bool armed = true;
    ~RestoreOnFailure() {
      if (armed) RestoreSettings(handle, saved);
    }
  } restore{handle.get(), saved};

  // A driver may take a rate it cannot make and run at another one: the
  // rate is read back, and one that did not take fails the Open as
  // Unsupported.
  if (!::SetCommState(handle.get(), &dcb)) {
    const SystemFailure failure = ClassifySystemError(::GetLastError());
    return fail(failure.kind == PortError::Failed ? SystemFailure{PortError::Unsupported, EINVAL}
                                                  : failure);
  }
  DCB applied{};
  applied.DCBlength = sizeof applied;
  if (!::GetCommState(handle.get(), &applied)) return failLast();
  if (!RateIsClose(applied.BaudRate, params.baudRate))
    return fail({PortError::Unsupported, EINVAL});

  // Reads return at once with whatever is buffered; writes have no timeout
  // of their own, their deadline is kept by waiting for them.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (!::SetCommTimeouts(handle.get(), &timeouts) || !::SetCommMask(handle.get(), EV_RXCHAR))
    return failLast();

  // Bytes that arrived before the port was opened belong to no one. Dropped
  // here rather than in the reader, so nothing sent after Open returns is lost.
  if (!::PurgeComm(handle.get(), kPurgeAll)) return failLast();

  UniqueHandle events[5] = {UniqueHandle(NewEvent()), UniqueHandle(NewEvent()),
                            UniqueHandle(NewEvent()), UniqueHandle(NewEvent()),
                            UniqueHandle(NewEvent())};
  for (const UniqueHandle& event : events)
    if (!event.valid()) return fail({PortError::Failed, ENOMEM});

  restore.armed = false;
  Impl& d = *m_impl;
  d.handle = handle.release();
  d.wakeEvent = events[0].release();
  d.readEvent = events[1].release();
  d.waitEvent = events[2].release();
  d.writeEvent = events[3].release();
  d.lineEvent = events[4].release();
  d.saved = saved;
  m_lastError = PortError::None;
  m_lastErrno = 0;
  return true;
}

void SerialDevice::Close() {
  Impl& d = *m_impl;
  if (!d.open()) return;
  ::PurgeComm(d.handle, kPurgeAll);
  RestoreSettings(d.handle, d.saved);
  ::CloseHandle(d.handle);
  for (HANDLE* event : {&d.wakeEvent, &d.readEvent, &d.waitEvent, &d.writeEvent, &d.lineEvent}) {
    ::CloseHandle(*event);
    *event = nullptr;
  }
  d.handle = INVALID_HANDLE_VALUE;
}

std::uint32_t SerialDevice::Rate() const {
  if (!m_impl->open()) return 0;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(m_impl->handle, &dcb)) return 0;
  return dcb.BaudRate;
}

SerialDevice::ReadEnd SerialDevice::WaitAndRead(std::uint8_t* buffer, std::size_t size,
                                                std::size_t* count) {
  const Impl& d = *m_impl;
  for (;;) {
    if (::WaitForSingleObject(d.wakeEvent, 0) == WAIT_OBJECT_0) return ReadEnd::Woken;
    const ReadEnd end = d.ReadNow(buffer, size, count);
    if (end != ReadEnd::Empty) return end;

    OVERLAPPED ov{};
    ov.hEvent = d.waitEvent;
    DWORD mask = 0;
    if (::WaitCommEvent(d.handle, &mask, &ov)) continue;
    if (::GetLastError() != ERROR_IO_PENDING) return ReadEnd::Failed;
    // A byte that came between the read above and the start of the wait
    // may have raised no event: the queue is looked at once the wait runs.
    DWORD errors = 0;
    COMSTAT stat{};
    if (::ClearCommError(d.handle, &errors, &stat) && stat.cbInQue > 0) {
      ::CancelIoEx(d.handle, &ov);
      DWORD ignored = 0;
      ::GetOverlappedResult(d.handle, &ov, &ignored, TRUE);
      continue;
    }
    if (WaitOverlapped(d.handle, &ov, d.wakeEvent, INFINITE) != WAIT_OBJECT_0)
      return ReadEnd::Woken;
    DWORD ignored = 0;
    if (::GetOverlappedResult(d.handle, &ov, &ignored, FALSE)) continue;
    // A wait the driver gave up on (one that cannot read the modem lines
    // ends each wait so) is no failure: the loop looks at the queue again.
    // Anything else means the device is gone.
    if (::GetLastError() != ERROR_OPERATION_ABORTED) return ReadEnd::Failed;
  }
}

SerialDevice::ReadEnd SerialDevice::ReadBuffered(std::uint8_t* buffer, std::size_t size,
                                                 std::size_t* count) {
  return m_impl->ReadNow(buffer, size, count);
}

SerialDevice::WriteEnd SerialDevice::Write(const std::uint8_t* bytes, std::size_t count,
                                           Clock::time_point deadline, std::size_t* written) {
  const Impl& d = *m_impl;
  std::size_t done = 0;
  WriteEnd end = WriteEnd::Done;
  while (done < count) {
    OVERLAPPED ov{};
    ov.hEvent = d.writeEvent;
    const std::size_t left = count - done;
    const DWORD chunk = left > MAXDWORD ? MAXDWORD : static_cast<DWORD>(left);
    DWORD sent = 0;
    if (!::WriteFile(d.handle, bytes + done, chunk, &sent, &ov)) {
      if (::GetLastError() != ERROR_IO_PENDING) {
        end = WriteEnd::Failed;  // the device is gone
        break;
      }
      // The driver holds the bytes until they go out; waiting for that is
      // what a full driver makes a write do.
      const DWORD waited = WaitOverlapped(d.handle, &ov, d.wakeEvent, WaitMilliseconds(deadline));
      // A cancelled write may have handed part of its bytes to the line.
      const BOOL ok = ::GetOverlappedResult(d.handle, &ov, &sent, FALSE);
      done += sent;
      if (waited == WAIT_OBJECT_0 + 1) {
        end = WriteEnd::Woken;
        break;
      }
      if (waited != WAIT_OBJECT_0) {
        end = WriteEnd::TimedOut;
        break;
      }
      if (!ok) {
        end = WriteEnd::Failed;
        break;
      }
    } else {
      done += sent;
    }
    // A driver that takes nothing would keep this loop going past the
    // deadline.
    if (sent == 0 && WaitMilliseconds(deadline) == 0) {
      end = WriteEnd::TimedOut;
      break;
    }
  }
  *written = done;
  return end;
}

int SerialDevice::ReadModemLines(unsigned* lines) {
  *lines = 0;
  const Impl& d = *m_impl;
  if (!d.open()) return EBADF;
  DWORD inputs = 0;
  if (!::GetCommModemStatus(d.handle, &inputs)) return LastRefusal();
  // The outputs as the driver drives them, which under CTS flow is not what
  // was last asked for RTS.
  OVERLAPPED ov{};
  ov.hEvent = d.lineEvent;
  ULONG outputs = 0;
  DWORD size = 0;
  if (!::DeviceIoControl(d.handle, kGetDtrRts, nullptr, 0, &outputs, sizeof outputs,
                         &size, &ov) &&
      (::GetLastError() != ERROR_IO_PENDING ||
       !::GetOverlappedResult(d.handle, &ov, &size, TRUE)))
    return LastRefusal();
  if (outputs & kDtrState) *lines |= ModemBit(ModemSignal::Dtr);
  if (outputs & kRtsState) *lines |= ModemBit(ModemSignal::Rts);
  if (inputs & MS_CTS_ON) *lines |= ModemBit(ModemSignal::Cts);
  if (inputs & MS_DSR_ON) *lines |= ModemBit(ModemSignal::Dsr);
  if (inputs & MS_RLSD_ON) *lines |= ModemBit(ModemSignal::Dcd);
  if (inputs & MS_RING_ON) *lines |= ModemBit(ModemSignal::Ri);
  return 0;
}

int SerialDevice::SetModemLine(ModemSignal line, bool on) {
  if (line != ModemSignal::Dtr && line != ModemSignal::Rts) return EINVAL;
  if (!m_impl->open()) return EBADF;
  const DWORD function = line == ModemSignal::Dtr ? (on ? SETDTR : CLRDTR) : (on ? SETRTS : CLRRTS);
  return ::EscapeCommFunction(m_impl->handle, function) ? 0 : LastRefusal();
}

int SerialDevice::SendBreak() {
  const Impl& d = *m_impl;
  if (!d.open()) return EBADF;
  // The break follows the bytes already handed to the driver: wait (within
  // bounds, as flow control may hold them) until they have gone out.
  for (int round = 0; round < 200; ++round) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (!::ClearCommError(d.handle, &errors, &stat)) return LastRefusal();
    if (stat.cbOutQue == 0) break;
    ::Sleep(10);
  }
  if (!::SetCommBreak(d.handle)) return LastRefusal();
  ::Sleep(250);
  return ::ClearCommBreak(d.handle) ? 0 : LastRefusal();
}

bool SerialDevice::SleepUnlessWoken(std::chrono::nanoseconds duration) {
  const HANDLE wake = m_impl->wakeEvent;
  if (wake == nullptr) return false;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(duration);
  for (;;) {
    // Once the time is up the wake-up is still looked at: a wait of nothing
    // tells whether Wake has been called.
    const DWORD result = ::WaitForSingleObject(wake, WaitMilliseconds(deadline));
    if (result == WAIT_OBJECT_0) return false;
    if (result != WAIT_TIMEOUT) return false;
    if (Clock::now() >= deadline) return true;
  }
}

void SerialDevice::Wake() {
  if (m_impl->wakeEvent != nullptr) ::SetEvent(m_impl->wakeEvent);
}

std::string DeviceGroup(const std::string&) {
  // COM ports carry no owning group.
  return {};
}

}  // namespace zephyn
