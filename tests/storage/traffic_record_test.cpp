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
  ExpectCounters(record.Rx(), {2'500'000, (2'500'000 + 4098) / 4099,
                               Crc32Update(0, all.data(), std::uint32_t(all.size()))});
}

TEST_F(TrafficRecordTest, FailedSpillIsReportedOnceAndItsBytesKept) {
  // A base that is a regular file leaves nowhere to write the capture, even
  // for root.
  const std::string base = Root() + "/base";
  std::ofstream(base) << "a file";
  TrafficRecord record(base, kStamp);
  const std::string capture = base + "/20240305142233RX data.bin";

  const Bytes all = Pattern(2'200'000);
  const std::size_t firstPart = std::size_t(kTrimSize) + 1;
  ASSERT_FALSE(record.RecordReceived(all.data(), std::uint32_t(firstPart), true).spillFailure);

  // The next block tries the spill and reports it; the ones after retry in
  // silence.
  std::size_t at = firstPart;
  const auto failed = record.RecordReceived(all.data() + at, 1000, true);
  at += 1000;
  ASSERT_TRUE(failed.spillFailure);
  EXPECT_EQ(failed.spillFailure->path, capture);
  EXPECT_EQ(failed.spillFailure->error, ENOTDIR);
  EXPECT_EQ(failed.rx.bytes, std::int32_t(at));
  for (int i = 0; i < 3; ++i, at += 1000)
    EXPECT_FALSE(record.RecordReceived(all.data() + at, 1000, true).spillFailure);
  EXPECT_TRUE(Tail(record, false) == Bytes(all.begin(), all.begin() + std::ptrdiff_t(at)));

  // Once the folder can be written the kept bytes go out, none twice.
  fs::remove(base);
  fs::create_directory(base);
  EXPECT_FALSE(record.RecordReceived(all.data() + at, 1000, true).spillFailure);
  at += 1000;
  EXPECT_EQ(fs::file_size(record.CapturePath()), std::uintmax_t(kTrimSize));
  const std::string target = Sub("target");
  SpillFailure failure;
  ASSERT_TRUE(record.SaveTo(target, failure));
  EXPECT_TRUE(ReadAll(target + "/RX data.bin") ==
              Bytes(all.begin(), all.begin() + std::ptrdiff_t(at)));

  // A success re-arms the report: the next failure is told again.
  fs::remove_all(base);
  std::ofstream(base) << "a file again";
  const std::size_t refill = std::size_t(kTrimSize) + 1 - Tail(record, false).size();
  ASSERT_FALSE(record.RecordReceived(all.data() + at, std::uint32_t(refill), true).spillFailure);
  at += refill;
  const auto again = record.RecordReceived(all.data() + at, 1, true);
  ASSERT_TRUE(again.spillFailure);
  EXPECT_EQ(again.spillFailure->error, ENOTDIR);
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
  ExpectCounters(record.Rx(), {std::int32_t(received.size()), kBlocks, crcOf(received)});
  // The TX CRC follows the order the sends were shown in: counting and
  // showing a send are one step.
  ExpectCounters(record.Tx(), {std::int32_t(2 * kSends * kSendSize), 2 * kSends, crcOf(sentShown)});
}

}  // namespace
}  // namespace zephyn
