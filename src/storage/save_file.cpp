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

#include "storage/capture_files.h"
#include "storage/folders.h"

namespace zephyn {

namespace {

// Past this many names taken in one second the capture gives up.
constexpr int kNameAttempts = 100;

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

CSaveFile::~CSaveFile() {
  if (m_captureFd >= 0) ::close(m_captureFd);
}

std::string CSaveFile::CaptureFolder() {
  const std::string dataDir = m_exeDir + "/data";
  if (IsDirectory(dataDir)) return dataDir;
  // Another process of the program may create it between the test and the
  // mkdir; the folder is then just as usable.
  if (::mkdir(dataDir.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(dataDir))) {
    return dataDir;
  }
  return m_exeDir;
}

std::string CSaveFile::CapturePath() {
  const std::string name =
      m_captureName.empty() ? CaptureName(m_timeStamp, ::getpid(), 0) : m_captureName;
  return CaptureFolder() + "/" + name;
}

bool CSaveFile::OpenCapture() {
  const std::string folder = CaptureFolder();
  // The name of an earlier creation first (after a Clear), then the names
  // of the run's start time in turn.
  std::string tried;
  if (!m_captureName.empty()) {
    tried = folder + "/" + m_captureName;
    m_captureFd = CreateLockedCapture(tried);
    if (m_captureFd >= 0) return true;
    if (errno != EEXIST) return Fail(errno, tried);
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = CaptureName(m_timeStamp, ::getpid(), attempt);
    tried = folder + "/" + name;
    m_captureFd = CreateLockedCapture(tried);
    if (m_captureFd >= 0) {
      m_captureName = name;
      return true;
    }
    if (errno != EEXIST) return Fail(errno, tried);
  }
  return Fail(EEXIST, tried);
}

bool CSaveFile::AppendCapture(const std::uint8_t* bytes, std::size_t count) {
  if (m_captureFd < 0 && !OpenCapture()) return false;
  const std::string path = CapturePath();
  if (::lseek(m_captureFd, off_t(m_captureBytes), SEEK_SET) < 0) return Fail(errno, path);
  if (const int error = WriteAll(m_captureFd, bytes, count); error != 0) {
    // The caller keeps the block and spills it again later; a partial copy
    // left here would then appear twice in the saved file.
    if (::ftruncate(m_captureFd, off_t(m_captureBytes)) != 0) {
      // Nothing more can be done; the write error is the one to report.
    }
    return Fail(error, path);
  }
  m_captureBytes += count;
  return Succeed();
}

void CSaveFile::TakeCapture(SaveSource& source) {
  source.capturePath = CapturePath();
  source.captureBytes = m_captureFd >= 0 ? m_captureBytes : 0;
  if (source.captureBytes == 0) return;
  source.captureFd = ::fcntl(m_captureFd, F_DUPFD_CLOEXEC, 0);
  if (source.captureFd < 0) source.captureError = errno;
}

bool CSaveFile::DeleteCapture() {
  if (m_captureFd < 0) return true;
  // Only the file this run created: should it have been replaced meanwhile,
  // the new one belongs to someone else.
  const std::string path = CapturePath();
  struct stat open, named;
  if (::fstat(m_captureFd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
      open.st_dev == named.st_dev && open.st_ino == named.st_ino)
    ::unlink(path.c_str());
  ::close(m_captureFd);
  m_captureFd = -1;
  m_captureBytes = 0;
  return true;
}

std::vector<std::string> CSaveFile::RecoverStaleCaptures() {
  const std::string folder = CaptureFolder();
  std::vector<std::string> recovered = zephyn::RecoverStaleCaptures(folder);
  if (folder != m_exeDir) {
    const std::vector<std::string> more = zephyn::RecoverStaleCaptures(m_exeDir);
    recovered.insert(recovered.end(), more.begin(), more.end());
  }
  return recovered;
}

bool CSaveFile::SaveCaptureTo(const std::uint8_t* pending, std::size_t count,
                              const std::string& folder) {
  if (folder.empty()) {
    // The user cancelled the folder choice: nothing to save, nothing to report.
    Succeed();
    return false;
  }
  SaveSource source;
  TakeCapture(source);
  if (count > 0) source.tail.assign(pending, pending + count);
  const SaveResult result = WriteSavedCopy(source, folder);
  if (result.status == SaveStatus::kSaved) return Succeed();
  return Fail(result.error, result.path);
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
