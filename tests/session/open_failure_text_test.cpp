#include "session/open_failure_text.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace zephyn {
namespace {

TEST(OpenFailureText, TellsEachReasonWithTheDeviceAndTheRate) {
  struct Case {
    PortError error;
    int err;
    Language language;
    const char* text;
  };
  const Case cases[] = {
      {PortError::None, 0, Language::EnUS,
       "Cannot open /dev/%2: the rate \" 9600x \" is not a whole number from 1 to 4000000."},
      {PortError::Busy, 0, Language::EnUS,
       "Cannot open /dev/%2: the device is in use by another program."},
      {PortError::NotSerial, 0, Language::EnUS, "Cannot open /dev/%2: it is not a serial device."},
      {PortError::NotFound, 0, Language::ZhCN, "无法打开 /dev/%2：设备不存在。"},
      {PortError::Unsupported, 0, Language::EnUS,
       "Cannot open /dev/%2: the device does not support the rate of 9600x bit/s."},
      {PortError::Failed, EIO, Language::EnUS, "Cannot open /dev/%2: Input/output error."},
      // A device that cannot be looked at: the system's reason alone.
      {PortError::Permission, EACCES, Language::EnUS, "Cannot open /dev/%2: Permission denied."},
  };
  for (const Case& c : cases) {
    // A path holding a marker stays as it is.
    const OpenFailure failure{"%2", "/dev/%2", " 9600x ", c.error, c.err};
    EXPECT_EQ(OpenFailureText(failure, c.language), c.text) << int(c.error);
  }
}

}  // namespace
}  // namespace zephyn
