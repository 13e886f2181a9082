#include "storage/live_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

#include "storage/temp_folder.h"
#include "support/file_override.h"

namespace zephyn {
namespace {

using namespace std::chrono;

class LiveLogTest : public TempFolderTest {
 protected:
  LiveLog m_log{[this](const LogFailure& failure) {
    std::lock_guard lock(m_failuresLock);
    m_failures.push_back(failure);
  }};
  std::mutex m_failuresLock;
  std::vector<LogFailure> m_failures;

  std::vector<LogFailure> Failures() {
    std::lock_guard lock(m_failuresLock);
    return m_failures;
  }
};

// Waits for `done` with a generous deadline.
template <typename F>
bool WaitFor(F done) {
  const auto deadline = steady_clock::now() + seconds(20);
  while (!done()) {
    if (steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return true;
}

TEST_F(LiveLogTest, EveryByteEndsInTheFileInOrderAndIsAppended) {
  const std::string path = Root() + "/rx.log";
  { std::ofstream(path) << "before|"; }
  m_log.Start(path, false);
  // 5 MB in blocks of odd sizes, as a fast port delivers them.
  const std::vector<std::uint8_t> bytes = Pattern(5'000'000);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1 + at % 4093);
    m_log.Append(bytes.data() + at, n, WallClock::now());
    at += n;
  }
  // Written while it runs, without a stop.
  EXPECT_TRUE(WaitFor([&] { return ReadAll(path).size() == bytes.size() + 7; }));
  m_log.Stop();
  std::vector<std::uint8_t> expected = {'b', 'e', 'f', 'o', 'r', 'e', '|'};
  expected.insert(expected.end(), bytes.begin(), bytes.end());
  EXPECT_EQ(ReadAll(path), expected);
  EXPECT_TRUE(Failures().empty());
  EXPECT_FALSE(m_log.Active());
  // After the stop nothing more is written.
  m_log.Append(bytes.data(), 10, WallClock::now());
  EXPECT_EQ(ReadAll(path).size(), expected.size());
}

TEST_F(LiveLogTest, StampedLogStampsLinesAcrossBlocks) {
  const std::string path = Root() + "/stamped.log";
  m_log.Start(path, true);
  const WallClock::time_point t = WallClock::now();
  const std::string stamp = ClockText(t) + ' ';
  const std::string a = "OK\r\n+NA", b = "ME=x\r\n";
  m_log.Append(reinterpret_cast<const std::uint8_t*>(a.data()), a.size(), t);
  m_log.Append(reinterpret_cast<const std::uint8_t*>(b.data()), b.size(), t + milliseconds(1500));
  m_log.Stop();
  const std::vector<std::uint8_t> written = ReadAll(path);
  EXPECT_EQ(std::string(written.begin(), written.end()),
            stamp + "OK\r\n" + stamp + "+NAME=x\r\n");
}

// What is sent and what is received, marked at each change of direction as
// the pane's echo is: raw, and with the markers and received lines stamped.
TEST_F(LiveLogTest, BothDirectionsAreMarkedAsThePaneMarksThem) {
  const WallClock::time_point t = WallClock::now();
  const auto at = [t](int second) { return t + seconds(second); };
  struct Block {
    bool sent;
    std::string bytes;
    int second;
  };
  const std::vector<Block> blocks = {{false, "+READY\r\n", 0},
                                     {true, "AT\r\n", 1},
                                     {false, "OK\r\n", 2},
                                     {false, "x\r\n", 3},
                                     {true, "AT+NAME\r\nAT\r\n", 4}};
  for (const bool stamped : {false, true}) {
    const std::string path = Root() + (stamped ? "/stamped.log" : "/raw.log");
    m_log.Start(path, stamped, true);
    for (const Block& block : blocks) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.bytes.data());
      if (block.sent) {
        m_log.EndSent(m_log.BeginSent(bytes, block.bytes.size(), at(block.second)), true);
      } else {
        m_log.Append(bytes, block.bytes.size(), at(block.second));
      }
    }
    m_log.Stop();
    const auto s = [&](int second) { return stamped ? ClockText(at(second)) + ' ' : ""; };
    const std::vector<std::uint8_t> written = ReadAll(path);
    EXPECT_EQ(std::string(written.begin(), written.end()),
              s(0) + "<<+READY\r\n\r\n" + s(1) + ">>AT\r\n\r\n" + s(2) + "<<OK\r\n" + s(3) +
                  "x\r\n\r\n" + s(4) + ">>AT+NAME\r\nAT\r\n")
        << "stamped: " << stamped;
  }
  EXPECT_TRUE(Failures().empty());
}

