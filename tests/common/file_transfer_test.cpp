#include "common/file_transfer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zephyn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t count, std::uint8_t seed = 0) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = std::uint8_t(i * 7 + (i >> 8) + seed);
  return bytes;
}

std::unique_ptr<std::uint8_t[]> Copy(const Bytes& bytes) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
  if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
  return copy;
}

template <typename Done>
bool WaitFor(Done done, Clock::duration limit = 10s) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// The port the transfer writes to: it keeps what it took and the size of
// every write, can refuse writes and can take its time. It notices two
// writers at once.
class FakePort {
 public:
  // Decides, before each write, whether the port takes it.
  std::function<bool(std::int32_t count)> accept = [](std::int32_t) { return true; };
  std::chrono::microseconds writeTime{0};

  bool Write(const std::uint8_t* bytes, std::int32_t count) {
    if (m_writers.fetch_add(1) != 0) m_overlaps++;
    const bool taken = accept(count);
    if (writeTime.count() > 0) std::this_thread::sleep_for(writeTime);
    if (taken) {
      std::lock_guard lock(m_lock);
      m_taken.insert(m_taken.end(), bytes, bytes + count);
      m_sizes.push_back(count);
    }
    m_writers--;
    return taken;
  }

  Bytes Taken() const {
    std::lock_guard lock(m_lock);
    return m_taken;
  }
  std::vector<std::int32_t> Sizes() const {
    std::lock_guard lock(m_lock);
    return m_sizes;
  }
  int Overlaps() const { return m_overlaps.load(); }

 private:
  mutable std::mutex m_lock;
  Bytes m_taken;
  std::vector<std::int32_t> m_sizes;
  std::atomic<int> m_writers{0};
  std::atomic<int> m_overlaps{0};
};

class FileTransferTest : public ::testing::Test {
 protected:
  FileTransferTest()
      : m_transfer([this](const std::uint8_t* b, std::int32_t n) { return m_port.Write(b, n); },
                   [this] {
                     m_stats = m_transfer.Finish();
                     ++m_finished;
                   }) {}

  // The transfer is declared last so that its sender has ended before the
  // port and the figures it uses go away.
  FakePort m_port;
  std::atomic<int> m_finished{0};
  TransferStats m_stats;
  FileTransfer m_transfer;
};

TEST_F(FileTransferTest, SendsEveryByteOnceInChunksEndingWithTheFinalWrite) {
  const struct {
    std::size_t length;
    std::int32_t chunk;
    std::vector<std::int32_t> sizes;
  } cases[] = {
      // 1000 bytes at 115200: eight chunks of 115 and one of 80.
      {1000, 115, {115, 115, 115, 115, 115, 115, 115, 115, 80}},
      // A whole number of chunks still ends with a write of 0 bytes.
      {230, 115, {115, 115, 0}},
      // Smaller than a chunk: the final write alone.
      {3, 10, {3}},
      // A chunk size below 1 sends a byte at a time.
      {3, 0, {1, 1, 1, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    FakePort port;
    std::atomic<int> finished{0};
    TransferStats stats;
    FileTransfer transfer([&](const std::uint8_t* b, std::int32_t n) { return port.Write(b, n); },
                          [&] {
                            stats = transfer.Finish();
                            ++finished;
                          });
    const Bytes file = Pattern(c.length);
    transfer.Load(Copy(file), file.size(), c.chunk);
    EXPECT_EQ(transfer.Length(), c.length);
    ASSERT_TRUE(transfer.Start());
    ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
    transfer.End();  // waits for the sender
    EXPECT_EQ(port.Sizes(), c.sizes);
    EXPECT_EQ(port.Taken(), file);
    EXPECT_EQ(transfer.BytesSent(), std::int64_t(c.length));
    EXPECT_EQ(stats.bytesSent, std::int64_t(c.length));
    EXPECT_FALSE(transfer.Sending());
  }
}

TEST_F(FileTransferTest, StartNeedsAFileAndAFreshStartOnceEveryChunkWasWritten) {
  EXPECT_FALSE(m_transfer.Start());  // nothing loaded
  const Bytes file = Pattern(50);
  m_transfer.Load(Copy(file), file.size(), 20);
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_finished == 1; }));
  EXPECT_FALSE(m_transfer.Start());  // nothing left to send
  ASSERT_TRUE(m_transfer.Rewind());
  EXPECT_EQ(m_transfer.BytesSent(), 0);
  // Sent again from the first byte, without loading it again.
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_finished == 2; }));
  Bytes twice = file;
  twice.insert(twice.end(), file.begin(), file.end());
  EXPECT_EQ(m_port.Taken(), twice);

  m_transfer.Unload();
  EXPECT_FALSE(m_transfer.Loaded());
  EXPECT_FALSE(m_transfer.Start());
}

