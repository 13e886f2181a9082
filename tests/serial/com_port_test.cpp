#include "serial/com_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "serial/custom_baud.h"
#include "support/fake_modem_calls.h"
#include "support/file_override.h"

namespace zephyn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// A pseudo-terminal: the port opens the slave by its path, the test plays the
// device on the master.
class Pty {
 public:
  Pty() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) return;
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0) return;
    m_path = name;
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() { Unplug(); }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return m_master >= 0 && !m_path.empty(); }
  int master() const { return m_master; }
  const std::string& path() const { return m_path; }

  void Unplug() {
    if (m_master >= 0) close(m_master);
    m_master = -1;
  }

  // Plays the device sending `bytes`.
  bool Send(const std::uint8_t* bytes, std::size_t count) {
    std::size_t done = 0;
    const auto deadline = Clock::now() + 10s;
    while (done < count && Clock::now() < deadline) {
      pollfd pfd{m_master, POLLOUT, 0};
      if (poll(&pfd, 1, 100) <= 0) continue;
      const ssize_t n = write(m_master, bytes + done, count - done);
      if (n > 0) done += static_cast<std::size_t>(n);
    }
    return done == count;
  }

  // Reads what the port sent until `count` bytes have come or `timeout` ends.
  Bytes Receive(std::size_t count, Clock::duration timeout = 10s) {
    Bytes out;
    const auto deadline = Clock::now() + timeout;
    std::uint8_t buffer[65536];
    while (out.size() < count && Clock::now() < deadline) {
      pollfd pfd{m_master, POLLIN, 0};
      if (poll(&pfd, 1, 50) <= 0) continue;
      const ssize_t n = read(m_master, buffer, std::min(sizeof buffer, count - out.size()));
      if (n > 0) out.insert(out.end(), buffer, buffer + n);
    }
    return out;
  }

 private:
  int m_master = -1;
  std::string m_path;
};

// Collects what the reader thread delivers.
struct Sink {
  std::mutex mutex;
  std::condition_variable cv;
  Bytes bytes;
  int calls = 0;
  bool badCount = false;

  void OnRead(const std::uint8_t* received, std::uint32_t count) {
    std::lock_guard lock(mutex);
    if (count < 1 || count > 8192) badCount = true;
    bytes.insert(bytes.end(), received, received + count);
    ++calls;
    cv.notify_all();
  }
  ComReceiver Receiver() {
    return [this](const std::uint8_t* received, std::uint32_t count) { OnRead(received, count); };
  }

  bool WaitFor(std::size_t count, Clock::duration timeout = 10s) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, timeout, [&] { return bytes.size() >= count; });
  }
};

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

bool OpenAt(CComPort& port, const Pty& pty, std::uint32_t rate, int flow = 0) {
  return port.Open(pty.path(), rate, 0, 8, 0, flow);
}

// An open port on a fresh pseudo-terminal whose reads go to a Sink.
struct ReadingPort {
  Pty pty;
  Sink sink;
  CComPort port{sink.Receiver()};

  bool Open(std::uint32_t rate) {
    return pty.ok() && OpenAt(port, pty, rate);
  }
};

