#include "common/instructions.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
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

}  // namespace
}  // namespace zephyn
