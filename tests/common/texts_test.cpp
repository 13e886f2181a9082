#include "common/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/code_page.h"

namespace zephyn {
namespace {

// Restores the process-wide language so that tests stay independent.
class LanguageGuard {
 public:
  explicit LanguageGuard(Language language) : m_saved(CurrentLanguage()) { SetLanguage(language); }
  ~LanguageGuard() { SetLanguage(m_saved); }

 private:
  Language m_saved;
};

TEST(Texts, EnglishIsTheDefault) {
  EXPECT_EQ(CurrentLanguage(), Language::EnUS);
}

TEST(Texts, StateMarkersAreExact) {
  struct Case {
    std::uint16_t id;
    const char* zhCN;
    const char* enUS;
  };
  const Case cases[] = {
      {0, "○ 打开串口", "○ Open"},
      {1, "■ 关闭串口", "■ Close"},
      {7, "通讯失败", "Failed"},
      {13, "对不起！长度超范围。", "Overrun"},
      {14, "超范围", "Overrun"},
      {36, "无", "No"},
      {41, "Sorry! 你要的这个传输速度我做不到（T.T）", "Sorry! It's too fast,I can't do it."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "text " << c.id);
    EXPECT_EQ(LoadTextUtf8(c.id, Language::ZhCN), c.zhCN);
    EXPECT_EQ(LoadTextUtf8(c.id, Language::EnUS), c.enUS);
  }
}

TEST(Texts, FollowsTheCurrentLanguageAsGbk) {
  {
    LanguageGuard zh(Language::ZhCN);
    EXPECT_EQ(LoadText(36), "\xCE\xDE");
    EXPECT_EQ(LoadText(0), "\xA1\xF0 \xB4\xF2\xBF\xAA\xB4\xAE\xBF\xDA");
    EXPECT_EQ(LoadTextUtf8(1), "■ 关闭串口");
  }
  EXPECT_EQ(LoadText(36), "No");
  // The English captions' symbols are in GBK too, so the caption reads the
  // same after a round trip through the code page.
  EXPECT_EQ(LoadText(1), "\xA1\xF6 Close");
  EXPECT_EQ(LoadTextUtf8(0), "○ Open");
}

TEST(Texts, EveryIdIsHeldAndNoOther) {
  for (Language language : {Language::ZhCN, Language::EnUS}) {
    LanguageGuard guard(language);
    for (std::uint16_t id = 0; id < kTextCount; ++id) {
      const std::string gbk = LoadText(id);
      const std::string utf8 = LoadTextUtf8(id);
      EXPECT_FALSE(gbk.empty()) << "text " << id;
      // Every text is representable in GBK: no replacement crept in.
      EXPECT_EQ(std::count(gbk.begin(), gbk.end(), '?'), std::count(utf8.begin(), utf8.end(), '?'))
          << "text " << id;
    }
    // The messages beyond the table, each with the device's path to fill.
    for (std::uint16_t id = kFirstMessage; id < kFirstMessage + kMessageCount; ++id) {
      const std::string gbk = LoadText(id);
      const std::string utf8 = LoadTextUtf8(id);
      EXPECT_NE(utf8.find("%1"), std::string::npos) << "text " << id;
      EXPECT_EQ(std::count(gbk.begin(), gbk.end(), '?'), std::count(utf8.begin(), utf8.end(), '?'))
          << "text " << id;
    }
    EXPECT_NE(LoadTextUtf8(kFirstMessage, Language::ZhCN),
              LoadTextUtf8(kFirstMessage, Language::EnUS));
    for (std::uint16_t id : {int(kTextCount), 101, 999, kFirstMessage + kMessageCount, 0xFFFF}) {
      EXPECT_EQ(LoadText(id), "") << "text " << id;
      EXPECT_EQ(LoadTextUtf8(id), "") << "text " << id;
    }
  }
}

// The %1..%9 markers a text holds, in ascending order, once each.
std::string Markers(std::string_view text) {
  std::string markers;
  for (std::size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 1)) {
    const char digit = at + 1 < text.size() ? text[at + 1] : '\0';
    if (digit >= '1' && digit <= '9' && markers.find(digit) == std::string::npos) markers += digit;
  }
  std::sort(markers.begin(), markers.end());
  return markers;
}

TEST(Texts, ArgumentsAgreeAcrossLanguages) {
  // A text is shown as it is: a marker in it would reach the screen unfilled.
  for (std::uint16_t id = 0; id < kTextCount; ++id) {
    SCOPED_TRACE(::testing::Message() << "text " << id);
    EXPECT_EQ(Markers(LoadTextUtf8(id, Language::ZhCN)), "");
    EXPECT_EQ(Markers(LoadTextUtf8(id, Language::EnUS)), "");
  }
  // A message is filled in the same way whatever the language: the same
  // markers in both, numbered from %1 without a gap, so that no argument is
  // lost or left showing as "%3".
  for (std::uint16_t id = kFirstMessage; id < kFirstMessage + kMessageCount; ++id) {
    SCOPED_TRACE(::testing::Message() << "text " << id);
    const std::string zh = Markers(LoadTextUtf8(id, Language::ZhCN));
    EXPECT_EQ(zh, Markers(LoadTextUtf8(id, Language::EnUS)));
    EXPECT_EQ(zh, std::string("123456789").substr(0, zh.size()));
  }
}

TEST(Texts, PaneNotesAreHeldInBothLanguages) {
  for (std::uint16_t id = kFirstNote; id < kFirstNote + kNoteCount; ++id) {
    for (Language language : {Language::ZhCN, Language::EnUS}) {
      const std::string utf8 = LoadTextUtf8(id, language);
      EXPECT_EQ(utf8.front(), '[') << "note " << id;
      EXPECT_EQ(utf8.back(), ']') << "note " << id;
      EXPECT_NE(utf8.find("%1"), std::string::npos) << "note " << id;
    }
    LanguageGuard zh(Language::ZhCN);
    EXPECT_EQ(LoadText(id), Utf8ToGbkString(LoadTextUtf8(id))) << "note " << id;
  }
  EXPECT_EQ(LoadTextUtf8(kFirstNote + kNoteCount), "");
}

TEST(Texts, StripTextsAreHeldInBothLanguagesWithTheSameMarkers) {
  for (std::uint16_t id = kFirstStripText; id < kFirstStripText + kStripTextCount; ++id) {
    SCOPED_TRACE(::testing::Message() << "text " << id);
    const std::string zh = LoadTextUtf8(id, Language::ZhCN);
    const std::string en = LoadTextUtf8(id, Language::EnUS);
    EXPECT_FALSE(zh.empty());
    EXPECT_FALSE(en.empty());
    EXPECT_EQ(Markers(zh), Markers(en));
    LanguageGuard guard(Language::ZhCN);
    const std::string gbk = LoadText(id);
    EXPECT_EQ(std::count(gbk.begin(), gbk.end(), '?'), std::count(zh.begin(), zh.end(), '?'));
  }
  EXPECT_EQ(LoadTextUtf8(kFirstStripText - 1), "");
  EXPECT_EQ(LoadTextUtf8(kFirstStripText + kStripTextCount), "");
}

TEST(Texts, FillTextReplacesMarkersInOnePass) {
  struct Case {
    const char* text;
    std::initializer_list<std::string_view> args;
    const char* filled;
  };
  const Case cases[] = {
      {"Cannot open %1: %2.", {"/dev/ttyS0", "busy"}, "Cannot open /dev/ttyS0: busy."},
      {"%2 before %1, %1 again", {"a", "b"}, "b before a, a again"},
      // A marker inside an argument is not filled again.
      {"open %1 at %2", {"/tmp/%2", "9600"}, "open /tmp/%2 at 9600"},
      // Markers without an argument, a lone % and %0 stay as they are.
      {"%1 %3 100% %0 %", {"x"}, "x %3 100% %0 %"},
      {"%9", {"1", "2", "3", "4", "5", "6", "7", "8", "nine"}, "nine"},
  };
  for (const Case& c : cases) EXPECT_EQ(FillText(c.text, c.args), c.filled) << c.text;
}

TEST(Texts, ConcurrentLoadsAgree) {
  LanguageGuard zh(Language::ZhCN);
  // Built without LoadText, so that when this test runs alone the threads
  // below race on the first load.
  std::array<std::string, kTextCount> expected;
  for (std::uint16_t id = 0; id < kTextCount; ++id)
    expected[id] = Utf8ToGbkString(LoadTextUtf8(id));

  std::vector<int> mismatches(6, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < mismatches.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 200; ++round) {
        for (std::uint16_t id = 0; id < kTextCount; ++id) {
          if (LoadText(id) != expected[id]) ++mismatches[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(6, 0));
}

}  // namespace
}  // namespace zephyn
