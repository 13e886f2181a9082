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
