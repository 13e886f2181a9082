#include "storage/traffic_record.h"

#include <algorithm>
#include <utility>

#include "common/codecs.h"
#include "storage/display_buffer.h"

namespace zephyn {

namespace {

// One more block or send of `count` bytes. The byte count wraps through
// unsigned arithmetic, as the label shows it; a block without bytes leaves
// the CRC alone (Crc32Update would take a null pointer for a reset).
void Count(TrafficCounters& counters, const std::uint8_t* bytes, std::uint32_t count) {
  counters.count += 1;
  counters.bytes = std::int32_t(std::uint32_t(counters.bytes) + count);
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

TrafficRecord::TrafficRecord(std::string dataFolder, std::string timeStamp)
    : m_rxLog(new std::uint8_t[kBufSize]),
      m_displayBuf(new std::uint8_t[kBufSize]),
      m_saveFile(std::move(dataFolder), std::move(timeStamp)) {}

TrafficRecord::Received TrafficRecord::RecordReceived(const std::uint8_t* bytes,
                                                      std::uint32_t count, bool counted,
                                                      WallClock::time_point readAt) {
  Received result;
  std::lock_guard lock(m_bufLock);
  // Past kTrimSize bytes the oldest kTrimSize go to the capture file. If it
  // cannot be written the bytes stay here and the spill is tried again with
  // the next block; once the log is full its oldest bytes make room.
  if (m_rxLogLen > kTrimSize) {
    if (m_saveFile.AppendCapture(m_rxLog.get(), kTrimSize)) {
      DropOldest(m_rxLog.get(), m_rxLogLen, kTrimSize);
      m_spillFailureReported = false;
    } else if (!m_spillFailureReported) {
      m_spillFailureReported = true;
      result.spillFailure = SpillFailure{m_saveFile.LastErrorPath(), m_saveFile.LastErrno()};
    }
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
  // The bytes already spilled go too: a later Save holds only what comes
  // after this Clear.
  m_saveFile.DeleteCapture();
}

bool TrafficRecord::SaveTo(const std::string& folder, SpillFailure& failure) {
  // No spill or Clear may change the capture while it is copied.
  std::lock_guard lock(m_bufLock);
  if (m_saveFile.SaveCaptureTo(m_rxLog.get(), std::size_t(m_rxLogLen), folder)) return true;
  failure = SpillFailure{m_saveFile.LastErrorPath(), m_saveFile.LastErrno()};
  return false;
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
