// Drops or restores rights of the calling thread that root has and a normal
// user has not, so that a test run as root meets a failure as a user would.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zephyn {

// Turns the capabilities of `mask` on or off in the calling thread's
// effective set; true when the change was made.
inline bool SetEffectiveCapabilities(unsigned mask, bool on) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  if (on) {
    data[0].effective |= mask & data[0].permitted;
  } else {
    data[0].effective &= ~mask;
  }
  return syscall(SYS_capset, &header, data) == 0;
}

inline bool SetFileOverride(bool on) {
  return SetEffectiveCapabilities((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH), on);
}

// The same for the right to open a terminal that another program holds in
// exclusive mode, which root has and a normal user has not.
inline bool SetExclusiveOverride(bool on) {
  return SetEffectiveCapabilities(1u << CAP_SYS_ADMIN, on);
}

}  // namespace zephyn
