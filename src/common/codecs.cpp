#include "common/codecs.h"

#include <array>

namespace zephyn {

namespace {

// The 4-bit value that HexToBytes gives each character: 0-9 for the decimal
// digits, (c - 55) mod 256 for everything else after a-f were upper-cased.
// Only the low four bits of a high-half value survive the final mod 256, but
// the low half adds in whole, so the full byte is kept.
constexpr std::array<std::uint8_t, 256> kDigitValue = [] {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    int upper = (c >= 'a' && c <= 'f') ? c - 'a' + 'A' : c;
    int value = (upper >= '0' && upper <= '9') ? upper - '0' : upper - 55;
    table[c] = static_cast<std::uint8_t>(value & 0xFF);
  }
  return table;
}();

constexpr char kHexDigits[] = "0123456789ABCDEF";

// One byte of the reflected CRC-32, computed bit by bit. The step is written
// without a branch on the low bit so that the eight steps pipeline well.
inline std::uint32_t CrcByte(std::uint32_t c, std::uint8_t b) {
  std::uint32_t x = (c ^ b) & 0xFFu;
  for (int bit = 0; bit < 8; ++bit) {
    x = (x >> 1) ^ (0xEDB88320u & (0u - (x & 1u)));
  }
  return x ^ (c >> 8);
}

}  // namespace

Bytes HexToBytes(std::string_view text) {
  // Pairing digits from the front is the same as inserting a "0" before an
  // odd last digit: the lone last digit becomes the low half of a byte whose
  // high half is 0.
  Bytes out((text.size() + 1) / 2);
  std::size_t written = 0;
  bool haveHigh = false;
  std::uint8_t high = 0;
  for (char ch : text) {
    if (ch == ' ' || ch == '\r' || ch == '\n') continue;
    std::uint8_t value = kDigitValue[static_cast<unsigned char>(ch)];
    if (haveHigh) {
      out[written++] = static_cast<std::uint8_t>((high << 4) + value);
    } else {
      high = value;
    }
    haveHigh = !haveHigh;
  }
  if (haveHigh) out[written++] = high;
  out.resize(written);
  return out;
}

Bytes TextToBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

std::string BytesToHex(const std::uint8_t* bytes, std::size_t count) {
  if (bytes == nullptr || count == 0) return {};
  std::string out(count * 3, ' ');
  char* dst = out.data();
  for (std::size_t i = 0; i < count; ++i, dst += 3) {
    dst[0] = kHexDigits[bytes[i] >> 4];
    dst[1] = kHexDigits[bytes[i] & 0x0F];
  }
  return out;
}

std::string BytesToText(const std::uint8_t* bytes, std::size_t count) {
  if (bytes == nullptr || count == 0) return {};
  std::string out(count, '\0');
  char* dst = out.data();
  std::size_t kept = 0;
  // Every byte is stored and the write position only advances past non-zero
  // ones: no branch per byte, which matters on mostly-text data with stray
  // zero bytes.
  for (std::size_t i = 0; i < count; ++i) {
    dst[kept] = static_cast<char>(bytes[i]);
    kept += bytes[i] != 0;
  }
  out.resize(kept);
  return out;
}

std::string TextToHex(std::string_view text) {
  const Bytes bytes = TextToBytes(text);
  return BytesToHex(bytes.data(), bytes.size());
}

std::uint32_t Crc32Update(std::uint32_t previous, const std::uint8_t* bytes, std::uint32_t count) {
  if (bytes == nullptr) return 0;
  std::uint32_t c = previous ^ 0xFFFFFFFFu;
  while (count >= 8) {
    c = CrcByte(c, bytes[0]);
    c = CrcByte(c, bytes[1]);
    c = CrcByte(c, bytes[2]);
    c = CrcByte(c, bytes[3]);
    c = CrcByte(c, bytes[4]);
    c = CrcByte(c, bytes[5]);
    c = CrcByte(c, bytes[6]);
    c = CrcByte(c, bytes[7]);
    bytes += 8;
    count -= 8;
  }
  while (count > 0) {
    c = CrcByte(c, *bytes++);
    --count;
  }
  return c ^ 0xFFFFFFFFu;
}

}  // namespace zephyn
