// Time stamps of received text: the local time a block was read as
// "HH:MM:SS.mmm ", put before the first byte of every line. A line starts
// with the stream, after every LF and after every change of direction, and
// its stamp is the time of the block that holds its first byte, so a line
// split across blocks gets one stamp, the time its first part was read.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zephyn {

using WallClock = std::chrono::system_clock;

// "HH:MM:SS.mmm" of `when` in local time.
std::string ClockText(WallClock::time_point when);

class LineStamper {
 public:
  // Appends `bytes` to `out`, with `stamp` ("HH:MM:SS.mmm ") before every
  // byte that starts a line.
  void Append(const std::uint8_t* bytes, std::size_t count, const std::string& stamp,
              std::string& out);
  // The next byte starts a line: the direction changed.
  void BreakLine() { m_lineStart = true; }
  // As at the start of a stream.
  void Reset() { m_lineStart = true; }

 private:
  bool m_lineStart = true;
};

}  // namespace zephyn
