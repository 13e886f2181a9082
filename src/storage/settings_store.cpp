#include "storage/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "storage/folders.h"
#include "storage/save_file.h"

namespace zephyn {
namespace {

// Writes all of `bytes`, continuing after partial writes and signals; 0 or
// the errno of the failed write.
int WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

std::string SettingsFilePath(const std::string& exeDir, const std::string& home,
                             const std::string& xdgConfigHome) {
  const std::string beside = exeDir + "/" + kSettingsFileName;
  struct stat st;
  if (!exeDir.empty() && (::stat(beside.c_str(), &st) == 0 || IsWritableFolder(exeDir)))
    return beside;
  std::string config;
  if (!xdgConfigHome.empty() && xdgConfigHome[0] == '/') {
    config = xdgConfigHome + "/zephyn";
  } else if (!home.empty()) {
    config = home + "/.config/zephyn";
  } else {
    return beside;
  }
  MakeFolders(config);
  return config + "/" + kSettingsFileName;
}

std::string SettingsFilePath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  return SettingsFilePath(GetExeDir(), HomeFolder(), xdg != nullptr ? xdg : "");
}

std::optional<std::string> ReadSettingsFile(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::nullopt;
  std::string content;
  std::vector<char> chunk(1 << 16);
  for (;;) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    content.append(chunk.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

bool WriteSettingsFile(const std::string& path, const std::string& bytes, std::string& failedPath,
                       int& failedErrno) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  std::string temp = folder + "/.ZephynData.XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  auto fail = [&](const std::string& file, int error) {
    failedPath = file;
    failedErrno = error;
    return false;
  };
  if (fd < 0) return fail(path, errno);
  // The file is the user's, as one created by the program would be.
  ::fchmod(fd, 0644);
  int error = WriteAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return fail(path, error);
  }
  return true;
}

}  // namespace zephyn
