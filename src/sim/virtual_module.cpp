// Linux only, as a test tool: the module plays the device on the master side
// of a pseudo-terminal and reads the rate the terminal set from there, so it
// calls the system directly rather than through the serial device interface.
#include "sim/virtual_module.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>

#include "common/thread_name.h"
#include "serial/custom_baud.h"

namespace zephyn {

namespace {

// A line longer than this is not a command; it is answered with an error.
constexpr std::size_t kMaxLine = 512;
// How long the module waits when the pty reports a hang-up (no slave open)
// before it looks again.
constexpr int kHangUpPauseMs = 5;

const std::string kOk = "OK\r\n";
const std::string kError = "ERROR\r\n";

std::string Field(const std::string& key, const std::string& value) {
  return "+" + key + "=" + value + "\r\n" + kOk;
}

// A rate given as decimal digits only, positive and within 32 bits.
bool ParseRate(const std::string& text, std::uint32_t* rate) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = first + text.size();
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || value == 0) return false;
  *rate = value;
  return true;
}

}  // namespace

VirtualModule::VirtualModule(std::uint32_t baudRate) : m_baudRate(baudRate) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (master < 0) return;
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    ::close(master);
    return;
  }
  const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (slave < 0 || wake < 0) {
    if (slave >= 0) ::close(slave);
    if (wake >= 0) ::close(wake);
    ::close(master);
    return;
  }
  // Start the line raw, like a serial device: with the pty's default echo a
  // terminal that never configures the line would bounce every answer back
  // to the module as a new command.
  termios tio{};
  if (tcgetattr(slave, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
  }
  m_master = master;
  m_slave = slave;
  m_wakeFd = wake;
  m_path = name;
  std::string folder = (std::filesystem::temp_directory_path() / "zephyn-module-XXXXXX").string();
  if (::mkdtemp(folder.data()) != nullptr) {
    const std::string link = folder + "/module";
    if (::symlink(name, link.c_str()) == 0) {
      m_linkFolder = folder;
      m_path = link;
    } else {
      ::rmdir(folder.c_str());
    }
  }
  m_thread = std::thread(&VirtualModule::Run, this);
}

VirtualModule::~VirtualModule() {
  unplug();
  if (m_wakeFd >= 0) ::close(m_wakeFd);
}

std::uint32_t VirtualModule::baudRate() const {
  std::lock_guard lock(m_mutex);
  return m_baudRate;
}

void VirtualModule::setBaudRate(std::uint32_t rate) {
  std::lock_guard lock(m_mutex);
  m_baudRate = rate;
}

std::string VirtualModule::name() const {
  std::lock_guard lock(m_mutex);
  return m_name;
}

std::string VirtualModule::pin() const {
  std::lock_guard lock(m_mutex);
  return m_pin;
}

std::uint32_t VirtualModule::terminalRate() const {
  std::lock_guard lock(m_writeMutex);
  std::uint32_t rate = 0;
  if (m_master < 0 || !ReadRate(m_master, &rate)) return 0;
  return rate;
}

void VirtualModule::setHoldBack(bool hold) {
  m_holdBack = hold;
}

bool VirtualModule::send(const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(m_writeMutex);
  if (m_master < 0) return false;
  return WriteAll(bytes.data(), bytes.size()) == bytes.size();
}

std::uint64_t VirtualModule::stream(std::uint64_t total, std::size_t blockSize,
                                    std::uint64_t bytesPerSecond) {
  // The pattern is the byte's position in the stream modulo 256, so a reader
  // can tell a lost, doubled or reordered byte from its neighbours.
  blockSize = std::max<std::size_t>(blockSize, 1);
  std::vector<std::uint8_t> block(
      static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, total)));
  const auto start = std::chrono::steady_clock::now();
  std::uint64_t sent = 0;
  while (sent < total) {
    if (bytesPerSecond > 0) {
      const auto due =
          start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(static_cast<double>(sent) /
                                                    static_cast<double>(bytesPerSecond)));
      if (WaitUntil(due)) break;
    }
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, total - sent));
    for (std::size_t i = 0; i < n; ++i) block[i] = static_cast<std::uint8_t>((sent + i) & 0xFF);
    std::size_t written = 0;
    {
      std::lock_guard lock(m_writeMutex);
      if (m_master < 0) break;
      written = WriteAll(block.data(), n);
    }
    sent += written;
    if (written < n) break;
  }
  return sent;
}

std::vector<std::uint8_t> VirtualModule::received() const {
  std::lock_guard lock(m_mutex);
  return m_received;
}

std::size_t VirtualModule::unread() const {
  std::lock_guard lock(m_writeMutex);
  int count = 0;
  if (m_master < 0 || ::ioctl(m_master, FIONREAD, &count) != 0) return 0;
  return static_cast<std::size_t>(count);
}

