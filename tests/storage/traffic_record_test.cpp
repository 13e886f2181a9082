#include "storage/traffic_record.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "common/codecs.h"
#include "storage/display_buffer.h"
#include "storage/temp_folder.h"

namespace zephyn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kStamp = "20240305142233";
constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();

Bytes Of(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

Bytes Tail(const TrafficRecord& record, bool echo, std::size_t max = kAll) {
  Bytes out = {0xEE};  // stale content must go
  record.Tail(echo, max, out);
  return out;
}

// Records `bytes` received in blocks of `blockSize`, all counted.
void ReceiveInBlocks(TrafficRecord& record, const Bytes& bytes, std::size_t blockSize) {
  for (std::size_t at = 0; at < bytes.size(); at += blockSize) {
    const std::size_t n = std::min(blockSize, bytes.size() - at);
    EXPECT_FALSE(record.RecordReceived(bytes.data() + at, std::uint32_t(n), true).spillFailure);
  }
}

void ExpectCounters(const TrafficCounters& actual, const TrafficCounters& expected) {
  EXPECT_EQ(actual.bytes, expected.bytes);
  EXPECT_EQ(actual.count, expected.count);
  EXPECT_EQ(actual.crc, expected.crc) << std::hex << actual.crc << " != " << expected.crc;
}

using TrafficRecordTest = TempFolderTest;

enum class Kind { Received, Probe, Sent, Counted };  // Counted: sent, not shown
struct Step {
  Kind kind;
  std::string bytes;  // empty: a null pointer with a count of 0
};

struct RecordCase {
  const char* name;
  std::vector<Step> steps;
  std::string display;
  std::string rxLog;
  TrafficCounters rx;
  TrafficCounters tx;
};

TEST_F(TrafficRecordTest, RecordsMarksAndCountsEachDirection) {
  using enum Kind;
  // CRC-32 of "123456789" is 0xCBF43926; the others are the same CRC of the
  // whole direction's bytes.
  const RecordCase cases[] = {
      {"one received block",
       {{Received, "123456789"}},
       "<<123456789",
       "123456789",
       {9, 1, 0xCBF43926},
       {}},
      {"received blocks share one marker and chain their CRC",
       {{Received, "1234"}, {Received, "56789"}},
       "<<123456789",
       "123456789",
       {9, 2, 0xCBF43926},
       {}},
      {"sends chain their CRC and stay out of the receive log",
       {{Sent, "12345"}, {Sent, "6789"}},
       ">>123456789",
       "",
       {},
       {9, 2, 0xCBF43926}},
      {"a reply after a send",
       {{Sent, "AT\r\n"}, {Received, "OK\r\n"}},
       ">>AT\r\n\r\n<<OK\r\n",
       "OK\r\n",
       {4, 1, 0xCB876205},
       {4, 1, 0x3C22F17B}},
      {"every change of direction is marked",
       {{Received, "a"}, {Sent, "b"}, {Sent, "c"}, {Received, "d"}},
       "<<a\r\n>>bc\r\n<<d",
       "ad",
       {2, 2, 0x77E0ED58},
       {2, 2, 0xC2A92B38}},
      {"baud probe blocks are shown and kept but not counted",
       {{Probe, "x"}, {Received, "123456789"}, {Probe, "y"}},
       "<<x123456789y",
       "x123456789y",
       {9, 1, 0xCBF43926},
       {}},
      {"sends that are counted only (a file transfer) chain the CRC and are not shown",
       {{Sent, "1234"}, {Counted, "56789"}, {Counted, ""}, {Received, "ok"}},
       ">>1234\r\n<<ok",
       "ok",
       {2, 1, 0x79DCDD47},
       {9, 3, 0xCBF43926}},
      {"empty blocks and sends count once and keep the CRC",
       {{Sent, "123456789"}, {Sent, ""}, {Received, ""}},
       ">>123456789\r\n<<",
       "",
       {0, 1, 0},
       {9, 2, 0xCBF43926}},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.name);
    TrafficRecord record(Root(), kStamp);
    TrafficCounters lastRx, lastTx;
    for (const Step& step : c.steps) {
      const auto* bytes =
          step.bytes.empty() ? nullptr : reinterpret_cast<const std::uint8_t*>(step.bytes.data());
      if (step.kind == Sent) {
        lastTx = record.RecordSent(bytes, std::int32_t(step.bytes.size()));
      } else if (step.kind == Counted) {
        lastTx = record.CountSent(bytes, std::int32_t(step.bytes.size()));
      } else {
        const auto received =
            record.RecordReceived(bytes, std::uint32_t(step.bytes.size()), step.kind == Received);
        EXPECT_FALSE(received.spillFailure);
        lastRx = received.rx;
      }
    }
    EXPECT_EQ(Tail(record, true), Of(c.display));
    EXPECT_EQ(Tail(record, false), Of(c.rxLog));
    ExpectCounters(record.Rx(), c.rx);
    ExpectCounters(record.Tx(), c.tx);
    ExpectCounters(lastRx, c.rx);  // what each call returned after the last step
    ExpectCounters(lastTx, c.tx);
  }
}

