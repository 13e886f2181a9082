#include "serial/device_access.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "serial/com_port.h"

namespace zephyn {

namespace {

std::string UserName(uid_t uid) {
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 1024);
  for (;;) {
    passwd entry{};
    passwd* found = nullptr;
    const int err = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
    if (err == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (err != 0 || found == nullptr) return std::to_string(uid);
    return found->pw_name;
  }
}

}  // namespace

PermissionCure CureFor(unsigned gid, unsigned mode) {
  constexpr unsigned kOthersReadWrite = S_IROTH | S_IWOTH;
  constexpr unsigned kGroupReadWrite = S_IRGRP | S_IWGRP;
  if ((mode & kOthersReadWrite) == kOthersReadWrite) return PermissionCure::kUnknown;
  // Root's group is no group to put a user in: it opens much more than the
  // device.
  if ((mode & kGroupReadWrite) == kGroupReadWrite && gid != 0) return PermissionCure::kJoinGroup;
  return PermissionCure::kOwnerOnly;
}

std::optional<DeviceAccess> ReadDeviceAccess(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  DeviceAccess access;
  access.cure = CureFor(st.st_gid, st.st_mode);
  access.owner = UserName(st.st_uid);
  access.group = DeviceGroup(path);
  if (access.group.empty()) access.group = std::to_string(st.st_gid);
  std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), &::free);
  access.kernelName = real ? real.get() : path;
  if (access.kernelName.rfind("/dev/", 0) == 0) access.kernelName.erase(0, 5);
  return access;
}

}  // namespace zephyn
