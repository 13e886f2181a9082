// The line parameters a port is opened with, and the rate texts and rates
// that every system reads the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zephyn {

// Line parameters in the numbering Open's callers use: parity 0 none, 1 odd,
// 2 even, 3 mark, 4 space; byteSize 5 to 8; stopBits 0 one, 2 two (1, "one
// and a half", has no equivalent here); bit 0 of flow turns on CTS output
// flow control. Callers pass parity 0, byteSize 8, stopBits 0.
struct LineParams {
  std::uint32_t baudRate = 0;
  std::uint8_t parity = 0;
  std::uint8_t byteSize = 8;
  std::uint8_t stopBits = 0;
  int flow = 0;
};

// The highest rate a port is opened at.
inline constexpr std::uint32_t kMaxBaudRate = 4'000'000;

// The rate that a rate text stands for: a whole number from 1 to
// kMaxBaudRate, digits only, blanks around it allowed. Empty for anything
// else ("", "Auto", "-5", "0", "9600 bit/s", "99999999999").
std::optional<std::uint32_t> ParseBaudRate(std::string_view text);

// True when a device reporting `actual` runs at `wanted`: drivers report the
// rate their clock divider makes, which may miss the one asked for by a
// fraction of a percent. 2% or more apart, the line is unreliable, and the
// driver has most likely fallen back to some other rate.
bool RateIsClose(std::uint32_t actual, std::uint32_t wanted);

}  // namespace zephyn
