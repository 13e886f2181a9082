#include "common/at_answer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zephyn {
namespace {

std::optional<std::string> Feed(AtAnswer& answer, const std::string& block) {
  return answer.OnBlock(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
}

TEST(AtAnswerTest, TakesTheAnswerOnceItHoldsOk) {
  struct Case {
    const char* name;
    std::vector<std::string> blocks;
    std::optional<std::string> taken;     // what the last block gives
    std::optional<std::string> atTheEnd;  // what End() gives afterwards
  };
  const std::vector<Case> cases = {
      {"one block", {"+NAME=Sensor01\r\nOK\r\n"}, "Sensor01\r\n", std::nullopt},
      {"split answer", {"+NAME=Sen", "sor01\r\nOK\r\n"}, "Sensor01\r\n", std::nullopt},
      {"OK split between blocks", {"+PIN=1234\r\nO", "K\r\n"}, "1234\r\n", std::nullopt},
      {"no equals sign", {"OK\r\n"}, "", std::nullopt},
      {"error reply empties the box at the end", {"ERROR\r\n"}, std::nullopt, ""},
      {"nothing came", {}, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AtAnswer answer;
    answer.Begin();
    std::optional<std::string> last;
    for (const std::string& block : c.blocks) last = Feed(answer, block);
    EXPECT_EQ(last, c.taken);
    EXPECT_EQ(answer.End(), c.atTheEnd);
    EXPECT_FALSE(answer.Waiting());
  }
}

TEST(AtAnswerTest, BlocksOutsideAWaitAreNotTaken) {
  AtAnswer answer;
  EXPECT_EQ(Feed(answer, "+NAME=x\r\nOK\r\n"), std::nullopt);
  answer.Begin();
  EXPECT_EQ(Feed(answer, "+NAME=a\r\nOK\r\n"), "a\r\n");
  // The answer was taken: later blocks of the same wait are data only.
  EXPECT_EQ(Feed(answer, "+NAME=b\r\nOK\r\n"), std::nullopt);
  // A new query starts afresh, dropping what an old one collected.
  answer.Begin();
  EXPECT_EQ(Feed(answer, "+VER=V1"), std::nullopt);
  answer.Begin();
  EXPECT_EQ(Feed(answer, "+VER=V2\r\nOK\r\n"), "V2\r\n");
}

}  // namespace
}  // namespace zephyn
