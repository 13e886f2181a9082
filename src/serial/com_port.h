// The serial device: opens and configures a port, runs a reader thread that
// hands every block of received bytes to its receiver, writes byte blocks and
// closes the port again. Each session owns one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "serial/serial_device.h"

namespace zephyn {

// Receives 1 to 8192 bytes on the reader thread; the bytes are valid only
// during the call.
using ComReceiver = std::function<void(const std::uint8_t* bytes, std::uint32_t count)>;

class CComPort {
 public:
  // `receiver` takes every block read; none: what is read is dropped.
  explicit CComPort(ComReceiver receiver = {});
  ~CComPort();
  CComPort(const CComPort&) = delete;
  CComPort& operator=(const CComPort&) = delete;

  // Opens the device at `path` exclusively: raw binary transfer at
  // `baudRate` (any rate from 1 to 4,000,000, standard or not, that the
  // device takes: one it answers with another rate is Unsupported) with the given parity
  // (0 none), byte size and stop bits (0 one), CTS output flow control when bit 0 of
  // `flow` is set, DTR and RTS asserted, no software flow control, and starts
  // the reader. True when the port is open afterwards (also when it already
  // was: it keeps its settings). False while another Open or Close runs.
  bool Open(const std::string& path, std::uint32_t baudRate, std::uint8_t parity,
            std::uint8_t byteSize, std::uint8_t stopBits, int flow);

  // Stops the reader (waiting for a callback in progress) and closes the
  // port, restoring the device's original settings. Writes not yet sent are
  // dropped; callers still waiting for them get false. Does nothing when closed or while
  // another Open or Close runs.
  void Close();

  // Writes `count` bytes; writes never interleave. True when the write was
  // handed to the driver and waited for, at most about 2000 ms (a write that
  // flow control holds back ends at its deadline, 10 ms per byte + 1000 ms,
  // before the next one starts). False on a closed port, when the write
  // could not be started, or when Close came before it was sent.
  bool Write(const std::uint8_t* bytes, std::int32_t count);

  // The device's modem lines and the break while the port is open (see
  // SerialDevice): 0 or the errno the device refused with; EBADF when the
  // port is not open. Any thread; they never overlap a write's start or
  // each other, and Close waits for one under way (a break: up to half a
  // second).
  int ReadModemLines(unsigned* lines);
  int SetModemLine(ModemSignal line, bool on);
  int SendBreak();

  bool IsOpen() const { return m_isOpen.load() != 0; }

  // The reason and system error (errno) of the last failed Open.
  PortError LastError() const { return m_lastError.load(); }
  int LastErrno() const { return m_lastErrno.load(); }

  // For the receive callback: waits `milliseconds` on the reader thread, or
  // less when Close wants the reader to end. False when the wait was cut
  // short (or the port is not open): the callback should return at once.
  // A callback that pauses this way never holds up Close.
  bool WaitUnlessClosing(int milliseconds);

  // The reader ended because the device failed or went away.
  bool ReadFailed() const { return m_readFailed.load() != 0; }

 private:
  struct WriteJob;  // one Write's bytes and how it ended

  void ReaderLoop(const ComReceiver& receiver);
  void WriterLoop();
  // Stops taking writes, ends both threads and fails every queued write.
  void StopThreads();
  // Marks every queued write as not sent and empties the queue; m_writeLock held.
  void DropQueuedWrites();
  void Fail(PortError error, int err);
  // Runs `call` on the device while writes are taken (the device is open
  // then); EBADF otherwise.
  template <typename Call>
  int WhileOpen(Call call);

  // The opened device; Close wakes the reader and the writer through it.
  SerialDevice m_device;
  std::atomic<int> m_readFailed{0};
  std::atomic<int> m_stopRequested{0};
  std::thread m_thread;  // the reader
  std::thread m_writer;  // hands the queued writes to the device, one after another
  std::mutex m_lock;  // held while Open or Close changes the port
  // Guards the write queue; Write waits on m_writeDone for its job.
  std::mutex m_writeLock;
  std::condition_variable m_writeQueued;
  std::condition_variable m_writeDone;
  std::deque<std::shared_ptr<WriteJob>> m_writeQueue;
  std::shared_ptr<WriteJob> m_spareJob;  // a finished job kept for the next Write
  bool m_writerStop = false;
  bool m_acceptWrites = false;
  const ComReceiver m_receiver;
  std::atomic<int> m_isOpen{0};
  std::atomic<int> m_busy{0};
  std::atomic<PortError> m_lastError{PortError::None};
  std::atomic<int> m_lastErrno{0};
};

}  // namespace zephyn