template <typename Predicate>
bool Eventually(Predicate predicate, Clock::duration timeout = 5s) {
  const auto deadline = Clock::now() + timeout;
  while (!predicate()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

Bytes Pattern(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

TEST(ComPort, AppliesTheRateAndRawSettingsAndRestoresThemOnClose) {
  struct Case {
    std::uint32_t rate;
    speed_t speed;  // B0 for a rate without a B constant
  };
  const Case cases[] = {
      {9600, B9600}, {115200, B115200}, {921600, B921600}, {250000, B0}, {31250, B0}, {123457, B0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rate " << c.rate);
    Pty pty;
    ASSERT_TRUE(pty.ok());
    // The master reads the slave's settings: these are the device's originals.
    termios before{};
    ASSERT_EQ(tcgetattr(pty.master(), &before), 0);
    std::uint32_t rateBefore = 0;
    ASSERT_TRUE(ReadRate(pty.master(), &rateBefore));

    CComPort port;
    ASSERT_TRUE(OpenAt(port, pty, c.rate));
    EXPECT_TRUE(port.IsOpen());
    std::uint32_t rate = 0;
    ASSERT_TRUE(ReadRate(pty.master(), &rate));
    EXPECT_EQ(rate, c.rate);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    if (c.speed != B0) {
      EXPECT_EQ(cfgetospeed(&tio), c.speed);
    }
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(tio.c_cflag & (CSIZE | HUPCL | CLOCAL | CREAD), tcflag_t{CS8 | CLOCAL | CREAD});
    EXPECT_EQ(tio.c_cc[VMIN], 0);

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    termios after{};
    ASSERT_EQ(tcgetattr(pty.master(), &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    ASSERT_TRUE(ReadRate(pty.master(), &rate));
    EXPECT_EQ(rate, rateBefore);
  }
}

TEST(ComPort, CustomOriginalRateIsRestored) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  // The device was left at a rate the C library's settings cannot express.
  int slave = open(pty.path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  ASSERT_TRUE(SetCustomRate(slave, 250000));
  close(slave);
  CComPort port;
  ASSERT_TRUE(OpenAt(port, pty, 9600));
  std::uint32_t rate = 0;
  ASSERT_TRUE(ReadRate(pty.master(), &rate));
  EXPECT_EQ(rate, 9600u);
  port.Close();
  ASSERT_TRUE(ReadRate(pty.master(), &rate));
  EXPECT_EQ(rate, 250000u);
}

TEST(ComPort, FailedOpenLeavesThePortClosedAndReleasesEverything) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  const int descriptors = OpenDescriptors();
  struct Case {
    std::string path;
    std::uint32_t rate;
    PortError expected;
  };
  // What a user may give as --port that is no serial device.
  char folder[] = "/tmp/zephyn-port-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/file";
  const std::string fifo = std::string(folder) + "/fifo";
  const int made = open(file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
  ASSERT_GE(made, 0);
  close(made);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const Case cases[] = {
      {"/dev/zephyn-no-such-port", 9600, PortError::NotFound},
      {"/dev/null", 9600, PortError::NotSerial},  // a device, but no terminal
      {file, 9600, PortError::NotSerial},
      {fifo, 9600, PortError::NotSerial},
      {folder, 9600, PortError::NotSerial},
      {pty.path(), 0, PortError::Unsupported},
      {pty.path(), 4'000'001, PortError::Unsupported},
  };
  CComPort port;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " at " + std::to_string(c.rate));
    EXPECT_FALSE(port.Open(c.path, c.rate, 0, 8, 0, 0));
    EXPECT_EQ(port.LastError(), c.expected);
    EXPECT_NE(port.LastErrno(), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(OpenDescriptors(), descriptors);
  }
  unlink(file.c_str());
  unlink(fifo.c_str());
  rmdir(folder);
  // The refused rate left the device as it was and free for the next Open.
  termios tio{};
  ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
  EXPECT_NE(tio.c_lflag & ICANON, 0u);
  EXPECT_TRUE(OpenAt(port, pty, 115200));
  port.Close();
}

TEST(ComPort, DeviceInUseIsBusyUntilClosed) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  CComPort first;
  CComPort second;
  ASSERT_TRUE(OpenAt(first, pty, 9600));
  EXPECT_FALSE(OpenAt(second, pty, 9600));
  EXPECT_EQ(second.LastError(), PortError::Busy);
  EXPECT_FALSE(second.IsOpen());
  first.Close();
  EXPECT_TRUE(OpenAt(second, pty, 9600));
  second.Close();
}

constexpr int kNoNormalUser = 255;

// Opens `path` in a child process without the right to override exclusive
// use, as a normal user would: 0 on success, kNoNormalUser when the child
// cannot give up root, else the errno of open().
int OpenAsNormalUser(const std::string& path) {
  const char* const file = path.c_str();
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    // Only async-signal-safe calls here: the parent has threads.
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(kNoNormalUser);
    }
    const int fd = open(file, O_RDWR | O_NOCTTY | O_NONBLOCK);
    _exit(fd >= 0 ? 0 : errno);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// On a pseudo-terminal whose master stays open the exclusive mode outlives
// the descriptor; the port must release it whenever it lets the device go.
TEST(ComPort, OtherUsersAreKeptOutOnlyWhileThePortIsOpen) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  if (geteuid() == 0) {
    ASSERT_EQ(chmod(pty.path().c_str(), 0666), 0);
  }
  const int before = OpenAsNormalUser(pty.path());
  if (before == kNoNormalUser) GTEST_SKIP() << "cannot switch to a normal user";
  ASSERT_EQ(before, 0);

  CComPort port;
  ASSERT_TRUE(OpenAt(port, pty, 9600));
  EXPECT_EQ(OpenAsNormalUser(pty.path()), EBUSY);
  port.Close();
  EXPECT_EQ(OpenAsNormalUser(pty.path()), 0) << "after Close";
  // Refused after the device was taken.
  ASSERT_FALSE(OpenAt(port, pty, 0));
  EXPECT_EQ(OpenAsNormalUser(pty.path()), 0) << "after a refused Open";
}

// A normal user's program that closes a pseudo-terminal can open it again:
// the exclusive mode it set is released before the descriptor goes, or it
// would outlive it while the master stays open. The port runs on a thread
// without the capability that lets root past the exclusive mode.
TEST(ComPort, NormalUserClosesAndReopensAPseudoTerminal) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  struct Result {
    bool dropped = false;
    bool first = false;
    bool second = false;
    PortError error = PortError::None;
  } result;
  std::thread user([&] {
    result.dropped = SetExclusiveOverride(false);
    CComPort port;
    result.first = OpenAt(port, pty, 9600);
    port.Close();
    result.second = OpenAt(port, pty, 9600);
    result.error = port.LastError();
    port.Close();
  });
  user.join();
  ASSERT_TRUE(result.dropped);
  EXPECT_TRUE(result.first);
  EXPECT_TRUE(result.second) << "error " << static_cast<int>(result.error);
}

TEST(ComPort, OpenOnAnOpenPortKeepsItsSettings) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  CComPort port;
  ASSERT_TRUE(OpenAt(port, pty, 9600));
  EXPECT_TRUE(OpenAt(port, pty, 115200));
  std::uint32_t rate = 0;
  ASSERT_TRUE(ReadRate(pty.master(), &rate));
  EXPECT_EQ(rate, 9600u);
  port.Close();
  port.Close();  // the second does nothing
  EXPECT_FALSE(port.IsOpen());
}

TEST(ComPort, DeliversEveryByteInOrder) {
  ReadingPort p;
  ASSERT_TRUE(p.Open(115200));

  const Bytes sent = Pattern(1 << 20, 1);
  std::mt19937 random(2);
  std::uniform_int_distribution<std::size_t> blockSize(1, 20000);
  for (std::size_t at = 0; at < sent.size();) {
    const std::size_t n = std::min(blockSize(random), sent.size() - at);
    ASSERT_TRUE(p.pty.Send(sent.data() + at, n));
    at += n;
  }
  ASSERT_TRUE(p.sink.WaitFor(sent.size()));
  p.port.Close();
  std::lock_guard lock(p.sink.mutex);
  EXPECT_FALSE(p.sink.badCount);
  EXPECT_GT(p.sink.calls, 1 << 20 >> 13);
  EXPECT_TRUE(p.sink.bytes == sent);
}

// A module talking steadily: short lines one write each with a pause
// between, which the reader gathers into fewer, longer reads without losing
// or reordering a byte. When the stream stops, the read after the reader's
// last wait finds the line empty: the port stays healthy and an answer after
// the quiet spell still comes. Then Close ends a port whose reader is
// gathering.
TEST(ComPort, GathersSteadyLinesInOrder) {
  ReadingPort p;
  ASSERT_TRUE(p.Open(921600));

  constexpr std::size_t kLine = 64;
  constexpr int kLines = 2000;
  const Bytes sent = Pattern(kLine * kLines, 3);
  for (int i = 0; i < kLines; ++i) {
    ASSERT_TRUE(p.pty.Send(sent.data() + i * kLine, kLine));
    std::this_thread::sleep_for(200us);
  }
  ASSERT_TRUE(p.sink.WaitFor(sent.size()));
  {
    std::lock_guard lock(p.sink.mutex);
    EXPECT_FALSE(p.sink.badCount);
    EXPECT_TRUE(p.sink.bytes == sent);
    EXPECT_LT(p.sink.calls, kLines / 2);
  }
  // The stream ends in a few short lines, each read followed by a wait, and
  // a quiet spell (the pauses are the stimulus here, not waits for a result).
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(p.pty.Send(sent.data() + i * kLine, kLine));
    std::this_thread::sleep_for(2ms);
  }
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(p.port.ReadFailed());
  const std::uint8_t answer[] = {'O', 'K', '\r', '\n'};
  ASSERT_TRUE(p.pty.Send(answer, sizeof answer));
  EXPECT_TRUE(p.sink.WaitFor(sent.size() + 3 * kLine + sizeof answer));
  EXPECT_FALSE(p.port.ReadFailed());

  // Still streaming when the port closes: Close ends the reader's wait.
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(p.pty.Send(sent.data() + i * kLine, kLine));
  p.port.Close();
  EXPECT_FALSE(p.port.IsOpen());
}

