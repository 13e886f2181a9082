#include "storage/flow_words.h"

#include <array>
#include <string>

#include "common/code_page.h"

namespace zephyn {

std::optional<int> FlowEntryOfWord(std::string_view gbkValue) {
  struct Word {
    std::string gbk;
    int entry;
  };
  static const std::array<Word, 4> kWords = {{
      {Utf8ToGbkString("无"), 0},
      {Utf8ToGbkString("有"), 1},
      {"Have", 0},
      {"No", 1},
  }};
  for (const Word& word : kWords)
    if (gbkValue == word.gbk) return word.entry;
  return std::nullopt;
}

}  // namespace zephyn
