#include "common/input_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zephyn {
namespace {

InputEntry T(const std::string& text) {
  return {text, false};
}
InputEntry H(const std::string& text) {
  return {text, true};
}

// A walk as the input box sees it: the box starts with `draft`, each 'U'
// (older) or 'D' (newer) that recalls an entry puts it into the box.
TEST(InputHistory, RecallWalksOlderAndNewer) {
  const InputEntry draft = T("typing");
  const struct {
    const char* name;
    std::vector<InputEntry> sent;
    const char* keys;
    InputEntry box;
  } cases[] = {
      {"up twice after three sends", {T("a"), T("b"), T("c")}, "UU", T("b")},
      // As after a send, the box holds the newest: the first step skips it.
      {"the box holds the newest", {T("a"), T("b"), T("typing")}, "UU", T("a")},
      {"and back", {T("a"), T("b"), T("typing")}, "UUDDD", T("typing")},
      {"up three times", {T("a"), T("b"), T("c")}, "UUU", T("a")},
      {"stops at the oldest", {T("a"), T("b"), T("c")}, "UUUUU", T("a")},
      {"back down", {T("a"), T("b"), T("c")}, "UUUD", T("b")},
      {"past the newest gives the draft back", {T("a"), T("b")}, "UDD", draft},
      {"down without a walk keeps the box", {T("a")}, "D", draft},
      {"nothing sent", {}, "UU", draft},
      {"a repeat moves to the newest", {T("a"), T("b"), T("a")}, "U", T("a")},
      {"a repeat is kept once", {T("a"), T("b"), T("a")}, "UU", T("b")},
      {"hex and text are distinct", {H("41"), T("41")}, "UU", H("41")},
      {"an empty input is not kept", {T("a"), T("")}, "U", T("a")},
      {"binary bytes", {T(std::string("\0\r\n=\xFF", 5))}, "U", T(std::string("\0\r\n=\xFF", 5))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InputHistory history;
    for (const InputEntry& entry : c.sent) history.Add(entry);
    InputEntry box = draft;
    for (const char* key = c.keys; *key != '\0'; ++key)
      if (const auto entry = *key == 'U' ? history.Older(box) : history.Newer()) box = *entry;
    EXPECT_EQ(box, c.box);
  }
}

TEST(InputHistory, KeepsTheNewestHundredAndASendEndsTheWalk) {
  InputHistory history;
  for (int i = 1; i <= 101; ++i) history.Add(T(std::to_string(i)));
  ASSERT_EQ(history.Entries().size(), InputHistory::kCapacity);
  EXPECT_EQ(history.Entries().front(), T("2"));
  EXPECT_EQ(history.Entries().back(), T("101"));

  // Halfway through a walk a send puts the walk back at the newest.
  ASSERT_TRUE(history.Older(T("")));
  ASSERT_TRUE(history.Older(T("")));
  history.Add(T("50"));
  EXPECT_EQ(history.Entries().size(), InputHistory::kCapacity);
  EXPECT_EQ(history.Older(T("")), T("50"));
  EXPECT_EQ(history.Older(T("")), T("101"));
}

}  // namespace
}  // namespace zephyn
