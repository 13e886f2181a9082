#include "storage/capture_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <memory>
#include <string_view>

namespace zephyn {

namespace {

constexpr std::string_view kSuffix = "RX data.bin";
constexpr std::size_t kStampDigits = 14;

int LockRetrying(int fd, int operation) {
  int result;
  do {
    result = ::flock(fd, operation);
  } while (result != 0 && errno == EINTR);
  return result;
}

bool SameFile(int fd, const std::string& path) {
  struct stat open, named;
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Digits from `at` on, at least one; the index after them.
std::size_t SkipDigits(const std::string& text, std::size_t at) {
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
  return at;
}

}  // namespace

std::string CaptureName(const std::string& stamp, long pid, int attempt) {
  std::string name = stamp;
  if (attempt > 0) name += "-" + std::to_string(pid);
  if (attempt > 1) name += "-" + std::to_string(attempt);
  return name + std::string(kSuffix);
}

bool IsCaptureName(const std::string& name) {
  if (name.size() <= kSuffix.size() ||
      name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
    return false;
  const std::string head = name.substr(0, name.size() - kSuffix.size());
  if (SkipDigits(head, 0) != kStampDigits) return false;
  std::size_t at = kStampDigits;
  for (int part = 0; part < 2 && at < head.size(); ++part) {
    if (head[at] != '-') return false;
    const std::size_t end = SkipDigits(head, at + 1);
    if (end == at + 1) return false;
    at = end;
  }
  return at == head.size();
}

int CreateLockedCapture(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  // Between the creation and the lock another run's start-up may take the
  // new file for a stale one: it locks it, deletes it and lets go. Waiting
  // for the lock and then finding the name no longer ours tells that case.
  if (LockRetrying(fd, LOCK_EX) != 0 || !SameFile(fd, path)) {
    ::close(fd);
    errno = EEXIST;
    return -1;
  }
  return fd;
}

int RemoveStaleCaptures(const std::string& folder) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!IsCaptureName(name)) continue;
    const std::string path = folder + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    // A live run holds its lock to the end; a free lock means its run is
    // gone. The file is deleted while locked, so that a run creating a file
    // of that name meanwhile sees it go (CreateLockedCapture).
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && LockRetrying(fd, LOCK_EX | LOCK_NB) == 0 &&
        SameFile(fd, path) && ::unlink(path.c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  return removed;
}

}  // namespace zephyn
