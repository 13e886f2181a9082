#include "sim/virtual_module.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>

namespace zephyn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The terminal's side: the slave device opened and set up as the serial
// link does it (raw, a given rate).
class Terminal {
 public:
  Terminal(const std::string& path, speed_t speed) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd >= 0) SetSpeed(speed);
  }
  ~Terminal() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  int fd() const { return m_fd; }

  void SetSpeed(speed_t speed) {
    termios tio{};
    ASSERT_EQ(tcgetattr(m_fd, &tio), 0);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&tio, speed);
    ASSERT_EQ(tcsetattr(m_fd, TCSANOW, &tio), 0);
  }

  void Send(const std::string& text) {
    ASSERT_EQ(::write(m_fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // Reads until `want` bytes have come or `timeout` has passed.
  std::string Read(std::chrono::milliseconds timeout, std::size_t want = SIZE_MAX) {
    std::string got;
    const auto deadline = Clock::now() + timeout;
    while (got.size() < want) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      pollfd p = {m_fd, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::read(m_fd, buf, std::min(sizeof buf, want - got.size()));
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

  // Sends `command` with CR LF; the answer must be `expected` exactly, with
  // nothing more following within a short while.
  void ExpectAnswer(const std::string& command, const std::string& expected) {
    Send(command + "\r\n");
    std::string answer = Read(3s, expected.size());
    answer += Read(150ms);
    EXPECT_EQ(answer, expected) << "answer to " << command;
  }

 private:
  int m_fd = -1;
};

std::string AsString(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(VirtualModule, AnswersQueriesAndChangesSettings) {
  VirtualModule module(9600);
  ASSERT_TRUE(module.ok());
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);

  struct Case {
    const char* command;
    const char* answer;
  };
  const Case cases[] = {
      {"AT", "OK\r\n"},
      {"AT+NAME", "+NAME=Zephyn-BT\r\nOK\r\n"},
      {"AT+VER", "+VER=V2.1\r\nOK\r\n"},
      {"AT+ADDR", "+ADDR=00:1A:7D:DA:71:13\r\nOK\r\n"},
      {"AT+BAUD", "+BAUD=9600\r\nOK\r\n"},
      {"AT+PIN", "+PIN=1234\r\nOK\r\n"},
      {"AT+NAME=Foo", "+NAME=Foo\r\nOK\r\n"},
      {"AT+NAME", "+NAME=Foo\r\nOK\r\n"},
      {"AT+PIN=0000", "+PIN=0000\r\nOK\r\n"},
      {"AT+PIN", "+PIN=0000\r\nOK\r\n"},
      {"AT+BAUD=abc", "ERROR\r\n"},
      {"AT+BAUD=", "ERROR\r\n"},
      {"AT+BAUD=0", "ERROR\r\n"},
      {"AT+BAUD", "+BAUD=9600\r\nOK\r\n"},  // a refused rate leaves it as it was
      {"AT+VER=9", "ERROR\r\n"},
      {"AT+FOO", "ERROR\r\n"},
      {"AT+NAMEX", "ERROR\r\n"},
      {"ATZ", "ERROR\r\n"},
      {"hello", "ERROR\r\n"},
  };
  for (const Case& c : cases) {
    term.ExpectAnswer(c.command, c.answer);
  }
  EXPECT_EQ(module.name(), "Foo");
  EXPECT_EQ(module.pin(), "0000");
  EXPECT_EQ(module.baudRate(), 9600u);
}

TEST(VirtualModule, OneAnswerPerLineWhateverTheLineEnd) {
  VirtualModule module(9600);
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);

  for (const char* sent : {"AT\r", "AT\n", "AT\r\n", "AT\n\r", "AT\r\r\n\n", "\r\n\r\nAT\r\n"}) {
    term.Send(sent);
    std::string answer = term.Read(3s, 4);
    answer += term.Read(150ms);
    EXPECT_EQ(answer, "OK\r\n") << "sent as " << ::testing::PrintToString(std::string(sent));
  }

  // A command split over two writes, and two commands in one.
  term.Send("AT+NA");
  EXPECT_EQ(term.Read(150ms), "");
  term.Send("ME\r\nAT+PIN\r\n");
  const std::string both = "+NAME=Zephyn-BT\r\nOK\r\n+PIN=1234\r\nOK\r\n";
  EXPECT_EQ(term.Read(3s, both.size()), both);
}

TEST(VirtualModule, SilentAtAnyOtherRate) {
  VirtualModule module(115200);
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);
  EXPECT_EQ(module.terminalRate(), 9600u);

  term.Send("AT\r\nAT+NAME\r\n");
  EXPECT_EQ(term.Read(300ms), "");

  term.SetSpeed(B115200);
  EXPECT_EQ(module.terminalRate(), 115200u);
  term.ExpectAnswer("AT", "OK\r\n");
  // Everything the terminal sent was received, answered or not.
  EXPECT_EQ(AsString(module.received()), "AT\r\nAT+NAME\r\nAT\r\n");
}

TEST(VirtualModule, ChangedRateTakesEffectAfterTheAnswer) {
  VirtualModule module(9600);
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);

  // The command that follows in the same write already meets the new rate.
  const std::string answer = "+BAUD=115200\r\nOK\r\n";
  term.Send("AT+BAUD=115200\r\nAT\r\n");
  EXPECT_EQ(term.Read(3s, answer.size()), answer);
  EXPECT_EQ(term.Read(300ms), "");
  EXPECT_EQ(module.baudRate(), 115200u);

  term.SetSpeed(B115200);
  term.ExpectAnswer("AT+BAUD", "+BAUD=115200\r\nOK\r\n");

  module.setBaudRate(9600);
  term.Send("AT\r\n");
  EXPECT_EQ(term.Read(300ms), "");
}

TEST(VirtualModule, HoldBackSuppressesAnswersButKeepsReading) {
  VirtualModule module(9600);
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);

  module.setHoldBack(true);
  term.Send("AT+NAME\r\n");
  EXPECT_EQ(term.Read(300ms), "");
  EXPECT_EQ(AsString(module.received()), "AT+NAME\r\n");

  // Released, it answers what comes next only; the held answer is gone.
  module.setHoldBack(false);
  term.ExpectAnswer("AT", "OK\r\n");
}

