// Linux: turns the line parameters of Open into the terminal settings to
// apply, and a system error into the reason an Open failed. Pure functions,
// so the flags a pseudo-terminal cannot show (flow control, parity) can be
// checked.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "serial/serial_config.h"
#include "serial/serial_device.h"

namespace zephyn {

struct SerialSettings {
  termios tio{};
  // The rate has no B constant: `tio` carries a placeholder rate and the
  // real one is applied with SetCustomRate after `tio`.
  bool customRate = false;
  std::uint32_t rate = 0;
};

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
