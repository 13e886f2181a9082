// What a Save writes, and the writing itself. The record takes a SaveSource
// in one short hold of its lock; the file is then written from it without
// the lock, so receiving goes on while a large capture is saved.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zephyn {

// Received bytes dropped because neither the capture file nor the memory set
// aside for them could take them. Positions count the bytes received since
// the last Clear, from 0.
struct CaptureLoss {
  std::uint64_t bytes = 0;      // dropped in all
  std::uint64_t gaps = 0;       // separate runs of dropped bytes
  std::uint64_t firstFrom = 0;  // the first run: [firstFrom, firstTo)
  std::uint64_t firstTo = 0;
  std::uint64_t lastTo = 0;  // the end of the last run

  // `count` bytes from position `from` on were dropped.
  void Add(std::uint64_t from, std::uint64_t count);
};

// Everything received since the last Clear, in order: the first
// `captureBytes` of the capture file, read through a descriptor of its own
// (a Clear or a later spill does not disturb it), then the blocks kept in
// memory (`blockSize` bytes each), then the receive log's bytes.
class SaveSource {
 public:
  SaveSource() = default;
  SaveSource(SaveSource&& other) noexcept;
  SaveSource& operator=(SaveSource&& other) noexcept;
  SaveSource(const SaveSource&) = delete;
  SaveSource& operator=(const SaveSource&) = delete;
  ~SaveSource();

  std::uint64_t Total() const;

  int captureFd = -1;  // owned; -1: no capture file
  std::uint64_t captureBytes = 0;
  std::string capturePath;
  int captureError = 0;  // errno when the capture could not be opened for the save
  std::vector<std::shared_ptr<const std::uint8_t[]>> blocks;
  std::size_t blockSize = 0;
  std::vector<std::uint8_t> tail;
  CaptureLoss loss;
};

enum class SaveStatus { kSaved, kCancelled, kFailed };

struct SaveResult {
  SaveStatus status = SaveStatus::kFailed;
  int error = 0;     // kFailed: errno
  std::string path;  // kFailed: the file concerned
};

// Asked before each piece is written with the bytes written so far and the
// total; false cancels the save.
using SaveProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// The name of a saved copy in the folder the user chose.
inline constexpr const char* kSavedName = "RX data.bin";

// Writes "<folder>/RX data.bin" from `source`. The bytes go to a new file
// beside it, which replaces an earlier "RX data.bin" only once it is whole: a
// failed or cancelled save removes its partial file and leaves an earlier
// save as it was. Failures of the new file name "RX data.bin".
SaveResult WriteSavedCopy(const SaveSource& source, const std::string& folder,
                          const SaveProgress& keepGoing = {});

}  // namespace zephyn
