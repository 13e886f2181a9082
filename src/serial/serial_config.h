// Turns the port parameters of Open into the terminal settings to apply, and
// a system error into the reason an Open failed. Pure functions, so the flags
// a pseudo-terminal cannot show (flow control, parity) can be checked.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "serial/com_port.h"

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

struct SerialSettings {
  termios tio{};
  // The rate has no B constant: `tio` carries a placeholder rate and the
  // real one is applied with SetCustomRate after `tio`.
  bool customRate = false;
  std::uint32_t rate = 0;
};

// The highest rate a port is opened at.
inline constexpr std::uint32_t kMaxBaudRate = 4'000'000;

// The rate that a rate text stands for: a whole number from 1 to
// kMaxBaudRate, digits only, blanks around it allowed. Empty for anything
// else ("", "Auto", "-5", "0", "9600 bit/s", "99999999999").
std::optional<std::uint32_t> ParseBaudRate(std::string_view text);

// The settings for raw binary transfer with `params`, starting from the
// device's `current` settings. Empty when the parameters cannot be set
// (rate 0 or above kMaxBaudRate, an unknown parity, byte size or stop-bit
// count).
std::optional<SerialSettings> BuildSerialSettings(const termios& current, const LineParams& params);

// The B constant for `rate`, or B0 when there is none.
speed_t StandardSpeed(std::uint32_t rate);

// The step of Open that failed, for reading its errno.
enum class OpenStep {
  Open,       // opening the device file
  Lock,       // taking the exclusive lock
  Configure,  // reading or applying the settings
};

PortError PortErrorFromErrno(OpenStep step, int err);

}  // namespace zephyn
