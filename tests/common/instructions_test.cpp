#include "common/instructions.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zephyn {
namespace {

using namespace std::string_view_literals;
using Strings = std::vector<std::string>;

struct CutCase {
  const char* name;
  std::string text;
  Strings expected;
};

TEST(CutInstructionsTest, CutsAsTheModuleDialogueExpects) {
  const std::string longName = "AT+NAME=" + std::string(200, 'x');
  const CutCase cases[] = {
      {"three lines", "AT+NAME\r\nAT+VER\r\nAT+ADDR", {"AT+NAME", "AT+VER", "AT+ADDR"}},
      {"text before the first start is dropped", "hello\r\nAT+NAME", {"AT+NAME"}},
      {"AT+X is too short; the next start replaces it", "AT+X\r\nAT+VER", {"AT+VER"}},
      {"a CR LF too close leaves the start open", "AT+\r\nAB\r\n", {"AT+\r\nAB"}},
      {"a second start before any CR LF is part of the first",
       "AT+NAMEAT+VER\r\n",
       {"AT+NAMEAT+VER"}},
      {"text between instructions is dropped",
       "AT+A=1\r\nnoise\r\nAT+B=2\r\n",
       {"AT+A=1", "AT+B=2"}},
      {"the rest is taken whatever its length", "AT+", {"AT+"}},
      {"a short rest keeps its CR LF", "AT+X\r\n", {"AT+X\r\n"}},
      {"a lone CR does not close", "AT+NAME\rAT+VER", {"AT+NAME\rAT+VER"}},
      {"five bytes are enough", "AT+AB\r\n", {"AT+AB"}},
      {"no AT+ at all", "hello\r\nworld", {}},
      {"lower case does not start", "at+name\r\n", {}},
      {"empty input", "", {}},
      {"a long instruction is kept whole", longName + "\r\nAT+VER", {longName, "AT+VER"}},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    Strings out = {"stale"};
    EXPECT_EQ(CutInstructions(c.text, 20, out), CutResult::Ok);
    EXPECT_EQ(out, c.expected);
  }
}

std::string Instructions(int count, bool trailingCrLf) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += "\r\n";
    text += "AT+CMD" + std::to_string(i);
  }
  return trailingCrLf ? text + "\r\n" : text;
}

TEST(CutInstructionsTest, TwentyAreAcceptedTwentyOneRefusedWithNothingKept) {
  for (const bool trailing : {false, true}) {
    SCOPED_TRACE(trailing ? "closed by CR LF" : "last one is the rest");
    Strings out;
    ASSERT_EQ(CutInstructions(Instructions(20, trailing), 20, out), CutResult::Ok);
    ASSERT_EQ(out.size(), 20u);
    EXPECT_EQ(out.front(), "AT+CMD0");
    EXPECT_EQ(out.back(), "AT+CMD19");

    EXPECT_EQ(CutInstructions(Instructions(21, trailing), 20, out), CutResult::TooMany);
    EXPECT_TRUE(out.empty());
  }
}

TEST(ContainsOkTest, NeedsOThenKInOneBlock) {
  const struct {
    std::string_view block;
    bool expected;
  } cases[] = {
      {"OK\r\n", true}, {"+NAME=A\r\nOK", true}, {"O", false}, {"K", false},     {"KO", false},
      {"O K", false},   {"ok", false},           {"", false},  {"\0OK"sv, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.block));
    EXPECT_EQ(ContainsOk(reinterpret_cast<const std::uint8_t*>(c.block.data()), c.block.size()),
              c.expected);
  }
}

TEST(AtReplyValueTest, TakesTheValueBetweenEqualsAndOk) {
  const struct {
    std::string_view reply;
    std::string_view value;
  } cases[] = {
      {"+NAME=Sensor01\r\nOK\r\n", "Sensor01\r\n"},
      {"+NAME=ABC\r\nOK\r\n", "ABC\r\n"},
      {"+VERSION:2.0\r\nOK", "+VERSION:2.0\r\n"},  // no "=": the whole text up to "OK"
      {"+PIN=12=34OK", "12=34"},                   // only the first "=" splits
      {"OK=yes", ""},  // the "OK" before the "=" is cut away with the key
      {"+NAME=ABC", ""},
      {"no equals and no ok", ""},
      {"=OK", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.reply));
    EXPECT_EQ(AtReplyValue(c.reply), c.value);
  }
}

