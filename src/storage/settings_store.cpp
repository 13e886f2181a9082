#include "storage/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "storage/folders.h"
#include "storage/save_file.h"
#include "storage/whole_file.h"

namespace zephyn {

std::string SettingsFilePath(const std::string& exeDir, const std::string& home,
                             const std::string& xdgConfigHome) {
  const std::string beside = exeDir + "/" + kSettingsFileName;
  struct stat st;
  if (!exeDir.empty() && (::stat(beside.c_str(), &st) == 0 || KeepsProgramData(exeDir)))
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
  const WholeFile file = ReadWholeFile(path);
  switch (file.status) {
    case WholeFile::Status::Ok:
      return std::string(reinterpret_cast<const char*>(file.data.get()), file.size);
    case WholeFile::Status::Empty:
      return std::string();
    default:
      return std::nullopt;
  }
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
  int error = WriteAll(fd, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
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
