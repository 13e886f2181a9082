#include "storage/traffic_record.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "common/codecs.h"
#include "storage/display_buffer.h"

namespace zephyn {

namespace {

// One more block or send of `count` bytes; a block without bytes leaves the
// CRC alone (Crc32Update would take a null pointer for a reset).
void Count(TrafficCounters& counters, const std::uint8_t* bytes, std::uint32_t count) {
  counters.count += 1;
  counters.bytes += count;
  if (count > 0) counters.crc = Crc32Update(counters.crc, bytes, count);
}

// The display buffer's marks for a block of `count` bytes at `total`, after
// a direction marker of `marker` bytes (0, or CR LF and the two characters,
// or the two alone): the marker's time is the block's.
void AddMarks(StreamMarks& marks, std::uint64_t total, std::uint32_t marker, std::uint32_t count,
              WallClock::time_point when, StreamMarks::Kind kind) {
  if (marker != 0) marks.Add(total + marker - 2, when, StreamMarks::Kind::Marker);
  if (count > 0) marks.Add(total + marker, when, kind);
}

}  // namespace

std::string CounterText(const TrafficCounters& counters) {
  char text[64];
  std::snprintf(text, sizeof text, "%" PRIu64 "/%" PRIu64 " CRC:%08" PRIX32, counters.bytes,
                counters.count, counters.crc);
  return text;
}

std::uint64_t TrafficRecord::DefaultMemoryBudget() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return std::uint64_t(256) << 20;  // unknown: 256 MiB
  return std::uint64_t(pages) * std::uint64_t(pageSize) / 4;
}

TrafficRecord::TrafficRecord(std::string dataFolder, std::string timeStamp)
    : m_rxLog(new std::uint8_t[kBufSize]),
      m_displayBuf(new std::uint8_t[kBufSize]),
      m_saveFile(std::move(dataFolder), std::move(timeStamp)),
      m_memoryBudget(DefaultMemoryBudget()) {}

bool TrafficRecord::Spill(const std::uint8_t* bytes, Received& result) {
  if (m_saveFile.AppendCapture(bytes, std::size_t(kTrimSize))) {
    m_spillBlocked = false;
    m_spillFailureReported = false;
    m_dropReported = false;
    return true;
  }
  m_spillBlocked = true;
  if (!m_spillFailureReported) {
    m_spillFailureReported = true;
    result.spillFailure = SpillFailure{m_saveFile.LastErrorPath(), m_saveFile.LastErrno()};
  }
  return false;
}

bool TrafficRecord::WriteOldestWaiting(Received& result) {
  if (!Spill(m_waiting.front().get(), result)) return false;
  m_waiting.pop_front();
  return true;
}

void TrafficRecord::SpillOldest(Received& result) {
  // Straight from the log when no block waits before these bytes.
  const bool nothingWaiting = m_waiting.empty();
  if (nothingWaiting && Spill(m_rxLog.get(), result)) {
    DropOldest(m_rxLog.get(), m_rxLogLen, kTrimSize);
    m_logStart += std::uint64_t(kTrimSize);
    return;
  }
  // The file cannot take them now: they wait in memory, in order.
  std::uint64_t dropped = 0;
  if (std::shared_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kTrimSize]); block) {
    std::memcpy(block.get(), m_rxLog.get(), std::size_t(kTrimSize));
    m_waiting.push_back(std::move(block));
  } else {
    m_loss.Add(m_logStart, std::uint64_t(kTrimSize));
    dropped = std::uint64_t(kTrimSize);
  }
  DropOldest(m_rxLog.get(), m_rxLogLen, kTrimSize);
  m_logStart += std::uint64_t(kTrimSize);
  // Each new waiting block is the time to try the file again (unless it was
  // tried for this very block a moment ago).
  if (!nothingWaiting && !m_waiting.empty()) WriteOldestWaiting(result);
  DropPastBudget(dropped, result);
}

