// Windows: how a system error code of the serial calls reads in the
// vocabulary every system shares, kept apart so it can be checked without a
// device.
#pragma once

#include "serial/serial_device.h"

namespace zephyn {

// What a failed call means: the kind an Open reports, and the errno that
// stands for it (LastErrno, and the refusals of the modem-line calls).
struct SystemFailure {
  PortError kind;
  int err;
};

// `code` is a GetLastError value: not found (ENOENT, or ENODEV for a device
// that went away), in use by another program (EBUSY), a setting the driver
// refused (EINVAL), no serial device (ENOTTY), anything else Failed (EIO).
SystemFailure ClassifySystemError(unsigned long code);

}  // namespace zephyn
