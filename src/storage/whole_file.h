// Reading a file whole into memory, as a file transfer holds it: the
// transfer never touches the disk while it sends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zephyn {

// The largest file read: just under 2 GiB, so that every count of its bytes
// fits the signed 32-bit counters that show them.
inline constexpr std::uint64_t kMaxWholeFileSize = (std::uint64_t(1) << 31) - 1;

struct WholeFile {
  enum class Status {
    Ok,
    Empty,       // nothing to read
    OpenFailed,  // `error` says why (kNotRegularFile: not a regular file)
    ReadFailed,  // `error` says why
    TooLarge,    // larger than the limit; nothing was read
    NoMemory,    // no room for it; nothing was read
  };
  Status status = Status::Ok;
  int error = 0;           // errno of OpenFailed and ReadFailed
  std::uint64_t size = 0;  // bytes in `data`; for TooLarge and NoMemory, the file's size
  std::unique_ptr<std::uint8_t[]> data;
};

// Reads the file at `path` (a file-system path) whole. A file that shrinks
// while it is read gives the bytes that were there; one that grows gives the
// size it had when it was opened. Only a regular file is read (see
// OpenUserFile), so a named pipe or a device never blocks the caller.
WholeFile ReadWholeFile(const std::string& path, std::uint64_t limit = kMaxWholeFileSize);

}  // namespace zephyn
