// Kept free of <termios.h>: the kernel's termios2 and the C library's termios
// define the same names differently.
#include "serial/custom_baud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace zephyn {

bool SetCustomRate(int fd, std::uint32_t rate) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~CBAUD;
  tio.c_cflag |= BOTHER;
  tio.c_ospeed = rate;
  // Input at the output rate, as with the standard rates.
  tio.c_cflag &= ~(CBAUD << IBSHIFT);
  tio.c_cflag |= BOTHER << IBSHIFT;
  tio.c_ispeed = rate;
  return ioctl(fd, TCSETS2, &tio) == 0 && RateInEffect(fd, rate);
}

bool ReadRate(int fd, std::uint32_t* rate) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  *rate = tio.c_ospeed;
  return true;
}

bool RateInEffect(int fd, std::uint32_t rate) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  // An input rate of 0 means "as the output".
  const std::uint32_t input = tio.c_ispeed != 0 ? tio.c_ispeed : tio.c_ospeed;
  if (RateIsClose(tio.c_ospeed, rate) && RateIsClose(input, rate)) return true;
  errno = EINVAL;
  return false;
}

}  // namespace zephyn