TEST(ComPort, UnplugEndsTheReaderButThePortStaysOpenUntilClosed) {
  ReadingPort p;
  ASSERT_TRUE(p.Open(9600));
  const std::uint8_t hello[] = {'h', 'i'};
  ASSERT_TRUE(p.pty.Send(hello, sizeof hello));
  ASSERT_TRUE(p.sink.WaitFor(2));
  EXPECT_FALSE(p.port.ReadFailed());

  p.pty.Unplug();
  EXPECT_TRUE(Eventually([&] { return p.port.ReadFailed(); }));
  EXPECT_TRUE(p.port.IsOpen());
  EXPECT_FALSE(p.port.Write(hello, sizeof hello));
  p.port.Close();
  EXPECT_FALSE(p.port.IsOpen());
}

TEST(ComPort, WriteReachesTheDeviceAndFailsOnAClosedPort) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  CComPort port;
  const std::uint8_t text[] = {'A', 'T', '\r', '\n', 0, 0xff};
  EXPECT_FALSE(port.Write(text, sizeof text));
  ASSERT_TRUE(OpenAt(port, pty, 9600));
  EXPECT_TRUE(port.Write(text, 0));
  EXPECT_TRUE(port.Write(text, sizeof text));
  EXPECT_EQ(pty.Receive(sizeof text), Bytes(text, text + sizeof text));
  port.Close();
  EXPECT_FALSE(port.Write(text, sizeof text));
  EXPECT_FALSE(port.Write(text, 0));
}

