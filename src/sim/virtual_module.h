// A virtual Bluetooth serial module on the master side of a pseudo-terminal:
// the terminal opens the slave side like any serial device. It answers AT
// commands at its configured rate only (at any other rate it stays silent),
// and can stream data, hold back its answers and be "unplugged".
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zephyn {

class VirtualModule {
 public:
  // Creates the pseudo-terminal and starts the module's thread. `baudRate`
  // is the rate at which it answers.
  explicit VirtualModule(std::uint32_t baudRate = 9600);
  ~VirtualModule();  // unplugs

  VirtualModule(const VirtualModule&) = delete;
  VirtualModule& operator=(const VirtualModule&) = delete;

  bool ok() const { return m_master >= 0; }
  // What the terminal opens: a link to the slave device (/dev/pts/N) in a
  // folder of its own, which unplug removes, as an adapter's device node
  // goes with the adapter. The kernel gives a freed pseudo-terminal's number
  // to the next one opened (by another program, say): the device's own path
  // could come back as a stranger.
  const std::string& path() const { return m_path; }

  // The module's settings; the AT commands change them too.
  std::uint32_t baudRate() const;
  void setBaudRate(std::uint32_t rate);
  std::string name() const;
  std::string pin() const;

  // The rate the terminal has set on its side, read from the master.
  std::uint32_t terminalRate() const;

  // Answers are held back while set (bytes received are still read).
  void setHoldBack(bool hold);
  // Each answer goes out this long after its command, as a real module's
  // does after a few milliseconds.
  void setAnswerDelay(int milliseconds);

  // Sends `bytes` to the terminal as they are.
  bool send(const std::vector<std::uint8_t>& bytes);
  // Streams `total` bytes of a counting pattern in blocks of `blockSize`,
  // paced at `bytesPerSecond` (0: as fast as the terminal takes them).
  // Returns when all were written or the module was unplugged.
  std::uint64_t stream(std::uint64_t total, std::size_t blockSize, std::uint64_t bytesPerSecond);

  // Everything the module has received from the terminal so far.
  std::vector<std::uint8_t> received() const;
  // Bytes the terminal wrote that the module has not read yet.
  std::size_t unread() const;

  // Removes the path and closes the master: the terminal's side sees a
  // hang-up.
  void unplug();

 private:
  void Run();
  void OnBytes(const std::uint8_t* data, std::size_t size);
  void HandleLine(const std::string& line);
  std::string Reply(const std::string& line);  // with m_mutex held
  void Answer(const std::string& text);
  // Writes `size` bytes to the master, waiting while the pty is full; stops
  // early on unplug. Returns how many were written. m_writeMutex held.
  std::size_t WriteAll(const std::uint8_t* data, std::size_t size);
  // Waits until `deadline`; true when the module is being unplugged.
  bool WaitUntil(std::chrono::steady_clock::time_point deadline) const;

  int m_master = -1;
  int m_slave = -1;  // held open so the master sees no hang-up before the terminal opens
  int m_wakeFd = -1;
  std::string m_path;
  std::string m_linkFolder;  // holds the link m_path; empty: m_path is the device's
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_holdBack{false};
  std::atomic<int> m_answerDelayMs{0};
  std::mutex m_unplugMutex;         // one unplug at a time
  mutable std::mutex m_writeMutex;  // guards writes to the master and closing it
  mutable std::mutex m_mutex;       // guards the fields below
  std::uint32_t m_baudRate;
  std::string m_name = "Zephyn-BT";
  std::string m_version = "V2.1";
  std::string m_address = "00:1A:7D:DA:71:13";
  std::string m_pin = "1234";
  std::vector<std::uint8_t> m_received;
  // The line being received; used by the module's thread only.
  std::string m_line;
  bool m_lineGarbled = false;  // part of it arrived at another rate
  bool m_lineTooLong = false;
};

}  // namespace zephyn
