// Linux: any positive baud rate through the kernel's termios2 interface
// (BOTHER). Kept apart from <termios.h>, whose definitions clash with the
// kernel's.
#pragma once

#include <cstdint>

#include "serial/serial_config.h"

namespace zephyn {

// Sets input and output rate of `fd` to `rate` bits per second, leaving the
// other settings as they are, and reads the rates back: a driver may take the
// call and still run at another rate. False with errno set on failure (EINVAL
// when the device did not take the rate).
bool SetCustomRate(int fd, std::uint32_t rate);

// Reads the output rate of `fd`; on a pseudo-terminal's master this is the
// rate the slave side was given. False with errno set on failure.
bool ReadRate(int fd, std::uint32_t* rate);

// True when input and output of `fd` run at `rate`, give or take what a
// divider can make (see RateIsClose). False with errno set when the rates
// cannot be read, with errno EINVAL when they differ.
bool RateInEffect(int fd, std::uint32_t rate);

}  // namespace zephyn