TEST(ComPort, ConcurrentWritesNeverInterleave) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  CComPort port;
  ASSERT_TRUE(OpenAt(port, pty, 115200));
  constexpr int kThreads = 4;
  constexpr int kBlocks = 50;
  constexpr std::size_t kBlock = 3000;  // more than the device takes at once
  std::atomic<int> failed{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int b = 0; b < kBlocks; ++b) {
        // Every byte of a block names its writer and the block's number.
        const Bytes block(kBlock, static_cast<std::uint8_t>(t * kBlocks + b));
        if (!port.Write(block.data(), static_cast<std::int32_t>(block.size()))) ++failed;
      }
    });
  }
  const Bytes received = pty.Receive(kThreads * kBlocks * kBlock, 30s);
  for (std::thread& writer : writers) writer.join();
  port.Close();

  EXPECT_EQ(failed.load(), 0);
  ASSERT_EQ(received.size(), kThreads * kBlocks * kBlock);
  std::vector<int> nextBlock(kThreads, 0);
  for (std::size_t at = 0; at < received.size(); at += kBlock) {
    const std::uint8_t id = received[at];
    for (std::size_t i = at; i < at + kBlock; ++i) ASSERT_EQ(received[i], id) << "at " << i;
    const int writer = id / kBlocks;
    EXPECT_EQ(id % kBlocks, nextBlock[writer]++) << "blocks of one writer out of order";
  }
}

TEST(ComPort, HeldBackWriteReturnsAfterItsWaitAndFinishesBeforeTheNext) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  CComPort port;
  ASSERT_TRUE(OpenAt(port, pty, 115200));
  // Far more than the pseudo-terminal buffers while nobody reads the master.
  const Bytes first = Pattern(1 << 20, 3);
  const auto start = Clock::now();
  EXPECT_TRUE(port.Write(first.data(), static_cast<std::int32_t>(first.size())));
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, 1500ms);
  EXPECT_LT(waited, 4000ms);

  // The device takes bytes again: the rest of the first write goes out, then
  // the second.
  Bytes received;
  std::thread device([&] { received = pty.Receive(first.size() + 4, 30s); });
  const std::uint8_t second[] = {'t', 'a', 'i', 'l'};
  EXPECT_TRUE(port.Write(second, sizeof second));
  device.join();
  port.Close();
  Bytes expected = first;
  expected.insert(expected.end(), second, second + sizeof second);
  EXPECT_TRUE(received == expected) << "received " << received.size() << " bytes";
}

