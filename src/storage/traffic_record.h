// The record of the traffic that the window shows and keeps: the display
// buffer (what was received and sent, each change of direction marked), the
// receive log (received bytes only, its oldest part spilled to this run's
// capture file), and the counters and CRC-32 of each direction since the last
// Clear. One lock guards all of it, and every call takes it once, so a
// received block or a send is recorded whole and counted exactly once
// whichever threads record at the same time. The byte buffers are fixed and
// trimmed in place; beside them each keeps the marks of its newest blocks
// (when they came, where direction markers and reopen lines stand) for the
// pane, a queue that grows with the blocks of the pane's reach only. When
// the capture file cannot be written, the receive log's oldest bytes wait in
// memory in blocks of kTrimSize, up to a budget; only past it are the oldest
// dropped, and every dropped byte is accounted for (Loss), so a Save can say
// what it lacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/pane_stamps.h"
#include "common/time_stamp.h"
#include "storage/save_file.h"

namespace zephyn {

// The counters of one direction since the last Clear.
struct TrafficCounters {
  std::uint64_t bytes = 0;
  std::uint64_t count = 0;  // blocks received, or sends made
  std::uint32_t crc = 0;    // CRC-32 of every byte of the direction
};

// A counter label's text: "bytes/count CRC:XXXXXXXX", the counts unsigned.
std::string CounterText(const TrafficCounters& counters);

// A spill of the receive log to the capture file that failed: the file and
// the system's reason (errno).
struct SpillFailure {
  std::string path;
  int error = 0;
};

class TrafficRecord {
 public:
  // Capacity of each buffer; past kTrimSize the oldest kTrimSize bytes go.
  static constexpr std::int32_t kBufSize = 2'000'000;

  // The capture file lives as CSaveFile(dataFolder, timeStamp) places it.
  // The memory budget for bytes the capture file cannot take starts at
  // DefaultMemoryBudget().
  TrafficRecord(std::string dataFolder, std::string timeStamp);
  TrafficRecord(const TrafficRecord&) = delete;
  TrafficRecord& operator=(const TrafficRecord&) = delete;

  // A quarter of the physical memory.
  static std::uint64_t DefaultMemoryBudget();

  struct Received {
    TrafficCounters rx;                        // after this block
    std::optional<SpillFailure> spillFailure;  // set once per run of failures
    // Bytes dropped by this block for want of memory; set once per run of
    // drops (the first drop after a Clear or a successful spill).
    std::uint64_t dropped = 0;
  };

  // The port's reader thread, for every block. Spills the receive log's
  // oldest kTrimSize bytes to the capture file when it holds more than
  // kTrimSize. When the file cannot take them they wait in memory behind
  // the ones already waiting; the file is tried again with every new
  // waiting block, and once it takes one, the waiting blocks follow one per
  // received block. The failure is returned the first time only, and again
  // only after a spill has succeeded. Waiting blocks past the memory budget
  // are dropped, oldest first. Then it trims the display buffer the same
  // way, marks a change of direction with "<<" (CR LF first when anything
  // came before), appends the block to both buffers and, when `counted`,
  // adds it to the RX counters and CRC. Blocks of the baud probe are shown
  // but not counted.
  // `readAt` is when the block was read: the time its stamps show.
  Received RecordReceived(const std::uint8_t* bytes, std::uint32_t count, bool counted,
                          WallClock::time_point readAt = WallClock::now());

  // Any thread, after the port took `count` bytes: one send more, its bytes
  // and CRC, and its echo in the display buffer after a ">>" marker on a
  // change of direction (an echo larger than the buffer keeps its newest
  // bytes). Returns the TX counters after it.
  TrafficCounters RecordSent(const std::uint8_t* bytes, std::int32_t count);

  // Any thread: counts a send that is not shown (a file transfer's chunks,
  // and the end of a transfer as a send of 0 bytes): one send more, its
  // bytes and CRC, and nothing in the display buffer. Returns the TX
  // counters after it.
  TrafficCounters CountSent(const std::uint8_t* bytes, std::int32_t count);

  // Where a copy of a buffer's newest bytes sits in all that was appended to
  // that buffer since the last Clear: `out` holds positions [start, end).
  // `generation` changes at every Clear, so a reader that kept positions
  // from before can tell that they no longer hold.
  struct TailPosition {
    std::uint64_t generation = 0;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
  };

