#include "storage/user_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zephyn {

int OpenUserFile(const std::string& path, int flags, int& error, mode_t mode) {
  // Refused before the open: opening a device is not harmless.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    error = kNotRegularFile;
    return -1;
  }
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  // The path may have been replaced between the two looks: what was opened
  // is what counts.
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    error = S_ISREG(opened.st_mode) ? errno : kNotRegularFile;
    ::close(fd);
    return -1;
  }
  // A regular file is read and written as usual from here on.
  const int status = ::fcntl(fd, F_GETFL);
  if (status != -1) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  return fd;
}

std::string FileErrorReason(int error, Language language) {
  const bool zh = language == Language::ZhCN;
  switch (error) {
    case kNotRegularFile:
      return zh ? "这不是普通文件（而是文件夹、设备或命名管道）"
                : "not a regular file (a folder, a device or a named pipe)";
    case kReadOnlyFile:
      return zh ? "文件是只读的" : "the file is read-only";
    default:
      return std::strerror(error);
  }
}

}  // namespace zephyn
