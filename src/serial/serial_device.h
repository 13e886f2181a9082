// The calls to a serial device that differ from one operating system to the
// next, behind one small class: open it exclusively with its line settings,
// wait for bytes or for a wake-up, read, write within a deadline, and close
// it with its original settings back. Each system has one file that
// implements it (serial_device_linux.cpp); CComPort builds its queue and
// threads on top of it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zephyn {

struct LineParams;

// Why the last Open failed.
enum class PortError {
  None,
  NotFound,     // no such device
  Permission,   // the user may not open it
  Busy,         // another program has it, or an Open/Close is under way
  NotSerial,    // a file, a folder, a FIFO, /dev/null: no serial device
  Unsupported,  // the device refused the settings (rate 0, say)
  Failed,       // any other system error
};

// The modem lines: the two outputs the terminal drives, then the four inputs
// the other end drives. ModemBit gives each one's bit in a set of lines.
enum class ModemSignal { Dtr, Rts, Cts, Dsr, Dcd, Ri };
inline constexpr int kModemSignalCount = 6;
constexpr unsigned ModemBit(ModemSignal signal) {
  return 1u << static_cast<unsigned>(signal);
}

// One opened device. Open and Close run while no other call does; between
// them one thread may wait and read, one other may write, one other may use
// the modem lines and the break, and any thread may Wake.
class SerialDevice {
 public:
  using Clock = std::chrono::steady_clock;

  SerialDevice();
  ~SerialDevice();  // closes
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  // Opens the device at `path` for this program alone, applies raw binary
  // transfer with `params` and reads the rate back: a rate the device
  // answers with another one fails as Unsupported. Bytes that arrived
  // before are dropped. On failure nothing stays open or changed, and
  // LastError / LastErrno say why.
  bool Open(const std::string& path, const LineParams& params);

  // Puts the device's original settings back, gives up the exclusive use
  // and closes it. Nothing when closed.
  void Close();

  bool IsOpen() const;

  // The kind and the system error number (errno) of the last failed Open.
  PortError LastError() const { return m_lastError; }
  int LastErrno() const { return m_lastErrno; }

  // The rate the device runs at, as it reports it; 0 when it cannot be read.
  std::uint32_t Rate() const;

  enum class ReadEnd {
    Bytes,   // `count` bytes were read
    Empty,   // nothing was buffered
    Woken,   // Wake was called
    Failed,  // the device failed or went away
  };

  // Waits until bytes come, then reads up to `size` of them: Bytes, Woken
  // or Failed, never Empty.
  ReadEnd WaitAndRead(std::uint8_t* buffer, std::size_t size, std::size_t* count);

  // Reads up to `size` of the bytes already buffered, without waiting:
  // Bytes, Empty or Failed. Empty also where a gone device reads as nothing;
  // the next WaitAndRead tells the two apart.
  ReadEnd ReadBuffered(std::uint8_t* buffer, std::size_t size, std::size_t* count);

  enum class WriteEnd {
    Done,      // every byte was handed to the driver
    TimedOut,  // the deadline came first
    Woken,     // Wake was called while the driver had no room
    Failed,    // the device failed or went away
  };

  // Hands `count` bytes to the driver, waiting for room in it until
  // `deadline`; `*written` says how many it took.
  WriteEnd Write(const std::uint8_t* bytes, std::size_t count, Clock::time_point deadline,
                 std::size_t* written);

  // The modem lines and the break, each returning 0 or the errno the device
  // refused it with (ENOTTY or EINVAL from a device without modem lines, a
  // pseudo-terminal among them; EBADF when closed).
  //
  // Reads the six lines: `*lines` holds the ModemBit of each one that is on.
  int ReadModemLines(unsigned* lines);
  // Sets (`on`) or clears one output line, Dtr or Rts; any other is EINVAL.
  int SetModemLine(ModemSignal line, bool on);
  // Holds the line in break for the system's break time (a quarter to half
  // a second) once the bytes handed to the driver have gone out.
  int SendBreak();

  // Waits `duration`; false when Wake cut it short (or the device is closed).
  bool SleepUnlessWoken(std::chrono::nanoseconds duration);

  // Ends every wait of the calls above, and every later one, until Close.
  void Wake();

 private:
  struct Impl;  // the system's handles and the device's original settings
  std::unique_ptr<Impl> m_impl;
  PortError m_lastError = PortError::None;
  int m_lastErrno = 0;
};

// The group that owns a device file ("dialout" on Debian), or "" when it
// cannot be read.
std::string DeviceGroup(const std::string& path);

}  // namespace zephyn
