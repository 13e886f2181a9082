#include "storage/capture_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>

namespace zephyn {

namespace {

constexpr std::string_view kSuffix = "RX data.bin";
constexpr std::size_t kStampDigits = 14;
constexpr int kRecoveredAttempts = 100;

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

// Renames `from` to `to` unless `to` exists (EEXIST then). File systems
// that cannot refuse to replace in the rename itself are asked first.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat existing;
  if (::lstat(to.c_str(), &existing) == 0) {
    errno = EEXIST;
    return false;
  }
  return errno == ENOENT && ::rename(from.c_str(), to.c_str()) == 0;
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

std::string RecoveredName(const std::string& captureName, int attempt) {
  std::string head = captureName;
  if (head.size() >= kSuffix.size() &&
      head.compare(head.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0)
    head.resize(head.size() - kSuffix.size());
  std::string mark = "recovered";
  if (attempt > 1) mark += " " + std::to_string(attempt);
  return head + "RX data (" + mark + ").bin";
}

std::vector<std::string> RecoverStaleCaptures(const std::string& folder) {
  std::vector<std::string> recovered;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return recovered;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!IsCaptureName(name)) continue;
    const std::string path = folder + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    // A live run holds its lock to the end; a free lock means its run is
    // gone. The file is renamed (or deleted) while locked, so that a run
    // creating a file of that name meanwhile sees it go
    // (CreateLockedCapture), and a second run starting at the same moment
    // finds the name no longer this file once it gets the lock.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && LockRetrying(fd, LOCK_EX | LOCK_NB) == 0 &&
        SameFile(fd, path)) {
      if (st.st_size == 0) {
        ::unlink(path.c_str());
      } else {
        for (int attempt = 1; attempt <= kRecoveredAttempts; ++attempt) {
          const std::string target = folder + "/" + RecoveredName(name, attempt);
          if (RenameNoReplace(path, target)) {
            recovered.push_back(target);
            break;
          }
          if (errno != EEXIST) break;  // left where it is, under its own name
        }
      }
    }
    ::close(fd);
  }
  return recovered;
}

}  // namespace zephyn
