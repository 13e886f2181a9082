// The advice for a device whose open was refused: a group to join only when
// that group may read and write the device and is not root's.
#include "serial/device_access.h"

#include <gtest/gtest.h>

namespace zephyn {
namespace {

TEST(DeviceAccess, AdviceByGroupAndMode) {
  constexpr unsigned kRoot = 0, kTty = 5, kDialout = 20;
  const struct {
    unsigned gid;
    unsigned mode;
    PermissionCure cure;
  } cases[] = {
      {kDialout, 0660, PermissionCure::kJoinGroup},  // a USB adapter on Debian
      {kDialout, 0670, PermissionCure::kJoinGroup},
      {kDialout, 020660, PermissionCure::kJoinGroup},  // with the file type bits
      {kRoot, 0600, PermissionCure::kOwnerOnly},       // root:root 0600
      {kRoot, 0660, PermissionCure::kOwnerOnly},       // root's group is no cure
      {kDialout, 0600, PermissionCure::kOwnerOnly},
      {kDialout, 0640, PermissionCure::kOwnerOnly},  // the group may only read
      {kTty, 0620, PermissionCure::kOwnerOnly},      // a terminal: the group may only write
      {kDialout, 0604, PermissionCure::kOwnerOnly},
      {kDialout, 0666, PermissionCure::kUnknown},  // the mode refuses nobody
      {kRoot, 0666, PermissionCure::kUnknown},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CureFor(c.gid, c.mode), c.cure)
        << "group " << c.gid << ", mode " << std::oct << c.mode;
}

TEST(DeviceAccess, ReadsTheDevice) {
  const auto null = ReadDeviceAccess("/dev/null");  // root:root 0666
  ASSERT_TRUE(null.has_value());
  EXPECT_EQ(null->cure, PermissionCure::kUnknown);
  EXPECT_EQ(null->owner, "root");
  EXPECT_EQ(null->group, "root");
  EXPECT_EQ(null->kernelName, "null");
  EXPECT_FALSE(ReadDeviceAccess("/dev/zephyn-no-such-port").has_value());
}

}  // namespace
}  // namespace zephyn
