#include "common/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zephyn {
namespace {

using namespace std::string_view_literals;

struct Case {
  std::string_view in;
  std::string_view expected;
};

TEST(CodePage, Utf8ToGbk) {
  const Case cases[] = {
      {"\xE4\xB8\xAD"sv, "\xD6\xD0"sv},
      {"Hello, AT+NAME\r\n"sv, "Hello, AT+NAME\r\n"sv},
      {"○ 打开串口"sv, "\xA1\xF0\x20\xB4\xF2\xBF\xAA\xB4\xAE\xBF\xDA"sv},
      {"（T.T）"sv, "\xA3\xA8T.T\xA3\xA9"sv},
      {"\xC2\xB7"sv, "\xA1\xA4"sv},  // a two-byte UTF-8 character
      {"\xE2\x82\xAC"sv, "\x80"sv},  // the euro sign is the single byte 0x80
      // A sequence cut short is one replacement; what follows is kept.
      {"A\xE4z"sv, "A?z"sv},
      {"\xE4\xB8x\xE4\xB8\xAD"sv, "?x\xD6\xD0"sv},
      {"A\xE4\xB8"sv, "A?"sv},
      // Characters GBK lacks are one replacement each, whatever their length.
      {"x\xF0\x9F\x98\x80y"sv, "x?y"sv},
      {"\xE0\xB8\x81\xC3\xA5"sv, "??"sv},
      // Bytes that never start a sequence: one replacement per byte.
      {"\xFF\xFEx"sv, "??x"sv},
      {"\x80\xBF"sv, "??"sv},
      {"\xC0\x80"sv, "??"sv},       // overlong
      {"\xED\xA0\x80"sv, "???"sv},  // surrogate
      {""sv, ""sv},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "input \"" << std::string(c.in) << "\"");
    EXPECT_EQ(Utf8ToGbkString(c.in), std::string(c.expected));
    std::string inPlace(c.in);
    Utf8ToGbk(inPlace);
    EXPECT_EQ(inPlace, std::string(c.expected));
  }
}

TEST(CodePage, Utf8ToGbkInPlaceStopsAtZeroByte) {
  std::string text("\xE4\xB8\xADz\0\xE4\xB8\xADy"sv);
  Utf8ToGbk(text);
  EXPECT_EQ(text, "\xD6\xD0z");
}

TEST(CodePage, GbkToUtf8) {
  const Case cases[] = {
      {"\xD6\xD0\xCE\xC4"sv, "中文"sv},
      {"AT\r\n"sv, "AT\r\n"sv},
      {"A\0B"sv, "A\0B"sv},
      {"\x80"sv, "€"sv},
      {"A\xFFz"sv, "A\uFFFDz"sv},
      {"\x81!"sv, "\uFFFD!"sv},      // a lead byte without a trail byte
      {"\xA1\xA0z"sv, "\uFFFDz"sv},  // an unassigned pair is one character
      {"AB\xD6"sv, "AB\uFFFD"sv},    // cut at the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "input \"" << std::string(c.in) << "\"");
    EXPECT_EQ(GbkToUtf8(c.in), std::string(c.expected));
  }
}

TEST(CodePage, ChineseTextRoundTrips) {
  const std::string text =
      "Sorry! 你要的这个传输速度我做不到（T.T）■ 关闭串口 对不起！长度超范围。€·";
  const std::string gbk = Utf8ToGbkString(text);
  EXPECT_EQ(gbk.find('?'), std::string::npos);
  EXPECT_LT(gbk.size(), text.size());
  EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(CodePage, LongInputsOfReplacementsAreConvertedWhole) {
  // Every byte turns into a three-byte replacement: the output outgrows any
  // first guess at its size.
  const std::string invalidGbk(10000, '\xFF');
  std::string expected;
  for (int i = 0; i < 10000; ++i) expected += "\uFFFD";
  EXPECT_EQ(GbkToUtf8(invalidGbk), expected);

  const std::string invalidUtf8(10000, '\xFF');
  EXPECT_EQ(Utf8ToGbkString(invalidUtf8), std::string(10000, '?'));
}

TEST(CodePage, ConcurrentConversionsAgree) {
  std::string utf8;
  for (int i = 0; i < 2000; ++i) utf8 += "串口 AT+NAME\r\n\xF0\x9F\x98\x80\xE4";
  const std::string gbk = Utf8ToGbkString(utf8);
  const std::string back = GbkToUtf8(gbk);

  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < mismatches.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        if (Utf8ToGbkString(utf8) != gbk || GbkToUtf8(gbk) != back) ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace zephyn
