#include "storage/save_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "storage/folders.h"

namespace zephyn {

namespace {

constexpr const char* kCaptureSuffix = "RX data.bin";
constexpr const char* kSavedName = "RX data.bin";

// Owns one descriptor; Close() reports the error a plain close() would, and
// the destructor closes whatever is still open on early returns.
class Fd {
 public:
  explicit Fd(int fd) : m_fd(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  int get() const { return m_fd; }
  bool valid() const { return m_fd >= 0; }
  // 0, or the errno of a failed close. A close interrupted by a signal has
  // still released the descriptor on Linux, so EINTR is no failure.
  int Close() {
    const int fd = std::exchange(m_fd, -1);
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) return errno;
    return 0;
  }

 private:
  int m_fd;
};

Fd OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return Fd(fd);
}

}  // namespace

std::string GetExeDir() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  const std::string path(buffer.data(), static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash);
}

std::string DataFolderBase(const std::string& exeDir, const std::string& home) {
  if (KeepsProgramData(exeDir)) {
    return exeDir;
  }
  if (home.empty()) return exeDir;
  std::string base = home + "/.local/share/zephyn";
  MakeFolders(base);
  return base;
}

std::string DataFolderBase() {
  return DataFolderBase(GetExeDir(), HomeFolder());
}

CSaveFile::CSaveFile(std::string exeDir, std::string timeStamp)
    : m_exeDir(std::move(exeDir)), m_timeStamp(std::move(timeStamp)) {}

std::string CSaveFile::MakeTimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return FormatTimeStamp(local);
}

std::string CSaveFile::FormatTimeStamp(const std::tm& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", time.tm_year + 1900, time.tm_mon + 1,
                time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
  return text;
}

std::string CSaveFile::CapturePath() {
  const std::string dataDir = m_exeDir + "/data";
  const std::string name = m_timeStamp + kCaptureSuffix;
  if (IsDirectory(dataDir)) return dataDir + "/" + name;
  // Another process of the program may create it between the test and the
  // mkdir; the folder is then just as usable.
  if (::mkdir(dataDir.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(dataDir))) {
    return dataDir + "/" + name;
  }
  return m_exeDir + "/" + name;
}

bool CSaveFile::AppendCapture(const std::uint8_t* bytes, std::size_t count) {
  const std::string path = CapturePath();
  Fd fd = OpenRetrying(path, O_WRONLY | O_CREAT | O_APPEND, 0666);
  if (!fd.valid()) return Fail(errno, path);

  struct stat before;
  if (::fstat(fd.get(), &before) != 0) return Fail(errno, path);

  if (const int error = WriteAll(fd.get(), bytes, count); error != 0) {
    // The caller keeps the block and spills it again later; a partial copy
    // left here would then appear twice in the saved file.
    if (::ftruncate(fd.get(), before.st_size) != 0) {
      // Nothing more can be done; the write error is the one to report.
    }
    return Fail(error, path);
  }
  if (const int error = fd.Close(); error != 0) return Fail(error, path);
  return Succeed();
}

bool CSaveFile::DeleteCapture() {
  ::unlink(CapturePath().c_str());
  return true;
}

bool CSaveFile::SaveCaptureTo(const std::uint8_t* pending, std::size_t count,
                              const std::string& folder) {
  if (folder.empty()) {
    // The user cancelled the folder choice: nothing to save, nothing to report.
    Succeed();
    return false;
  }

  const std::string capture = CapturePath();
  const std::string dest = folder + "/" + kSavedName;

  // No capture file yet is the normal case: everything received is pending.
  Fd source = OpenRetrying(capture, O_RDONLY);
  if (!source.valid() && errno != ENOENT) return Fail(errno, capture);

  Fd out = OpenRetrying(dest, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (!out.valid()) return Fail(errno, dest);

  if (source.valid()) {
    constexpr std::size_t kChunk = 1 << 20;
    const auto chunk = std::make_unique<std::uint8_t[]>(kChunk);
    for (;;) {
      const ssize_t n = ::read(source.get(), chunk.get(), kChunk);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Fail(errno, capture);
      }
      if (n == 0) break;
      if (const int error = WriteAll(out.get(), chunk.get(), static_cast<std::size_t>(n));
          error != 0) {
        return Fail(error, dest);
      }
    }
  }
  if (const int error = WriteAll(out.get(), pending, count); error != 0) return Fail(error, dest);
  if (const int error = out.Close(); error != 0) return Fail(error, dest);
  return Succeed();
}

bool CSaveFile::Fail(int error, const std::string& path) {
  m_lastErrno = error;
  m_lastErrorPath = path;
  return false;
}

bool CSaveFile::Succeed() {
  m_lastErrno = 0;
  m_lastErrorPath.clear();
  return true;
}

}  // namespace zephyn
