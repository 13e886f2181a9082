// Any positive baud rate through the kernel's termios2 interface (BOTHER).
// Kept apart from <termios.h>, whose definitions clash with the kernel's.
#pragma once

#include <cstdint>

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

// True when a device reporting `actual` runs at `wanted`: drivers report the
// rate their clock divider makes, which may miss the one asked for by a
// fraction of a percent. 2% or more apart, the line is unreliable, and the
// driver has most likely fallen back to some other rate.
bool RateIsClose(std::uint32_t actual, std::uint32_t wanted);

}  // namespace zephyn