TEST(ComPort, CloseAbandonsAHeldBackWriteAndReturnsPromptly) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  CComPort port;
  ASSERT_TRUE(OpenAt(port, pty, 115200));
  const Bytes block = Pattern(1 << 20, 4);
  std::atomic<int> result{-1};
  std::thread writer(
      [&] { result = port.Write(block.data(), static_cast<std::int32_t>(block.size())); });
  std::this_thread::sleep_for(300ms);
  const auto start = Clock::now();
  port.Close();
  EXPECT_LT(Clock::now() - start, 1000ms);
  writer.join();
  EXPECT_EQ(result.load(), 0);  // not sent
  EXPECT_FALSE(port.IsOpen());
}

// Several threads keep writing while Close runs. Every Write that reports its
// bytes as sent must have delivered them to the device it was made on, and
// nothing written before Close may reach the device opened next.
TEST(ComPort, WritesRacingCloseNeverReportUnsentBytesOrReachTheNextPort) {
  constexpr int kRounds = 200;
  constexpr int kThreads = 4;
  constexpr std::size_t kRecord = 8;  // writer, sequence number, padding
  CComPort port;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    Pty first;
    Pty next;
    ASSERT_TRUE(first.ok() && next.ok());
    ASSERT_TRUE(OpenAt(port, first, 115200));

    // The device reads everything, until the port has closed and its side of
    // the line has hung up.
    std::atomic<bool> closed{false};
    std::atomic<std::size_t> receivedCount{0};
    Bytes received;
    std::thread device([&] {
      std::uint8_t buffer[4096];
      const auto deadline = Clock::now() + 20s;
      while (Clock::now() < deadline) {
        pollfd pfd{first.master(), POLLIN, 0};
        if (poll(&pfd, 1, 50) <= 0) continue;
        if (pfd.revents & POLLIN) {
          const ssize_t n = read(first.master(), buffer, sizeof buffer);
          if (n > 0) {
            received.insert(received.end(), buffer, buffer + n);
            receivedCount = received.size();
            continue;
          }
        }
        if (closed && (pfd.revents & (POLLHUP | POLLERR))) break;
      }
    });

    struct Attempt {
      std::uint64_t record;
      bool reportedSent;
    };
    std::vector<std::vector<Attempt>> attempts(kThreads);
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
      writers.emplace_back([&, t] {
        for (std::uint32_t seq = 0; !closed; ++seq) {
          std::uint8_t record[kRecord] = {static_cast<std::uint8_t>(t)};
          std::memcpy(record + 1, &seq, sizeof seq);
          std::uint64_t key = 0;
          std::memcpy(&key, record, sizeof key);
          attempts[t].push_back({key, port.Write(record, kRecord)});
        }
      });
    }
    ASSERT_TRUE(Eventually([&] { return receivedCount.load() >= 4 * kRecord; }));
    port.Close();
    closed = true;
    for (std::thread& writer : writers) writer.join();
    device.join();

    ASSERT_EQ(received.size() % kRecord, 0u);
    std::vector<std::uint64_t> delivered(received.size() / kRecord);
    std::memcpy(delivered.data(), received.data(), received.size());
    std::sort(delivered.begin(), delivered.end());
    for (const std::vector<Attempt>& list : attempts) {
      for (const Attempt& attempt : list) {
        if (!attempt.reportedSent) continue;
        ASSERT_TRUE(std::binary_search(delivered.begin(), delivered.end(), attempt.record))
            << "a Write reported as sent never reached the device";
      }
    }

    // The next device sees only what is written to it.
    ASSERT_TRUE(OpenAt(port, next, 115200));
    const std::uint8_t marker[] = {'n', 'e', 'x', 't'};
    EXPECT_TRUE(port.Write(marker, sizeof marker));
    EXPECT_EQ(next.Receive(sizeof marker), Bytes(marker, marker + sizeof marker));
    port.Close();
    if (HasFatalFailure() || HasNonfatalFailure()) break;
  }
}

