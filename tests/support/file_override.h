// Drops or restores the calling thread's right to open and write files that
// are not its own, so that a test run as root meets a permission failure as
// a user would. True when the change was made.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zephyn {

inline bool SetFileOverride(bool on) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
  if (on) {
    data[0].effective |= mask & data[0].permitted;
  } else {
    data[0].effective &= ~mask;
  }
  return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace zephyn
