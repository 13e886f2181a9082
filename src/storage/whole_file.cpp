#include "storage/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "storage/user_file.h"

namespace zephyn {
namespace {

// Closes the descriptor on every way out.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

WholeFile ReadWholeFile(const std::string& path, std::uint64_t limit) {
  WholeFile file;
  int error = 0;
  const Descriptor in{OpenUserFile(path, O_RDONLY, error)};
  if (in.fd < 0) {
    file.status = WholeFile::Status::OpenFailed;
    file.error = error;
    return file;
  }
  struct stat st {};
  if (::fstat(in.fd, &st) != 0) {
    file.status = WholeFile::Status::ReadFailed;
    file.error = errno;
    return file;
  }
  const std::uint64_t size = st.st_size > 0 ? std::uint64_t(st.st_size) : 0;
  if (size > limit) {
    file.status = WholeFile::Status::TooLarge;
    file.size = size;
    return file;
  }
  if (size == 0) {
    file.status = WholeFile::Status::Empty;
    return file;
  }
  std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[size]);
  if (!data) {
    file.status = WholeFile::Status::NoMemory;
    file.size = size;
    return file;
  }
  // One read may return fewer bytes than asked (a large file, a network
  // file system, a signal): read until the size is reached or the file ends.
  std::uint64_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(in.fd, data.get() + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      file.status = WholeFile::Status::ReadFailed;
      file.error = errno;
      return file;
    }
    if (n == 0) break;
    got += std::uint64_t(n);
  }
  if (got == 0) {
    file.status = WholeFile::Status::Empty;
    return file;
  }
  file.size = got;
  file.data = std::move(data);
  return file;
}

}  // namespace zephyn
