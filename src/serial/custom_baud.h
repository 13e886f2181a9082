// Any positive baud rate through the kernel's termios2 interface (BOTHER).
// Kept apart from <termios.h>, whose definitions clash with the kernel's.
#pragma once

#include <cstdint>

namespace zephyn {

// Sets input and output rate of `fd` to `rate` bits per second, leaving the
// other settings as they are. False with errno set on failure.
bool SetCustomRate(int fd, std::uint32_t rate);

// Reads the output rate of `fd`; on a pseudo-terminal's master this is the
// rate the slave side was given. False with errno set on failure.
bool ReadRate(int fd, std::uint32_t* rate);

}  // namespace zephyn