void VirtualModule::unplug() {
  std::lock_guard unplugLock(m_unplugMutex);
  m_stop = true;
  if (m_wakeFd >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
  }
  if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
  // The path goes first: it never names a number the kernel may hand on.
  if (!m_linkFolder.empty()) {
    ::unlink(m_path.c_str());
    ::rmdir(m_linkFolder.c_str());
    m_linkFolder.clear();
  }
  std::lock_guard lock(m_writeMutex);
  if (m_master >= 0) ::close(m_master);
  if (m_slave >= 0) ::close(m_slave);
  m_master = -1;
  m_slave = -1;
}

void VirtualModule::Run() {
  NameThisThread("virtual-module");
  std::uint8_t buffer[4096];
  while (!m_stop) {
    pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) break;
    if (fds[0].revents & POLLIN) {
      const ssize_t n = ::read(m_master, buffer, sizeof buffer);
      if (n > 0) {
        OnBytes(buffer, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    }
    // Hang-up or EIO: no slave side is open just now. Poll would report it
    // again at once, so pause instead of spinning.
    if (fds[0].revents != 0)
      WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangUpPauseMs));
  }
}

void VirtualModule::OnBytes(const std::uint8_t* data, std::size_t size) {
  // Bytes sent at another rate than the module's reach it as noise: a line
  // any part of which arrived that way is not answered.
  std::uint32_t rate = 0;
  if (!ReadRate(m_master, &rate)) rate = 0;
  bool atRate = false;
  {
    std::lock_guard lock(m_mutex);
    m_received.insert(m_received.end(), data, data + size);
    atRate = rate == m_baudRate;
  }
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\r' || c == '\n') {
      if (!m_line.empty() && !m_lineGarbled) {
        if (m_lineTooLong) {
          Answer(kError);
        } else {
          HandleLine(m_line);
          // AT+BAUD= may have moved the module off the terminal's rate.
          atRate = rate == baudRate();
        }
      }
      m_line.clear();
      m_lineTooLong = false;
      m_lineGarbled = false;
      continue;
    }
    if (!atRate) m_lineGarbled = true;
    if (m_line.size() < kMaxLine) {
      m_line.push_back(c);
    } else {
      m_lineTooLong = true;
    }
  }
}

void VirtualModule::HandleLine(const std::string& line) {
  std::string answer;
  {
    std::lock_guard lock(m_mutex);
    answer = Reply(line);
  }
  Answer(answer);
}

std::string VirtualModule::Reply(const std::string& line) {
  if (line == "AT") return kOk;
  if (line.rfind("AT+", 0) != 0) return kError;
  const std::string body = line.substr(3);
  const std::size_t eq = body.find('=');
  const std::string key = body.substr(0, eq);
  std::string* field = nullptr;
  if (key == "NAME")
    field = &m_name;
  else if (key == "PIN")
    field = &m_pin;
  else if (key == "VER")
    field = &m_version;
  else if (key == "ADDR")
    field = &m_address;
  else if (key != "BAUD")
    return kError;

  if (eq == std::string::npos) {
    return Field(key, field != nullptr ? *field : std::to_string(m_baudRate));
  }
  const std::string value = body.substr(eq + 1);
  if (key == "BAUD") {
    std::uint32_t rate = 0;
    if (!ParseRate(value, &rate)) return kError;
    m_baudRate = rate;
    return Field(key, std::to_string(rate));
  }
  // The version and the address are fixed; a name or PIN cannot be empty.
  if (field == &m_version || field == &m_address || value.empty()) return kError;
  *field = value;
  return Field(key, value);
}

void VirtualModule::setAnswerDelay(int milliseconds) {
  m_answerDelayMs = milliseconds;
}

void VirtualModule::Answer(const std::string& text) {
  if (m_holdBack) return;
  if (const int delay = m_answerDelayMs; delay > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  std::lock_guard lock(m_writeMutex);
  if (m_master < 0) return;
  WriteAll(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::size_t VirtualModule::WriteAll(const std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size && !m_stop) {
    const ssize_t n = ::write(m_master, data + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;
    // The pty is full: wait until the terminal takes some, or the unplug.
    pollfd fds[2] = {{m_master, POLLOUT, 0}, {m_wakeFd, POLLIN, 0}};
    if (poll(fds, 2, 100) < 0 && errno != EINTR) break;
    if (fds[1].revents != 0) break;
    if ((fds[0].revents & (POLLHUP | POLLERR)) && !(fds[0].revents & POLLOUT)) {
      WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(kHangUpPauseMs));
    }
  }
  return done;
}

bool VirtualModule::WaitUntil(std::chrono::steady_clock::time_point deadline) const {
  for (;;) {
    if (m_stop) return true;
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return false;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    pollfd fd = {m_wakeFd, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(std::min<long long>(ms, 1000))) > 0) return true;
  }
}

}  // namespace zephyn
