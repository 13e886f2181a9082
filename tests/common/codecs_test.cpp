#include "common/codecs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zephyn {
namespace {

using namespace std::string_view_literals;

enum class Op { HexToBytes, BytesToHex, BytesToText, TextToHex };

// Every operation is run as raw bytes in, raw bytes out, so that one table
// holds them all.
std::string Apply(Op op, std::string_view in) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(in.data());
  switch (op) {
    case Op::HexToBytes: {
      const Bytes out = HexToBytes(in);
      return std::string(out.begin(), out.end());
    }
    case Op::BytesToHex:
      return BytesToHex(bytes, in.size());
    case Op::BytesToText:
      return BytesToText(bytes, in.size());
    case Op::TextToHex:
      return TextToHex(in);
  }
  return {};
}

TEST(Codecs, ConversionTable) {
  struct Case {
    Op op;
    std::string_view in;
    std::string_view expected;
  };
  const Case cases[] = {
      {Op::HexToBytes, "41 42 43", "\x41\x42\x43"sv},
      {Op::HexToBytes, "abc", "\xAB\x0C"sv},  // odd count: last digit is a low half
      {Op::HexToBytes, "A", "\x0A"sv},
      {Op::HexToBytes, "12 3", "\x12\x03"sv},  // blanks go before pairing
      {Op::HexToBytes, "4\r\n1", "\x41"sv},
      {Op::HexToBytes, "aBcDeF", "\xAB\xCD\xEF"sv},
      {Op::HexToBytes, "", ""sv},
      {Op::HexToBytes, "  \r\n ", ""sv},
      // Characters that are not hex digits count (c - 55) mod 256.
      {Op::HexToBytes, "G1", "\x01"sv},
      {Op::HexToBytes, "zz", "\x73"sv},
      {Op::HexToBytes, "0x41", "\x41\x41"sv},
      {Op::HexToBytes, "1z", "\x53"sv},     // a low half above 15 adds in whole
      {Op::HexToBytes, "0g", "\x30"sv},     // only a-f are upper-cased
      {Op::HexToBytes, "\t1", "\x21"sv},    // tabs are not removed
      {Op::HexToBytes, "\xFFz", "\xC3"sv},  // high bytes are not sign-extended
      {Op::BytesToHex, "\x00\xFF\x0A"sv, "00 FF 0A "sv},
      {Op::BytesToHex, ""sv, ""sv},
      {Op::BytesToText, "\x41\x00\x42\x00"sv, "AB"sv},
      {Op::BytesToText, "\x00\x00"sv, ""sv},
      {Op::BytesToText, "\r\n\x01\x7F\x80\xFF"sv, "\r\n\x01\x7F\x80\xFF"sv},
      {Op::TextToHex, "AB\r\n"sv, "41 42 0D 0A "sv},
      {Op::TextToHex, ""sv, ""sv},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "op " << static_cast<int>(c.op) << ", input \"" << std::string(c.in) << "\"");
    EXPECT_EQ(Apply(c.op, c.in), std::string(c.expected));
  }
}

TEST(Codecs, TextToHexConvertsLongStringsWhole) {
  const std::string text(70000, 'A');
  const std::string hex = TextToHex(text);
  ASSERT_EQ(hex.size(), 3u * text.size());
  EXPECT_EQ(hex.substr(hex.size() - 6), "41 41 ");
}

std::uint32_t Crc(std::string_view text, std::uint32_t previous = 0) {
  return Crc32Update(previous, reinterpret_cast<const std::uint8_t*>(text.data()),
                     static_cast<std::uint32_t>(text.size()));
}

// A fixed, non-repeating pattern whose CRC prefixes are known answers.
std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> buffer(size);
  for (std::size_t i = 0; i < size; ++i)
    buffer[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 8));
  return buffer;
}

TEST(Crc32, KnownAnswers) {
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc("abc"), 0x352441C2u);
  EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(Crc("56789", Crc("1234")), 0xCBF43926u);

  // Lengths on either side of the 8-byte blocks, and a long buffer.
  const std::vector<std::uint8_t> buffer = Pattern(10000);
  const std::pair<std::uint32_t, std::uint32_t> prefixes[] = {
      {7, 0x5CE1B9B1u},  {8, 0xEE5DEAE5u},  {9, 0x11E03CC6u},     {15, 0x81263D35u},
      {16, 0x2C57D2C6u}, {17, 0x86F0EF76u}, {10000, 0x8F040F5Fu},
  };
  for (const auto& [length, expected] : prefixes) {
    EXPECT_EQ(Crc32Update(0, buffer.data(), length), expected) << "length " << length;
  }
}

TEST(Crc32, AnySplitChainsToTheWholeCrc) {
  const std::vector<std::uint8_t> buffer = Pattern(10000);
  const std::uint32_t whole = Crc32Update(0, buffer.data(), 10000);
  std::mt19937 random(12345);
  // Mostly short pieces (below, at and just past a block of 8), some long.
  std::uniform_int_distribution<std::uint32_t> shortPiece(0, 17);
  std::uniform_int_distribution<std::uint32_t> longPiece(18, 3000);
  std::bernoulli_distribution pickShort(0.8);
  for (int trial = 0; trial < 200; ++trial) {
    std::uint32_t crc = 0;
    std::uint32_t offset = 0;
    std::vector<std::uint32_t> pieces;
    while (offset < buffer.size()) {
      std::uint32_t length = pickShort(random) ? shortPiece(random) : longPiece(random);
      length = std::min<std::uint32_t>(length, buffer.size() - offset);
      crc = Crc32Update(crc, buffer.data() + offset, length);
      pieces.push_back(length);
      offset += length;
    }
    ASSERT_EQ(crc, whole) << "trial " << trial << " with " << pieces.size() << " pieces";
  }
}

TEST(Crc32, LargeBlocksMatchAPlainByteLoop) {
  // Large blocks take a different path through the update; whatever the
  // length, the starting value or the leftover bytes, it must give what one
  // byte after another gives.
  auto byteLoop = [](std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
    crc ^= 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) {
      crc ^= bytes[i];
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
  };
  const std::vector<std::uint8_t> buffer = Pattern(70000);
  for (std::uint32_t length :
       {511u, 512u, 513u, 921u, 1023u, 1024u, 1025u, 1026u, 1027u, 4099u, 8192u, 65537u}) {
    for (std::uint32_t previous : {0u, 0xCBF43926u}) {
      EXPECT_EQ(Crc32Update(previous, buffer.data() + 3, length),
                byteLoop(previous, buffer.data() + 3, length))
          << "length " << length << " previous " << previous;
    }
  }
}

TEST(Crc32, EmptyAndNullInput) {
  const std::uint8_t byte = 0x42;
  EXPECT_EQ(Crc32Update(0xDEADBEEFu, &byte, 0), 0xDEADBEEFu);
  EXPECT_EQ(Crc32Update(0, &byte, 0), 0u);
  // A null pointer resets to 0 rather than passing the previous value on.
  EXPECT_EQ(Crc32Update(0xDEADBEEFu, nullptr, 0), 0u);
  EXPECT_EQ(Crc32Update(0xDEADBEEFu, nullptr, 16), 0u);
}

}  // namespace
}  // namespace zephyn