void TrafficRecord::DropPastBudget(std::uint64_t dropped, Received& result) {
  const auto blockSize = std::uint64_t(kTrimSize);
  while (!m_waiting.empty() && m_waiting.size() * blockSize > m_memoryBudget) {
    m_loss.Add(m_logStart - m_waiting.size() * blockSize, blockSize);
    m_waiting.pop_front();
    dropped += blockSize;
  }
  if (dropped > 0 && !m_dropReported) {
    m_dropReported = true;
    result.dropped = dropped;
  }
}

TrafficRecord::Received TrafficRecord::RecordReceived(const std::uint8_t* bytes,
                                                      std::uint32_t count, bool counted,
                                                      WallClock::time_point readAt) {
  Received result;
  std::lock_guard lock(m_bufLock);
  if (m_rxLogLen > kTrimSize) {
    SpillOldest(result);
  } else if (!m_waiting.empty() && !m_spillBlocked) {
    // The file takes bytes again: the waiting blocks follow, one per block
    // received, so no single block holds the reader up for long.
    WriteOldestWaiting(result);
  }
  if (m_displayLen > kTrimSize) DropOldest(m_displayBuf.get(), m_displayLen, kTrimSize);

  const std::uint32_t marker = MarkerSize(m_lastDirection, kReceived);
  AddMarks(m_displayMarks, m_displayTotal, marker, count, readAt, StreamMarks::Kind::Received);
  if (count > 0) m_rxLogMarks.Add(m_rxLogTotal, readAt, StreamMarks::Kind::Received);
  m_displayTotal += marker + count;
  m_rxLogTotal += count;
  AppendDirectionMarker(m_displayBuf.get(), m_displayLen, kBufSize, m_lastDirection, kReceived);
  AppendWithin(m_rxLog.get(), m_rxLogLen, kBufSize, bytes, count);
  AppendWithin(m_displayBuf.get(), m_displayLen, kBufSize, bytes, count);

  if (counted) Count(m_rx, bytes, count);
  result.rx = m_rx;
  return result;
}

TrafficCounters TrafficRecord::RecordSent(const std::uint8_t* bytes, std::int32_t count) {
  // One unit: concurrent senders never lose a count, and their echoes never
  // interleave with each other or with a received block.
  std::lock_guard lock(m_bufLock);
  Count(m_tx, bytes, std::uint32_t(std::max(count, 0)));
  const std::uint32_t marker = MarkerSize(m_lastDirection, kSent);
  AddMarks(m_displayMarks, m_displayTotal, marker, std::uint32_t(std::max(count, 0)),
           WallClock::now(), StreamMarks::Kind::Sent);
  m_displayTotal += marker + std::uint64_t(std::max(count, 0));
  AppendDirectionMarker(m_displayBuf.get(), m_displayLen, kBufSize, m_lastDirection, kSent);
  // An echo larger than the buffer keeps its newest bytes.
  AppendWithin(m_displayBuf.get(), m_displayLen, kBufSize, bytes, count);
  if (m_displayLen > kTrimSize) DropOldest(m_displayBuf.get(), m_displayLen, kTrimSize);
  return m_tx;
}

TrafficCounters TrafficRecord::CountSent(const std::uint8_t* bytes, std::int32_t count) {
  std::lock_guard lock(m_bufLock);
  Count(m_tx, bytes, std::uint32_t(std::max(count, 0)));
  return m_tx;
}

TrafficRecord::TailPosition TrafficRecord::Tail(bool echo, std::size_t max,
                                               std::vector<std::uint8_t>& out) const {
  std::lock_guard lock(m_bufLock);
  const std::uint8_t* source = echo ? m_displayBuf.get() : m_rxLog.get();
  const auto length = std::size_t(echo ? m_displayLen : m_rxLogLen);
  const std::size_t n = std::min(length, max);
  out.assign(source + (length - n), source + length);
  const std::uint64_t end = echo ? m_displayTotal : m_rxLogTotal;
  return {m_generation, end - n, end};
}

