#include "storage/flow_words.h"

#include <gtest/gtest.h>

#include "common/code_page.h"

namespace zephyn {
namespace {

TEST(FlowWordsTest, EachWordKeepsThePositionItHadWhereItWasWritten) {
  struct Case {
    std::string word;
    std::optional<int> entry;
  };
  const Case cases[] = {
      {Utf8ToGbkString("无"), 0},
      {Utf8ToGbkString("有"), 1},
      {"Have", 0},
      {"No", 1},
      {"", std::nullopt},
      {"no", std::nullopt},
      {"CTS", std::nullopt},
      {"No ", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(FlowEntryOfWord(c.word), c.entry) << c.word;
}

}  // namespace
}  // namespace zephyn
