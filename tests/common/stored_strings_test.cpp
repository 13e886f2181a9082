#include "common/stored_strings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace zephyn {
namespace {

using namespace std::chrono_literals;

TEST(StoredStrings, RowBytes) {
  const struct {
    const char* text;
    bool hex;
    bool newLine;
    Bytes bytes;
  } cases[] = {
      {"AB", false, true, {0x41, 0x42, 0x0D, 0x0A}},
      {"AB", false, false, {0x41, 0x42}},
      {"", false, false, {}},
      {"", false, true, {0x0D, 0x0A}},
      {"  ", false, false, {0x20, 0x20}},  // a text row sends its blanks
      {"41 42", true, false, {0x41, 0x42}},
      {"41 4", true, false, {0x41, 0x04}},  // three digits: two bytes
      // The line end is added as bytes: the odd last digit stays 04 instead
      // of pairing with the CR's digits.
      {"41 4", true, true, {0x41, 0x04, 0x0D, 0x0A}},
      {"   ", true, false, {}},
      {"   ", true, true, {0x0D, 0x0A}},
      {"0d 0a\r\n", true, false, {0x0D, 0x0A}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" hex " << c.hex << " nl " << c.newLine);
    EXPECT_EQ(StoredStringBytes(c.text, c.hex, c.newLine), c.bytes);
  }
}

TEST(StoredStrings, HexToggleRewritesTheRow) {
  EXPECT_EQ(StoredStringToHex("AB"), "41 42 ");
  EXPECT_EQ(StoredStringFromHex("41 42 "), "AB");
  EXPECT_EQ(StoredStringFromHex("00 41"), "A");  // zero bytes dropped
  EXPECT_EQ(StoredStringToHex(""), "");
  EXPECT_EQ(StoredStringFromHex("   "), "");
  // GBK text survives the round trip byte for byte.
  const std::string gbk = "\xC4\xE3\xBA\xC3";
  EXPECT_EQ(StoredStringToHex(gbk), "C4 E3 BA C3 ");
  EXPECT_EQ(StoredStringFromHex(StoredStringToHex(gbk)), gbk);
}

// Collects what the cycle sends, from its timer's thread.
struct Sink {
  std::mutex lock;
  std::vector<Bytes> items;
  void Add(const Bytes& item) {
    const std::lock_guard<std::mutex> hold(lock);
    items.push_back(item);
  }
  std::vector<Bytes> Take() {
    const std::lock_guard<std::mutex> hold(lock);
    return items;
  }
  bool WaitFor(std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (Take().size() < count) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
};

std::vector<StoredString> Rows(std::initializer_list<std::pair<int, StoredString>> filled) {
  std::vector<StoredString> rows(120);
  for (const auto& [n, row] : filled) rows[n - 1] = row;
  return rows;
}

TEST(StringCycle, SendsTheNonEmptyRowsInRowOrderForever) {
  Sink sink;
  StringCycle cycle([&](const Bytes& item) { sink.Add(item); });
  const auto rows = Rows({{9, {"C", false}}, {1, {"41", true}}, {5, {"B", false}}});
  ASSERT_EQ(cycle.Begin(rows, true, 2), StringCycle::Start::kStarted);
  EXPECT_TRUE(cycle.Running());
  ASSERT_TRUE(sink.WaitFor(7));
  EXPECT_TRUE(cycle.End());
  EXPECT_FALSE(cycle.Running());
  EXPECT_FALSE(cycle.End());

  const std::vector<Bytes> got = sink.Take();
  const Bytes expected[] = {{'A', '\r', '\n'}, {'B', '\r', '\n'}, {'C', '\r', '\n'}};
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i % 3]) << i;
  // Nothing after End returned.
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(sink.Take().size(), got.size());
}

TEST(StringCycle, StartsNothingWithoutRowsOrWithARefusedPeriod) {
  Sink sink;
  StringCycle cycle([&](const Bytes& item) { sink.Add(item); });
  EXPECT_EQ(cycle.Begin(Rows({}), true, 100), StringCycle::Start::kNoRows);
  EXPECT_FALSE(cycle.Running());
  const auto rows = Rows({{3, {"x", false}}});
  for (std::int64_t period : {0, -5, 1'000'001}) {
    SCOPED_TRACE(period);
    EXPECT_EQ(cycle.Begin(rows, false, period), StringCycle::Start::kTimerRefused);
    EXPECT_FALSE(cycle.Running());
  }
  // A blank hex row takes part: it sends its zero bytes.
  ASSERT_EQ(cycle.Begin(Rows({{2, {" ", true}}}), false, 1), StringCycle::Start::kStarted);
  ASSERT_TRUE(sink.WaitFor(2));
  cycle.End();
  EXPECT_EQ(sink.Take()[0], Bytes{});
}

// A new start replaces a running cycle's snapshot while another thread
// stops it: run under TSan, the ticks never see a snapshot being rebuilt,
// and only the latest start's rows go out.
TEST(StringCycle, StartsAndStopsFromTwoThreads) {
  std::atomic<int> sent{0};
  std::atomic<int> wrong{0};
  std::atomic<char> current{'a'};
  StringCycle cycle([&](const Bytes& item) {
    ++sent;
    if (item.size() != 1 || item[0] != current.load()) ++wrong;
  });
  std::atomic<bool> done{false};
  std::thread stopper([&] {
    while (!done) {
      cycle.End();
      std::this_thread::sleep_for(2ms);
    }
  });
  for (int i = 0; i < 200; ++i) {
    const char c = char('a' + i % 26);
    cycle.End();
    current = c;
    cycle.Begin(Rows({{1 + i % 120, {std::string(1, c), false}}}), false, 1);
    std::this_thread::sleep_for(1500us);
  }
  done = true;
  stopper.join();
  cycle.End();
  EXPECT_GT(sent.load(), 0);
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_FALSE(cycle.Running());
}

}  // namespace
}  // namespace zephyn
