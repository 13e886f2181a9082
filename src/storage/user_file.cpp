#include "storage/user_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/text_ids.h"

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
  switch (error) {
    case kNotRegularFile:
      return LoadTextUtf8(TextId::kNotRegularFile, language);
    case kReadOnlyFile:
      return LoadTextUtf8(TextId::kReadOnlyFile, language);
    default:
      return std::strerror(error);
  }
}

}  // namespace zephyn
