// Who may open a device file by its mode, and what a user whose open was
// refused can do about it: join the device's group, or have the system give
// the device a group when only its owner may open it.
#pragma once

#include <optional>
#include <string>

namespace zephyn {

enum class PermissionCure {
  kJoinGroup,  // the device's group may read and write it and is not root's
  kOwnerOnly,  // nobody but its owner (and root's group) may: a udev rule must give it a group
  kUnknown,    // its mode lets everyone read and write: the refusal comes from elsewhere
};

// The advice for a device of group `gid` with permission bits `mode`.
PermissionCure CureFor(unsigned gid, unsigned mode);

struct DeviceAccess {
  PermissionCure cure = PermissionCure::kUnknown;
  std::string owner;       // the owner's user name, or its number when it has none
  std::string group;       // the group's name, or its number
  std::string kernelName;  // the device's name below /dev, links followed ("ttyUSB0")
};

// The advice for the device at `path`; nullopt when it cannot be looked at.
std::optional<DeviceAccess> ReadDeviceAccess(const std::string& path);

}  // namespace zephyn
