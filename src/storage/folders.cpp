#include "storage/folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zephyn {

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsWritableFolder(const std::string& path) {
  // Judged with the rights the process acts with (effective IDs), which are
  // the ones that creating a file there meets.
  return !path.empty() && IsDirectory(path) &&
         ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool KeepsProgramData(const std::string& exeDir) {
  const std::string bin = "/bin";
  const bool installed = exeDir.size() >= bin.size() &&
                         exeDir.compare(exeDir.size() - bin.size(), bin.size(), bin) == 0;
  return !installed && IsWritableFolder(exeDir);
}

void MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!part.empty() && !IsDirectory(part)) ::mkdir(part.c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

int WriteAll(int fd, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, bytes, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
  return 0;
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  std::vector<char> buffer(16384);
  struct passwd pw;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return {};
}

}  // namespace zephyn