TEST(VirtualModule, AnswersAgainAfterTheTerminalReopens) {
  VirtualModule module(9600);
  {
    Terminal term(module.path(), B9600);
    ASSERT_GE(term.fd(), 0);
    term.ExpectAnswer("AT", "OK\r\n");
  }
  std::this_thread::sleep_for(50ms);  // no terminal open for a while
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);
  term.ExpectAnswer("AT", "OK\r\n");
}

TEST(VirtualModule, UnplugHangsUpTheTerminalSide) {
  VirtualModule module(9600);
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);
  term.ExpectAnswer("AT", "OK\r\n");

  module.unplug();
  EXPECT_FALSE(module.ok());
  EXPECT_FALSE(module.send({'x'}));
  EXPECT_EQ(module.stream(100, 10, 0), 0u);

  pollfd p = {term.fd(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1);
  char c = 0;
  const ssize_t n = ::read(term.fd(), &c, 1);
  const bool hungUp = (p.revents & POLLHUP) || n == 0 || (n < 0 && errno == EIO);
  EXPECT_TRUE(hungUp) << "revents " << p.revents << ", read " << n;
  module.unplug();  // a second unplug does nothing
}

TEST(VirtualModule, UnpluggedPathStaysGoneWhenItsNumberIsReused) {
  // The kernel gives a freed pseudo-terminal's number to the next one opened,
  // here another module's (in a test run beside this one, anybody's).
  VirtualModule module(9600);
  ASSERT_TRUE(module.ok());
  const std::string path = module.path();
  module.unplug();
  VirtualModule next(9600);
  ASSERT_TRUE(next.ok());
  EXPECT_NE(::access(path.c_str(), F_OK), 0) << path << " came back";
  EXPECT_NE(next.path(), path);
}

// Reads `total` bytes from the terminal and checks the counting pattern.
void ExpectPattern(Terminal& term, std::uint64_t total) {
  const std::string got = term.Read(20s, total);
  ASSERT_EQ(got.size(), total);
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(static_cast<std::uint8_t>(got[i]), i & 0xFF) << "at byte " << i;
  }
}

TEST(VirtualModule, StreamDeliversEveryByteInOrder) {
  VirtualModule module(9600);
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);

  // Far more than the pty holds: the module must wait for the reader.
  const std::uint64_t total = 1 << 20;
  auto sent = std::async(std::launch::async, [&] { return module.stream(total, 3000, 0); });
  ExpectPattern(term, total);
  EXPECT_EQ(sent.get(), total);

  ASSERT_TRUE(module.send({'A', 'T', 0, 0xFF}));
  EXPECT_EQ(term.Read(3s, 4), std::string("AT\0\xFF", 4));
}

TEST(VirtualModule, StreamIsPaced) {
  VirtualModule module(9600);
  Terminal term(module.path(), B9600);
  ASSERT_GE(term.fd(), 0);

  // 3000 bytes at 10000 per second in blocks of 100: about 290 ms.
  const auto start = Clock::now();
  auto sent = std::async(std::launch::async, [&] { return module.stream(3000, 100, 10000); });
  ExpectPattern(term, 3000);
  EXPECT_EQ(sent.get(), 3000u);
  EXPECT_GE(Clock::now() - start, 200ms);
}

TEST(VirtualModule, StreamEndsEarlyOnUnplug) {
  VirtualModule module(9600);
  Terminal term(module.path(), B9600);  // open, but never read
  ASSERT_GE(term.fd(), 0);

  const std::uint64_t total = 1ull << 32;
  auto sent = std::async(std::launch::async, [&] { return module.stream(total, 4096, 0); });
  std::this_thread::sleep_for(200ms);
  module.unplug();
  ASSERT_EQ(sent.wait_for(5s), std::future_status::ready);
  const std::uint64_t written = sent.get();
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, total);
}

}  // namespace
}  // namespace zephyn
