// The statistics shown when a file transfer ends: the time spent sending
// (pauses left out), the bytes sent and the average speed.
#pragma once

#include <cstdint>
#include <string>

#include "common/texts.h"

namespace zephyn {

struct TransferStats {
  double elapsedMs = 0.0;  // time spent sending, pauses left out
  std::int64_t bytesSent = 0;
};

// Bytes a second over the sending time, truncated; 0 when no time was spent.
std::int64_t TransferSpeed(const TransferStats& stats);

// The three lines of the statistics box, CR LF between them, in UTF-8:
// "Time:3.25s", "byte:  10240 (10 kB)" and "Speed: 3150byte/s" (English), or
// the same with the Chinese words.
std::string TransferStatsText(const TransferStats& stats, Language language);

}  // namespace zephyn
