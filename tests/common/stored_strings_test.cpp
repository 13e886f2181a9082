#include "common/stored_strings.h"

#include <gtest/gtest.h>

namespace zephyn {
namespace {

TEST(StoredStrings, RowBytes) {
  const struct {
    const char* text;
    bool hex;
    const char* lineEnd;
    Bytes bytes;
  } cases[] = {
      {"AB", false, "\r\n", {0x41, 0x42, 0x0D, 0x0A}},
      {"AB", false, "\r", {0x41, 0x42, 0x0D}},
      {"AB", false, "\n", {0x41, 0x42, 0x0A}},
      {"AB", false, "", {0x41, 0x42}},
      {"", false, "", {}},
      {"", false, "\r\n", {0x0D, 0x0A}},
      {"  ", false, "", {0x20, 0x20}},  // a text row sends its blanks
      {"41 42", true, "", {0x41, 0x42}},
      {"41 4", true, "", {0x41, 0x04}},  // three digits: two bytes
      // The line end is added as bytes: the odd last digit stays 04 instead
      // of pairing with the CR's digits.
      {"41 4", true, "\r\n", {0x41, 0x04, 0x0D, 0x0A}},
      {"41 4", true, "\n", {0x41, 0x04, 0x0A}},
      {"   ", true, "", {}},
      {"   ", true, "\r\n", {0x0D, 0x0A}},
      {"0d 0a\r\n", true, "", {0x0D, 0x0A}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" hex " << c.hex << " end "
                                    << testing::PrintToString(std::string(c.lineEnd)));
    EXPECT_EQ(StoredStringBytes(c.text, c.hex, c.lineEnd), c.bytes);
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

}  // namespace
}  // namespace zephyn