struct SlowSink {
  std::atomic<int> started{0};
  std::atomic<int> finished{0};

  void OnRead() {
    started = 1;
    std::this_thread::sleep_for(300ms);
    finished = 1;
  }
};

TEST(ComPort, CloseWaitsForTheCallbackInProgress) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  SlowSink sink;
  CComPort port([&sink](const std::uint8_t*, std::uint32_t) { sink.OnRead(); });
  ASSERT_TRUE(OpenAt(port, pty, 9600));
  const std::uint8_t byte = 'x';
  ASSERT_TRUE(pty.Send(&byte, 1));
  ASSERT_TRUE(Eventually([&] { return sink.started.load() != 0; }));
  port.Close();
  EXPECT_EQ(sink.finished.load(), 1);
  EXPECT_FALSE(port.IsOpen());
}

TEST(ComPort, RacingOpenAndCloseStayConsistent) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  const int descriptors = OpenDescriptors();
  {
    Sink sink;
    CComPort port{sink.Receiver()};
    auto churn = [&](int seed) {
      std::mt19937 random(seed);
      for (int i = 0; i < 200; ++i) {
        if (random() % 2) {
          const bool opened = OpenAt(port, pty, random() % 2 ? 9600 : 250000);
          // Refused only because the other thread is in Open or Close.
          if (!opened) {
            EXPECT_EQ(port.LastError(), PortError::Busy);
          }
        } else {
          port.Close();
        }
        const std::uint8_t byte = 'x';
        port.Write(&byte, 1);
      }
    };
    std::thread a(churn, 1);
    std::thread b(churn, 2);
    a.join();
    b.join();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    ASSERT_TRUE(OpenAt(port, pty, 9600));
    EXPECT_TRUE(port.IsOpen());
  }  // the destructor closes the port
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST(ComPort, ModemCallsRacingCloseReachOnlyTheOpenDevice) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  FakeModemCalls fake;
  CComPort port;
  unsigned lines = 0;
  EXPECT_EQ(port.ReadModemLines(&lines), EBADF);
  EXPECT_EQ(port.SetModemLine(ModemSignal::Dtr, true), EBADF);
  EXPECT_EQ(port.SendBreak(), EBADF);

  std::atomic<bool> done{false};
  std::thread churn([&] {
    for (int i = 0; i < 200; ++i) {
      EXPECT_TRUE(OpenAt(port, pty, 9600));
      port.Close();
    }
    done = true;
  });
  int taken = 0;
  for (int i = 0; !done; ++i) {
    unsigned read = 0;
    const int results[] = {
        port.ReadModemLines(&read),
        port.SetModemLine(i % 2 ? ModemSignal::Dtr : ModemSignal::Rts, i % 4 < 2),
        port.SendBreak()};
    for (const int result : results) {
      EXPECT_TRUE(result == 0 || result == EBADF) << result;
      taken += result == 0;
    }
  }
  churn.join();
  EXPECT_GT(taken, 0);
  // Never a descriptor Close had given up, nor one reused since.
  EXPECT_EQ(fake.StrayCalls(), 0);
}

TEST(CustomBaud, RateIsCloseWithinTwoPercent) {
  struct Case {
    std::uint32_t actual;
    std::uint32_t wanted;
    bool close;
  };
  const Case cases[] = {
      {250000, 250000, true},    {249600, 250000, true},  // a divider's nearest rate
      {31874, 31250, true},      {31875, 31250, false},  {30626, 31250, true},
      {30625, 31250, false},     {9600, 31250, false},  // a driver's fallback
      {3000000, 4000000, false}, {0, 9600, false},       {UINT32_MAX, 1, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RateIsClose(c.actual, c.wanted), c.close) << c.actual << " for " << c.wanted;
  }
}

TEST(ComPort, DeviceGroup) {
  EXPECT_EQ(DeviceGroup("/dev/zephyn-no-such-port"), "");
  EXPECT_NE(DeviceGroup("/dev/null"), "");
}

}  // namespace
}  // namespace zephyn