// A send under way holds its place: an answer read meanwhile follows it; a
// send the port refused leaves the log; a stop writes what waited behind a
// send whose outcome never came. A log of received data only takes no sends.
TEST_F(LiveLogTest, ASendUnderWayKeepsItsPlaceInTheLog) {
  auto bytes = [](const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
  };
  const auto now = WallClock::now();
  const std::string path = Root() + "/both.log";
  m_log.Start(path, false, true);
  const auto at = bytes("AT\r\n"), ok = bytes("OK\r\n"), late = bytes("late\r\n"),
             refused = bytes("AT+X\r\n"), tail = bytes("tail");
  const std::uint64_t first = m_log.BeginSent(at.data(), at.size(), now);
  ASSERT_NE(first, 0u);
  m_log.Append(ok.data(), ok.size(), now);
  m_log.EndSent(first, true);
  const std::uint64_t second = m_log.BeginSent(refused.data(), refused.size(), now);
  m_log.Append(late.data(), late.size(), now);
  m_log.EndSent(second, false);
  const std::uint64_t third = m_log.BeginSent(at.data(), at.size(), now);
  m_log.Append(tail.data(), tail.size(), now);
  m_log.Stop();
  m_log.EndSent(third, true);  // after the stop: nothing
  const std::vector<std::uint8_t> written = ReadAll(path);
  EXPECT_EQ(std::string(written.begin(), written.end()), ">>AT\r\n\r\n<<OK\r\nlate\r\ntail");

  const std::string received = Root() + "/received.log";
  m_log.Start(received, false);
  EXPECT_EQ(m_log.BeginSent(at.data(), at.size(), now), 0u);
  m_log.Append(ok.data(), ok.size(), now);
  m_log.Stop();
  EXPECT_EQ(ReadAll(received), ok);
}

TEST_F(LiveLogTest, UnwritableFolderIsReportedAtStart) {
  if (geteuid() == 0 && !SetFileOverride(false)) GTEST_SKIP() << "cannot drop the override";
  const std::string folder = Sub("locked");
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  m_log.Start(folder + "/rx.log", false);
  const bool reported = WaitFor([&] { return !Failures().empty(); });
  SetFileOverride(true);
  ::chmod(folder.c_str(), 0755);
  ASSERT_TRUE(reported);
  EXPECT_EQ(Failures()[0].error, EACCES);
  EXPECT_EQ(Failures()[0].path, folder + "/rx.log");
  EXPECT_FALSE(m_log.Active());
  m_log.Stop();
  EXPECT_EQ(Failures().size(), 1u);
}

TEST_F(LiveLogTest, WriteFailureIsReportedOnceAndLoggingStops) {
  // A disk that takes 100 bytes of the file: the next write fails.
  const std::string full = Root() + "/full.log";
  const std::vector<std::uint8_t> bytes = Pattern(1000);
  {
    const FileSizeLimit limit(100);
    ASSERT_TRUE(limit.ok());
    m_log.Start(full, false);
    m_log.Append(bytes.data(), bytes.size(), WallClock::now());
    ASSERT_TRUE(WaitFor([&] { return !Failures().empty(); }));
    EXPECT_FALSE(m_log.Active());
    for (int i = 0; i < 50; ++i) m_log.Append(bytes.data(), bytes.size(), WallClock::now());
    m_log.Stop();
  }
  const std::vector<LogFailure> failures = Failures();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].path, full);
  EXPECT_EQ(failures[0].error, EFBIG);

  // A new start logs again.
  const std::string path = Root() + "/again.log";
  m_log.Start(path, false);
  m_log.Append(bytes.data(), bytes.size(), WallClock::now());
  m_log.Stop();
  EXPECT_EQ(ReadAll(path), bytes);
}

}  // namespace
}  // namespace zephyn