TEST(CounterTextTest, CountsAreUnsignedSixtyFourBit) {
  const struct {
    TrafficCounters counters;
    const char* text;
  } cases[] = {
      {{0, 0, 0}, "0/0 CRC:00000000"},
      {{2'223'003'046, 7, 0xCBF43926}, "2223003046/7 CRC:CBF43926"},              // past 2 GiB
      {{5'000'000'000, 4'294'967'297, 1}, "5000000000/4294967297 CRC:00000001"},  // past 4 GiB
      {{std::numeric_limits<std::uint64_t>::max(), 1, 0xFFFFFFFF},
       "18446744073709551615/1 CRC:FFFFFFFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(CounterText(c.counters), c.text);
}

TEST_F(TrafficRecordTest, TailGivesTheNewestBytes) {
  TrafficRecord record(Root(), kStamp);
  record.RecordSent(Of("AT").data(), 2);
  record.RecordReceived(Of("OK").data(), 2, true);
  EXPECT_EQ(Tail(record, true, 5), Of("\n<<OK"));
  EXPECT_EQ(Tail(record, false, 1), Of("K"));
  EXPECT_EQ(Tail(record, false, 0), Bytes());
}

TEST_F(TrafficRecordTest, SpillsTheOldestMillionOnceTheLogHoldsMore) {
  // The spill comes with the block after the one that takes the log past
  // 1,000,000 bytes.
  const struct {
    std::size_t before;
    std::uintmax_t captured;
  } cases[] = {{std::size_t(kTrimSize), 0},
               {std::size_t(kTrimSize) + 1, std::uintmax_t(kTrimSize)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    TrafficRecord record(Sub("case" + std::to_string(c.before)), kStamp);
    const Bytes first = Pattern(c.before);
    ASSERT_FALSE(
        record.RecordReceived(first.data(), std::uint32_t(first.size()), true).spillFailure);
    EXPECT_FALSE(fs::exists(record.CapturePath()));
    ASSERT_FALSE(record.RecordReceived(Of("z").data(), 1, true).spillFailure);
    std::error_code missing;
    const std::uintmax_t size = fs::file_size(record.CapturePath(), missing);
    EXPECT_EQ(missing ? 0 : size, c.captured);
  }
}

TEST_F(TrafficRecordTest, SavedFileHoldsEveryByteReceivedAcrossSpills) {
  TrafficRecord record(Root(), kStamp);
  const Bytes all = Pattern(2'500'000);
  ReceiveInBlocks(record, all, 4099);

  // Two spills of a million; the rest is still in memory.
  EXPECT_EQ(fs::file_size(record.CapturePath()), 2'000'000u);
  EXPECT_TRUE(Tail(record, false) == Bytes(all.begin() + 2'000'000, all.end()));

  // The display buffer was trimmed the same way: it still shows what the log
  // holds and ends with the newest bytes.
  const Bytes display = Tail(record, true);
  EXPECT_GE(display.size(), 500'000u);
  EXPECT_LE(display.size(), std::size_t(kTrimSize));
  EXPECT_TRUE(std::equal(display.rbegin(), display.rend(), all.rbegin()));

  const std::string target = Sub("target");
  SpillFailure failure;
  ASSERT_TRUE(record.SaveTo(target, failure));
  EXPECT_TRUE(ReadAll(target + "/RX data.bin") == all) << "saved file differs from what came";
  EXPECT_EQ(record.CapturedBytes(), all.size());
  ExpectCounters(record.Rx(), {2'500'000, (2'500'000 + 4098) / 4099,
                               Crc32Update(0, all.data(), std::uint32_t(all.size()))});
}

// What Save writes now, as bytes.
Bytes Saved(TrafficRecord& record, const std::string& folder) {
  SpillFailure failure;
  EXPECT_TRUE(record.SaveTo(folder, failure)) << failure.path << ": " << failure.error;
  return ReadAll(folder + "/RX data.bin");
}

TEST_F(TrafficRecordTest, UnwritableCaptureKeepsEveryByteInMemoryAndRetries) {
  // A base that is a regular file leaves nowhere to write the capture, even
  // for root.
  const std::string base = Root() + "/base";
  std::ofstream(base) << "a file";
  TrafficRecord record(base, kStamp);
  const Bytes all = Pattern(12'000'000);

  // 10 MB: the first spill fails and is told once; the rest wait silently.
  std::size_t at = 0;
  int failures = 0;
  for (; at < 10'000'000; at += 4000) {
    const auto received = record.RecordReceived(all.data() + at, 4000, true);
    EXPECT_EQ(received.dropped, 0u);
    if (received.spillFailure) {
      ++failures;
      EXPECT_EQ(received.spillFailure->path, base + "/20240305142233RX data.bin");
      EXPECT_EQ(received.spillFailure->error, ENOTDIR);
    }
  }
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(record.WaitingBytes(), 9'000'000u);
  EXPECT_EQ(record.Loss().bytes, 0u);
  EXPECT_EQ(record.Rx().bytes, 10'000'000u);
  EXPECT_EQ(record.CapturedBytes(), 10'000'000u);
  EXPECT_TRUE(Saved(record, Sub("first")) == Bytes(all.begin(), all.begin() + 10'000'000));

  // Once the folder can be written the waiting blocks go out, each once.
  fs::remove(base);
  fs::create_directory(base);
  for (; at < all.size(); at += 4000)
    EXPECT_FALSE(record.RecordReceived(all.data() + at, 4000, true).spillFailure);
  EXPECT_EQ(record.WaitingBytes(), 0u);
  EXPECT_EQ(fs::file_size(record.CapturePath()), 11'000'000u);
  EXPECT_TRUE(Saved(record, Sub("second")) == all);

  // A success re-arms the report: the next failure is told again.
  FileSizeLimit full(11'000'000);
  ASSERT_TRUE(full.ok());
  ASSERT_EQ(Tail(record, false).size(), 1'000'000u);
  ASSERT_FALSE(record.RecordReceived(all.data(), 1, true).spillFailure);
  const auto again = record.RecordReceived(all.data(), 1, true);
  ASSERT_TRUE(again.spillFailure);
  EXPECT_EQ(again.spillFailure->error, EFBIG);
}

TEST_F(TrafficRecordTest, PastTheMemoryBudgetTheOldestAreDroppedAndAccountedFor) {
  // The capture takes its first two million bytes, then the disk is full:
  // with room for two waiting blocks, the older ones are dropped.
  TrafficRecord record(Root(), kStamp);
  record.SetMemoryBudget(2'000'000);
  const Bytes all = Pattern(10'000'000);
  std::uint64_t told = 0;
  int tellings = 0;
  {
    FileSizeLimit full(2'000'000);
    ASSERT_TRUE(full.ok());
    for (std::size_t at = 0; at < all.size(); at += 5000) {
      const auto received = record.RecordReceived(all.data() + at, 5000, true);
      if (received.dropped > 0) {
        ++tellings;
        told = received.dropped;
      }
    }
  }
  EXPECT_EQ(tellings, 1);  // told once, with what that block dropped
  EXPECT_EQ(told, std::uint64_t(kTrimSize));

  // 2 MB in the file, 2 MB waiting, the rest in the log; between them a gap
  // that Save's result shows and the loss names.
  const CaptureLoss loss = record.Loss();
  EXPECT_EQ(loss.gaps, 1u);
  EXPECT_EQ(loss.firstFrom, 2'000'000u);
  EXPECT_EQ(loss.firstTo, loss.firstFrom + loss.bytes);
  EXPECT_EQ(loss.bytes, 10'000'000u - 4'000'000u - Tail(record, false).size());
  Bytes expected(all.begin(), all.begin() + 2'000'000);
  expected.insert(expected.end(), all.begin() + std::ptrdiff_t(loss.firstTo), all.end());
  EXPECT_TRUE(Saved(record, Sub("target")) == expected);
  EXPECT_EQ(record.CapturedBytes(), expected.size());  // the file, the waiting, the log
  EXPECT_EQ(record.Rx().bytes, 10'000'000u);  // every byte was counted

  // A budget of nothing drops each block the file refuses, at once; a gap
  // after bytes the file took again is a second gap.
  record.SetMemoryBudget(0);
  {
    FileSizeLimit full(4'000'000);
    ASSERT_TRUE(full.ok());
    const Bytes more = Pattern(3'000'000, all.size());
    for (std::size_t at = 0; at < more.size(); at += 1000)
      record.RecordReceived(more.data() + at, 1000, true);
  }
  EXPECT_GE(record.Loss().gaps, 2u);
  EXPECT_EQ(record.WaitingBytes(), 0u);
  EXPECT_EQ(Saved(record, Sub("again")).size(), record.Rx().bytes - record.Loss().bytes);
  EXPECT_EQ(record.CapturedBytes(), record.Rx().bytes - record.Loss().bytes);

  // Clear forgets the loss with the bytes.
  record.Clear();
  EXPECT_EQ(record.Loss().bytes, 0u);
  EXPECT_EQ(record.Loss().gaps, 0u);
}

TEST_F(TrafficRecordTest, SaveSourceIsASnapshotThatReceivingAndClearLeaveAlone) {
  TrafficRecord record(Root(), kStamp);
  const Bytes all = Pattern(3'500'000);
  ReceiveInBlocks(record, Bytes(all.begin(), all.begin() + 2'500'000), 5000);
  SaveSource source = record.TakeSaveSource();
  EXPECT_EQ(source.Total(), 2'500'000u);

  // More bytes spill, then Clear deletes the capture file: the source still
  // writes what was there when it was taken.
  ReceiveInBlocks(record, Bytes(all.begin() + 2'500'000, all.end()), 5000);
  record.Clear();
  ASSERT_FALSE(fs::exists(record.CapturePath()));
  const std::string target = Sub("target");
  EXPECT_EQ(WriteSavedCopy(source, target).status, SaveStatus::kSaved);
  EXPECT_TRUE(ReadAll(target + "/RX data.bin") == Bytes(all.begin(), all.begin() + 2'500'000));
}

TEST_F(TrafficRecordTest, ClearEmptiesEverythingAndDeletesTheCapture) {
  TrafficRecord record(Root(), kStamp);
  ReceiveInBlocks(record, Pattern(1'100'000), 10'000);
  record.RecordSent(Of("AT").data(), 2);
  ASSERT_TRUE(fs::exists(record.CapturePath()));

  record.Clear();
  EXPECT_FALSE(fs::exists(record.CapturePath()));
  EXPECT_TRUE(Tail(record, true).empty());
  EXPECT_TRUE(Tail(record, false).empty());
  ExpectCounters(record.Rx(), {});
  ExpectCounters(record.Tx(), {});
  EXPECT_EQ(record.CapturedBytes(), 0u);

  // The direction starts afresh: no CR LF before the first marker.
  record.RecordReceived(Of("123456789").data(), 9, true);
  EXPECT_EQ(Tail(record, true), Of("<<123456789"));
  ExpectCounters(record.Rx(), {9, 1, 0xCBF43926});
  const std::string target = Sub("target");
  SpillFailure failure;
  ASSERT_TRUE(record.SaveTo(target, failure));
  EXPECT_EQ(ReadAll(target + "/RX data.bin"), Of("123456789"));
}

TEST_F(TrafficRecordTest, SaveFailuresNameTheFile) {
  TrafficRecord record(Root(), kStamp);
  record.RecordReceived(Of("abc").data(), 3, true);

  SpillFailure failure{"stale", 99};
  EXPECT_FALSE(record.SaveTo("", failure));  // the folder choice was cancelled
  EXPECT_EQ(failure.error, 0);
  EXPECT_EQ(failure.path, "");

  const std::string missing = Root() + "/no such folder";
  EXPECT_FALSE(record.SaveTo(missing, failure));
  EXPECT_EQ(failure.error, ENOENT);
  EXPECT_EQ(failure.path, missing + "/RX data.bin");
}

// The display buffer cut at its direction markers.
struct Segment {
  bool sent;
  std::string bytes;
};

std::vector<Segment> SplitDisplay(const Bytes& display) {
  const std::string text(display.begin(), display.end());
  std::vector<Segment> segments;
  std::size_t at = 0;
  while (at < text.size()) {
    if (!segments.empty()) {
      EXPECT_EQ(text.compare(at, 2, "\r\n"), 0) << "at " << at;
      at += 2;
    }
    const std::string marker = text.substr(at, 2);
    EXPECT_TRUE(marker == ">>" || marker == "<<") << "at " << at << ": " << marker;
    at += 2;
    const std::size_t end = std::min(text.find('\r', at), text.size());
    segments.push_back({marker == ">>", text.substr(at, end - at)});
    at = end;
  }
  return segments;
}

TEST_F(TrafficRecordTest, ConcurrentReceiverAndSendersAreRecordedWhole) {
  constexpr int kSends = 5000;    // per sender
  constexpr int kBlocks = 10000;  // received
  constexpr std::size_t kSendSize = 16;
  TrafficRecord record(Root(), kStamp);

  // Received bytes are lower case, sends upper case and digits: neither holds
  // a marker or a CR, so the display buffer can be cut apart again.
  std::string received;
  for (int i = 0; i < kBlocks; ++i)
    received += std::string(std::size_t(1 + i % 37), char('a' + i % 26));
  auto sendBlock = [](char sender, int i) {
    char head[8];
    std::snprintf(head, sizeof head, "%c%05d", sender, i);
    return std::string(head) + std::string(kSendSize - 6, sender);
  };

  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    while (!go) std::this_thread::yield();
    std::size_t at = 0;
    for (int i = 0; i < kBlocks; ++i) {
      const std::size_t n = std::size_t(1 + i % 37);
      record.RecordReceived(reinterpret_cast<const std::uint8_t*>(received.data() + at),
                            std::uint32_t(n), true);
      at += n;
    }
  });
  for (const char sender : {'A', 'B'}) {
    threads.emplace_back([&, sender] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < kSends; ++i) {
        const std::string block = sendBlock(sender, i);
        record.RecordSent(reinterpret_cast<const std::uint8_t*>(block.data()),
                          std::int32_t(block.size()));
      }
    });
  }
  go = true;
  for (auto& t : threads) t.join();

  std::string receivedShown;
  std::string sentShown;
  int nextOf[2] = {0, 0};
  for (const Segment& segment : SplitDisplay(Tail(record, true))) {
    if (!segment.sent) {
      receivedShown += segment.bytes;
      continue;
    }
    ASSERT_EQ(segment.bytes.size() % kSendSize, 0u) << segment.bytes;
    for (std::size_t at = 0; at < segment.bytes.size(); at += kSendSize) {
      const std::string block = segment.bytes.substr(at, kSendSize);
      const int sender = block[0] == 'A' ? 0 : 1;
      ASSERT_EQ(block, sendBlock(block[0], nextOf[sender])) << "a send cut apart or out of order";
      ++nextOf[sender];
    }
    sentShown += segment.bytes;
  }
  EXPECT_EQ(nextOf[0], kSends);
  EXPECT_EQ(nextOf[1], kSends);
  EXPECT_EQ(receivedShown, received);
  EXPECT_EQ(Tail(record, false), Of(received));

  auto crcOf = [](const std::string& s) {
    return Crc32Update(0, reinterpret_cast<const std::uint8_t*>(s.data()), std::uint32_t(s.size()));
  };
  ExpectCounters(record.Rx(), {received.size(), kBlocks, crcOf(received)});
  // The TX CRC follows the order the sends were shown in: counting and
  // showing a send are one step.
  ExpectCounters(record.Tx(), {2 * kSends * kSendSize, 2 * kSends, crcOf(sentShown)});
}

}  // namespace
}  // namespace zephyn