  // The newest `max` bytes (fewer when there are fewer) of the display
  // buffer (`echo`) or of the receive log, copied into `out`.
  TailPosition Tail(bool echo, std::size_t max, std::vector<std::uint8_t>& out) const;

  // The marks beside the display buffer (`echo`) or the receive log that
  // bear on their positions [from, to): where blocks and direction markers
  // start and when they came, and reopen lines. Display only.
  std::vector<StreamMarks::Mark> Marks(bool echo, std::uint64_t from, std::uint64_t to) const;
  // A line the pane shows where both buffers stand now.
  void MarkGap(const std::string& line);

  TrafficCounters Tx() const;
  TrafficCounters Rx() const;

  // Empties both buffers, the blocks waiting in memory, the loss, the
  // counters and the direction, and deletes the capture file: a later Save
  // holds only what comes after.
  void Clear();

  // The bytes a Save writes now, in order (the capture file, the waiting
  // blocks, the receive log) and what was dropped from them. One short hold
  // of the lock; the writing (WriteSavedCopy) needs none.
  SaveSource TakeSaveSource();

  // Writes "<folder>/RX data.bin" from TakeSaveSource() on the calling
  // thread. On failure returns false with the file concerned and errno in
  // `failure` (an empty folder: false, errno 0).
  bool SaveTo(const std::string& folder, SpillFailure& failure);

  // Bytes the capture file could not take and that wait in memory, and
  // what was dropped since the last Clear.
  std::uint64_t WaitingBytes() const;
  CaptureLoss Loss() const;
  // The size of this run's capture: the received bytes a Save would write
  // now (in the capture file, waiting in memory and in the receive log).
  std::uint64_t CapturedBytes() const;
  std::uint64_t MemoryBudget() const;
  void SetMemoryBudget(std::uint64_t bytes);

  // Removes this run's capture file (the window's closing order).
  void DeleteCapture();

  // Keeps the captures left by runs that no longer live under their
  // recovered names (start-up); their new paths.
  std::vector<std::string> RecoverStaleCaptures();

  // This run's capture file (created folder included), for tests and tools.
  std::string CapturePath();

 private:
  mutable std::mutex m_bufLock;  // everything below
  std::unique_ptr<std::uint8_t[]> m_rxLog;
  std::int32_t m_rxLogLen = 0;
  std::unique_ptr<std::uint8_t[]> m_displayBuf;
  std::int32_t m_displayLen = 0;
  std::int32_t m_lastDirection = 0;  // kNoDirection, kSent or kReceived
  // Bytes ever appended to each buffer since the last Clear (trims leave
  // them be), and the number of Clears.
  std::uint64_t m_rxLogTotal = 0;
  std::uint64_t m_displayTotal = 0;
  std::uint64_t m_generation = 0;
  TrafficCounters m_tx;
  TrafficCounters m_rx;
  CSaveFile m_saveFile;
  bool m_spillFailureReported = false;
  // Marks for somewhat more than the pane ever shows of each buffer.
  static constexpr std::uint64_t kMarksKept = 120'000;
  StreamMarks m_displayMarks{kMarksKept};
  StreamMarks m_rxLogMarks{kMarksKept};
  // Blocks of kTrimSize bytes the capture file could not take, oldest
  // first; their bytes never change once queued, so a save reads them
  // without the lock. m_logStart: the position of the receive log's first
  // byte among the bytes received since the last Clear.
  std::deque<std::shared_ptr<const std::uint8_t[]>> m_waiting;
  std::uint64_t m_logStart = 0;
  std::uint64_t m_memoryBudget;
  bool m_spillBlocked = false;  // the last spill failed
  bool m_dropReported = false;
  CaptureLoss m_loss;

  // Under the lock: the receive log's oldest kTrimSize bytes to the file or
  // to the waiting blocks; the oldest waiting block to the file; waiting
  // blocks past the budget dropped.
  void SpillOldest(Received& result);
  bool WriteOldestWaiting(Received& result);
  bool Spill(const std::uint8_t* bytes, Received& result);
  void DropPastBudget(std::uint64_t dropped, Received& result);
};

}  // namespace zephyn
