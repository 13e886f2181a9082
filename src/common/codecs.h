// Conversions between raw bytes, hexadecimal text and plain 8-bit text, and
// the running CRC-32 shown in the TX and RX counter labels. All functions are
// pure and reentrant: they run on the window thread, the port reader, the
// refresh thread and the timer threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zephyn {

using Bytes = std::vector<std::uint8_t>;

// Hex digits to bytes. Blanks, CR and LF are removed first; an odd digit count
// gets a "0" before the last digit, so "ABC" reads as AB 0C. No character is
// rejected: "0"-"9" count 0-9 and any other character c counts (c - 55) mod 256
// after a-f were upper-cased, so the result always has (n + 1) / 2 bytes.
Bytes HexToBytes(std::string_view text);

// A plain copy of the string's bytes, no terminator.
Bytes TextToBytes(std::string_view text);

// "%02X " for every byte: three characters per byte, ending with a blank.
std::string BytesToHex(const std::uint8_t* bytes, std::size_t count);

// The bytes with every zero byte dropped; nothing else is changed.
std::string BytesToText(const std::uint8_t* bytes, std::size_t count);

// BytesToHex of TextToBytes, over the whole string.
std::string TextToHex(std::string_view text);

// CRC-32 (reflected polynomial 0xEDB88320, register inverted on entry and
// exit), chainable: updating over consecutive pieces gives the CRC of their
// concatenation. A null pointer yields 0; a count of 0 the previous value.
std::uint32_t Crc32Update(std::uint32_t previous, const std::uint8_t* bytes, std::uint32_t count);

}  // namespace zephyn
