#include "storage/saved_copy.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>

#include "storage/folders.h"

namespace zephyn {

namespace {

constexpr std::size_t kPiece = 1 << 20;

// The new file's name beside the saved one: unique within the process and
// among processes (the process id), hidden from a plain listing.
std::string PartialPath(const std::string& folder) {
  static std::atomic<unsigned> serial{0};
  return folder + "/." + kSavedName + "." + std::to_string(::getpid()) + "." +
         std::to_string(serial++) + ".part";
}

ssize_t PreadRetrying(int fd, std::uint8_t* into, std::size_t count, std::uint64_t at) {
  ssize_t n;
  do {
    n = ::pread(fd, into, count, off_t(at));
  } while (n < 0 && errno == EINTR);
  return n;
}

// Writes the pieces of `source` to `fd` in order; on failure the result
// says which file and why.
SaveResult WritePieces(const SaveSource& source, int fd, const std::string& dest,
                       const SaveProgress& keepGoing) {
  const std::uint64_t total = source.Total();
  std::uint64_t done = 0;
  auto ask = [&] { return !keepGoing || keepGoing(done, total); };
  auto put = [&](const std::uint8_t* bytes, std::size_t count) -> SaveResult {
    if (!ask()) return {SaveStatus::kCancelled, 0, {}};
    if (const int error = WriteAll(fd, bytes, count); error != 0)
      return {SaveStatus::kFailed, error, dest};
    done += count;
    return {SaveStatus::kSaved, 0, {}};
  };

  if (source.captureError != 0)
    return {SaveStatus::kFailed, source.captureError, source.capturePath};
  if (source.captureBytes > 0) {
    const auto piece = std::make_unique<std::uint8_t[]>(kPiece);
    for (std::uint64_t at = 0; at < source.captureBytes;) {
      const std::size_t want =
          std::size_t(std::min<std::uint64_t>(kPiece, source.captureBytes - at));
      const ssize_t n = PreadRetrying(source.captureFd, piece.get(), want, at);
      // The capture never shrinks under a save: fewer bytes than it held is
      // a fault of the file, not its end.
      if (n <= 0) return {SaveStatus::kFailed, n < 0 ? errno : EIO, source.capturePath};
      if (SaveResult r = put(piece.get(), std::size_t(n)); r.status != SaveStatus::kSaved) return r;
      at += std::uint64_t(n);
    }
  }
  for (const auto& block : source.blocks)
    if (SaveResult r = put(block.get(), source.blockSize); r.status != SaveStatus::kSaved) return r;
  for (std::size_t at = 0; at < source.tail.size(); at += kPiece) {
    const std::size_t n = std::min(kPiece, source.tail.size() - at);
    if (SaveResult r = put(source.tail.data() + at, n); r.status != SaveStatus::kSaved) return r;
  }
  if (!ask()) return {SaveStatus::kCancelled, 0, {}};
  return {SaveStatus::kSaved, 0, {}};
}

}  // namespace

void CaptureLoss::Add(std::uint64_t from, std::uint64_t count) {
  if (count == 0) return;
  if (gaps == 0 || from != lastTo) {
    ++gaps;
    if (gaps == 1) firstFrom = from;
  }
  bytes += count;
  lastTo = from + count;
  if (gaps == 1) firstTo = lastTo;
}

SaveSource::SaveSource(SaveSource&& other) noexcept {
  *this = std::move(other);
}

SaveSource& SaveSource::operator=(SaveSource&& other) noexcept {
  if (this != &other) {
    if (captureFd >= 0) ::close(captureFd);
    captureFd = std::exchange(other.captureFd, -1);
    captureBytes = other.captureBytes;
    capturePath = std::move(other.capturePath);
    captureError = other.captureError;
    blocks = std::move(other.blocks);
    blockSize = other.blockSize;
    tail = std::move(other.tail);
    loss = other.loss;
  }
  return *this;
}

SaveSource::~SaveSource() {
  if (captureFd >= 0) ::close(captureFd);
}

std::uint64_t SaveSource::Total() const {
  return captureBytes + std::uint64_t(blocks.size()) * blockSize + tail.size();
}

SaveResult WriteSavedCopy(const SaveSource& source, const std::string& folder,
                          const SaveProgress& keepGoing) {
  const std::string dest = folder + "/" + kSavedName;
  const std::string partial = PartialPath(folder);
  int fd;
  do {
    fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return {SaveStatus::kFailed, errno, dest};

  SaveResult result = WritePieces(source, fd, dest, keepGoing);
  // A close interrupted by a signal has still released the descriptor.
  if (::close(fd) != 0 && errno != EINTR && result.status == SaveStatus::kSaved)
    result = {SaveStatus::kFailed, errno, dest};
  if (result.status == SaveStatus::kSaved && ::rename(partial.c_str(), dest.c_str()) != 0)
    result = {SaveStatus::kFailed, errno, dest};
  if (result.status != SaveStatus::kSaved) ::unlink(partial.c_str());
  return result;
}

}  // namespace zephyn