std::vector<StreamMarks::Mark> TrafficRecord::Marks(bool echo, std::uint64_t from,
                                                    std::uint64_t to) const {
  std::lock_guard lock(m_bufLock);
  return (echo ? m_displayMarks : m_rxLogMarks).Between(from, to);
}

void TrafficRecord::MarkGap(const std::string& line) {
  std::lock_guard lock(m_bufLock);
  const WallClock::time_point now = WallClock::now();
  m_displayMarks.Add(m_displayTotal, now, StreamMarks::Kind::Gap, line);
  m_rxLogMarks.Add(m_rxLogTotal, now, StreamMarks::Kind::Gap, line);
}

TrafficCounters TrafficRecord::Tx() const {
  std::lock_guard lock(m_bufLock);
  return m_tx;
}

TrafficCounters TrafficRecord::Rx() const {
  std::lock_guard lock(m_bufLock);
  return m_rx;
}

void TrafficRecord::Clear() {
  std::lock_guard lock(m_bufLock);
  m_displayLen = 0;
  m_rxLogLen = 0;
  m_lastDirection = kNoDirection;
  m_displayTotal = 0;
  m_rxLogTotal = 0;
  ++m_generation;
  m_displayMarks.Clear();
  m_rxLogMarks.Clear();
  m_tx = TrafficCounters{};
  m_rx = TrafficCounters{};
  m_waiting.clear();
  m_logStart = 0;
  m_loss = CaptureLoss{};
  m_spillBlocked = false;
  m_dropReported = false;
  // The bytes already spilled go too: a later Save holds only what comes
  // after this Clear.
  m_saveFile.DeleteCapture();
}

SaveSource TrafficRecord::TakeSaveSource() {
  // The blocks and the capture's length are taken together, so no spill
  // between them can count a block twice or not at all.
  SaveSource source;
  std::lock_guard lock(m_bufLock);
  m_saveFile.TakeCapture(source);
  source.blocks.assign(m_waiting.begin(), m_waiting.end());
  source.blockSize = std::size_t(kTrimSize);
  source.tail.assign(m_rxLog.get(), m_rxLog.get() + m_rxLogLen);
  source.loss = m_loss;
  return source;
}

bool TrafficRecord::SaveTo(const std::string& folder, SpillFailure& failure) {
  failure = SpillFailure{};
  if (folder.empty()) return false;
  const SaveResult result = WriteSavedCopy(TakeSaveSource(), folder);
  if (result.status == SaveStatus::kSaved) return true;
  failure = SpillFailure{result.path, result.error};
  return false;
}

std::uint64_t TrafficRecord::WaitingBytes() const {
  std::lock_guard lock(m_bufLock);
  return m_waiting.size() * std::uint64_t(kTrimSize);
}

CaptureLoss TrafficRecord::Loss() const {
  std::lock_guard lock(m_bufLock);
  return m_loss;
}

std::uint64_t TrafficRecord::CapturedBytes() const {
  // Every byte that left the receive log went to the file, to the waiting
  // blocks, or was dropped.
  std::lock_guard lock(m_bufLock);
  return m_logStart + std::uint64_t(m_rxLogLen) - m_loss.bytes;
}

std::uint64_t TrafficRecord::MemoryBudget() const {
  std::lock_guard lock(m_bufLock);
  return m_memoryBudget;
}

void TrafficRecord::SetMemoryBudget(std::uint64_t bytes) {
  std::lock_guard lock(m_bufLock);
  m_memoryBudget = bytes;
}

std::vector<std::string> TrafficRecord::RecoverStaleCaptures() {
  std::lock_guard lock(m_bufLock);
  return m_saveFile.RecoverStaleCaptures();
}

void TrafficRecord::DeleteCapture() {
  std::lock_guard lock(m_bufLock);
  m_saveFile.DeleteCapture();
}

std::string TrafficRecord::CapturePath() {
  std::lock_guard lock(m_bufLock);
  return m_saveFile.CapturePath();
}

}  // namespace zephyn
