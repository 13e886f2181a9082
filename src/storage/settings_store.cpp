#include "storage/settings_store.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "storage/folders.h"
#include "storage/save_file.h"
#include "storage/user_file.h"
#include "storage/whole_file.h"

namespace zephyn {
namespace {

// Follows the links that `path` names, one after another, to the file they
// finally point at (which may not exist yet). False with errno in `error`
// when they loop or cannot be read.
bool FollowLinks(std::string& path, int& error) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0) {
      error = errno;
      return false;
    }
    if (std::size_t(n) >= target.size() || n == 0) {
      error = ENAMETOOLONG;
      return false;
    }
    target.resize(std::size_t(n));
    // A relative target is relative to the link's folder.
    const std::size_t slash = path.rfind('/');
    if (target[0] != '/' && slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    path = target;
  }
  error = ELOOP;
  return false;
}

}  // namespace

SettingsFiles FindSettingsFiles(const std::string& exeDir, const std::string& home,
                                const std::string& xdgConfigHome) {
  const std::string beside = exeDir + "/" + kSettingsFileName;
  if (!exeDir.empty() && KeepsProgramData(exeDir)) return {beside, {}};
  std::string config;
  if (!xdgConfigHome.empty() && xdgConfigHome[0] == '/') {
    config = xdgConfigHome + "/zephyn";
  } else if (!home.empty()) {
    config = home + "/.config/zephyn";
  } else {
    return {beside, {}};
  }
  MakeFolders(config);
  // A file beside the program, which this user cannot replace there, is
  // where the settings come from until the user's own file exists.
  struct stat st {};
  const bool besideExists = !exeDir.empty() && ::stat(beside.c_str(), &st) == 0;
  return {config + "/" + kSettingsFileName, besideExists ? beside : std::string()};
}

SettingsFiles FindSettingsFiles() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  return FindSettingsFiles(GetExeDir(), HomeFolder(), xdg != nullptr ? xdg : "");
}

SettingsRead ReadSettingsFile(const std::string& path, const std::string& fallback) {
  SettingsRead read;
  read.path = path;
  WholeFile file = ReadWholeFile(path);
  if (file.status == WholeFile::Status::OpenFailed && file.error == ENOENT && !fallback.empty()) {
    read.path = fallback;
    file = ReadWholeFile(fallback);
  }
  switch (file.status) {
    case WholeFile::Status::Ok:
      read.bytes = std::string(reinterpret_cast<const char*>(file.data.get()), file.size);
      break;
    case WholeFile::Status::Empty:
      read.bytes = std::string();
      break;
    case WholeFile::Status::TooLarge:
      read.error = EFBIG;
      break;
    case WholeFile::Status::NoMemory:
      read.error = ENOMEM;
      break;
    default:
      read.error = file.error;
      break;
  }
  return read;
}

bool WriteSettingsFile(const std::string& path, const std::string& bytes, std::string& failedPath,
                       int& failedErrno) {
  auto fail = [&](const std::string& file, int error) {
    failedPath = file;
    failedErrno = error;
    return false;
  };
  // A link stays a link: its target is the file replaced.
  std::string target = path;
  if (int error = 0; !FollowLinks(target, error)) return fail(path, error);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists) {
    if (!S_ISREG(old.st_mode)) return fail(target, kNotRegularFile);
    // A file without any write permission was made read-only on purpose;
    // root, whom the bits do not stop, leaves it alone too.
    if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return fail(target, kReadOnlyFile);
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return fail(target, errno);
  }

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
  std::string temp = folder + "/.ZephynData.XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return fail(target, errno);
  if (exists) {
    // The replacement is the same file to its owner: the same owner (root
    // writing a user's file) and the same permissions.
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not allowed to a normal user; the file is theirs then anyway.
    }
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    // The file is the user's, as one created by the program would be.
    ::fchmod(fd, 0644);
  }
  int error = WriteAll(fd, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return fail(target, error);
  }
  return true;
}

}  // namespace zephyn