TEST_F(FileTransferTest, PauseAndResumeGoOnWhereTheyStoppedAndTheTimeLeavesPausesOut) {
  const Bytes file = Pattern(400);
  m_port.writeTime = 1ms;
  m_transfer.Load(Copy(file), file.size(), 10);
  const auto start = Clock::now();
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_transfer.BytesSent() >= 100; }));
  EXPECT_TRUE(m_transfer.Pause());
  EXPECT_FALSE(m_transfer.Pause());    // already paused
  std::this_thread::sleep_for(300ms);  // the pause whose time must not count
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_finished == 1; }));
  const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  EXPECT_EQ(m_port.Taken(), file);  // nothing lost, nothing twice, in order
  EXPECT_EQ(m_stats.bytesSent, 400);
  EXPECT_GT(m_stats.elapsedMs, 0.0);
  EXPECT_LE(m_stats.elapsedMs, wallMs - 300.0);
}

TEST_F(FileTransferTest, OneSenderAtATimeHoweverQuicklyItIsPausedAndResumed) {
  const Bytes file = Pattern(3000);
  m_port.writeTime = 200us;
  m_transfer.Load(Copy(file), file.size(), 7);
  for (int round = 0; round < 200 && m_finished == 0; ++round) {
    m_transfer.Start();  // a sender told to stop may not have ended yet
    m_transfer.Pause();
  }
  m_transfer.Start();
  ASSERT_TRUE(WaitFor([&] { return m_finished == 1; }));
  EXPECT_EQ(m_port.Overlaps(), 0);
  EXPECT_EQ(m_port.Taken(), file);
}

TEST_F(FileTransferTest, RefusedChunksAreOfferedAgainTheFinalOneToo) {
  std::atomic<int> calls{0};
  m_port.accept = [&](std::int32_t) { return ++calls % 2 == 0; };  // every other write
  const Bytes file = Pattern(100);
  m_transfer.Load(Copy(file), file.size(), 25);
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_finished == 1; }));
  EXPECT_EQ(m_port.Taken(), file);
  EXPECT_EQ(m_port.Sizes(), (std::vector<std::int32_t>{25, 25, 25, 25, 0}));
}

TEST_F(FileTransferTest, AFinalChunkThatKeepsFailingEndsWithAPauseAndGoesOnResume) {
  std::atomic<bool> refuseFinal{true};
  m_port.accept = [&](std::int32_t count) { return count != 5 || !refuseFinal; };
  const Bytes file = Pattern(25);
  m_transfer.Load(Copy(file), file.size(), 10);
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_transfer.BytesSent() == 20; }));
  std::this_thread::sleep_for(30ms);  // a few refusals of the final chunk
  EXPECT_EQ(m_finished.load(), 0);
  EXPECT_TRUE(m_transfer.Sending());
  EXPECT_TRUE(m_transfer.Pause());
  refuseFinal = false;
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_finished == 1; }));
  EXPECT_EQ(m_port.Taken(), file);
}

TEST_F(FileTransferTest, ALoadWhilePausedWaitsForTheSenderAndStartsTheNewFileAtItsFirstByte) {
  const Bytes first = Pattern(5000, 1);
  const Bytes second = Pattern(300, 2);
  m_port.writeTime = 2ms;
  m_transfer.Load(Copy(first), first.size(), 50);
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_transfer.BytesSent() >= 100; }));
  m_transfer.Pause();
  // The paused sender may still be in its write from the first file.
  m_transfer.Load(Copy(second), second.size(), 50);
  EXPECT_EQ(m_transfer.BytesSent(), 0);
  const Bytes sentOfFirst = m_port.Taken();
  ASSERT_TRUE(m_transfer.Start());
  ASSERT_TRUE(WaitFor([&] { return m_finished == 1; }));
  const Bytes taken = m_port.Taken();
  ASSERT_EQ(taken.size(), sentOfFirst.size() + second.size());
  EXPECT_TRUE(std::equal(sentOfFirst.begin(), sentOfFirst.end(), first.begin()));
  EXPECT_TRUE(std::equal(second.begin(), second.end(), taken.begin() + sentOfFirst.size()));
  EXPECT_EQ(m_stats.bytesSent, 300);
}

TEST_F(FileTransferTest, SpeedIsSampledOverMoreThanHalfASecondOfWrites) {
  const Bytes file = Pattern(100'000);
  m_port.writeTime = 1ms;
  m_transfer.Load(Copy(file), file.size(), 10);
  ASSERT_TRUE(m_transfer.Start());
  EXPECT_FALSE(m_transfer.TakeSpeedSample());  // no half second yet
  std::optional<std::int32_t> speed;
  ASSERT_TRUE(WaitFor([&] { return (speed = m_transfer.TakeSpeedSample()).has_value(); }));
  m_transfer.End();
  // 10 bytes a write of at least 1 ms: at most 10,000 bytes a second.
  EXPECT_GT(*speed, 0);
  EXPECT_LE(*speed, 11'000);                   // a chunk counted before its time is taken
  EXPECT_FALSE(m_transfer.TakeSpeedSample());  // the next one spans from here
}

}  // namespace
}  // namespace zephyn