TEST(LeadingIntTest, ReadsLikeAtoiAndClamps) {
  const struct {
    std::string_view text;
    int value;
  } cases[] = {
      {"150", 150},
      {"  \t42ms", 42},
      {"\r\n7", 7},
      {"+12", 12},
      {"-12", -12},
      {"", 0},
      {"abc", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"0x10", 0},
      {"007", 7},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", INT_MAX},
      {"-2147483649", INT_MIN},
      {"99999999999999999999999", INT_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(LeadingInt(c.text), c.value);
  }
}

TEST(InstructionSequenceTest, LoadKeepsTheListAndGivesTheFirst) {
  const struct {
    const char* name;
    std::string text;
    CutResult result;
    int count;
    std::string first;
  } cases[] = {
      {"three", "AT+NAME\r\nAT+VER\r\nAT+ADDR", CutResult::Ok, 3, "AT+NAME"},
      {"one with its CR LF cut off", "AT+VER\r\n", CutResult::Ok, 1, "AT+VER"},
      {"none", "hello", CutResult::Ok, 0, ""},
      {"twenty", Instructions(20, true), CutResult::Ok, 20, "AT+CMD0"},
      {"twenty-one are refused whole", Instructions(21, false), CutResult::TooMany, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InstructionSequence sequence;
    sequence.Load("AT+OLD1\r\nAT+OLD2", nullptr);
    sequence.OnBlock(nullptr, 0);
    std::string first = "stale";
    EXPECT_EQ(sequence.Load(c.text, &first), c.result);
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(sequence.Count(), c.count);
    EXPECT_EQ(sequence.Index(), 0);
  }
}

TEST(InstructionSequenceTest, EveryBlockMovesOnAndAnOkReleasesTheNext) {
  using Released = std::optional<std::string>;
  const std::string three = "AT+A=1\r\nAT+B=2\r\nAT+C=3";
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string_view> blocks;
    std::vector<Released> released;
  } cases[] = {
      {"each OK releases the next",
       three,
       {"OK\r\n", "+B:2\r\nOK\r\n", "OK\r\n"},
       {"AT+B=2\r\n", "AT+C=3\r\n", std::nullopt}},
      // The module's reply came in two blocks: the first one moved the
      // position on, so the OK in the second skips an instruction.
      {"a block without OK still moves on",
       three,
       {"+A:1\r\n", "OK\r\n", "OK\r\n"},
       {std::nullopt, "AT+C=3\r\n", std::nullopt}},
      {"an O and a K in two blocks are no OK", three, {"O", "K"}, {std::nullopt, std::nullopt}},
      {"nothing loaded", "", {"OK", "OK"}, {std::nullopt, std::nullopt}},
      {"a refused list releases nothing",
       Instructions(21, false),
       {"OK", "OK"},
       {std::nullopt, std::nullopt}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InstructionSequence sequence;
    sequence.SetDelay("  250ms");
    sequence.Load(c.text, nullptr);
    for (std::size_t i = 0; i < c.blocks.size(); ++i) {
      SCOPED_TRACE(i);
      const auto next = sequence.OnBlock(reinterpret_cast<const std::uint8_t*>(c.blocks[i].data()),
                                         c.blocks[i].size());
      ASSERT_EQ(next.has_value(), c.released[i].has_value());
      if (next) {
        EXPECT_EQ(next->bytes, *c.released[i]);
        EXPECT_EQ(next->delayMs, 250);
      }
      EXPECT_EQ(sequence.Index(), int(i) + 1);
    }
  }
}

TEST(InstructionSequenceTest, DelayIsReadWhenTheInstructionIsReleased) {
  InstructionSequence sequence;
  EXPECT_EQ(sequence.Delay(), "150");
  EXPECT_FALSE(sequence.Enabled());
  sequence.Load("AT+AA\r\nAT+BB\r\nAT+CC", nullptr);
  const std::string_view ok = "OK";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(ok.data());
  EXPECT_EQ(sequence.OnBlock(bytes, ok.size())->delayMs, 150);
  sequence.SetDelay("abc");  // not a number: no wait
  EXPECT_EQ(sequence.OnBlock(bytes, ok.size())->delayMs, 0);

  // Reset forgets the list: nothing more is released.
  sequence.Reset();
  EXPECT_EQ(sequence.Count(), 0);
  EXPECT_EQ(sequence.Index(), 0);
  EXPECT_FALSE(sequence.OnBlock(bytes, ok.size()));
}

}  // namespace
}  // namespace zephyn
