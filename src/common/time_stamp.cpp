#include "common/time_stamp.h"

#include <cstdio>
#include <ctime>

#include "common/local_time.h"

namespace zephyn {

std::string ClockText(WallClock::time_point when) {
  using namespace std::chrono;
  const auto sinceEpoch = when.time_since_epoch();
  const auto whole = floor<seconds>(sinceEpoch);
  const long ms = long(duration_cast<milliseconds>(sinceEpoch - whole).count());
  const std::time_t secondsSinceEpoch = std::time_t(whole.count());
  const std::tm local = LocalTime(secondsSinceEpoch);
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min,
                local.tm_sec, ms);
  return text;
}

void LineStamper::Append(const std::uint8_t* bytes, std::size_t count, const std::string& stamp,
                         std::string& out) {
  std::size_t begin = 0;
  while (begin < count) {
    if (m_lineStart) {
      out += stamp;
      m_lineStart = false;
    }
    // Up to and with the next LF in one piece.
    std::size_t end = begin;
    while (end < count && bytes[end] != '\n') ++end;
    if (end < count) {
      ++end;
      m_lineStart = true;
    }
    out.append(reinterpret_cast<const char*>(bytes + begin), end - begin);
    begin = end;
  }
}

}  // namespace zephyn
