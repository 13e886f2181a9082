#include "common/line_rate.h"

#include <algorithm>

namespace zephyn {

bool RateAllows(std::int64_t payloadLen, std::int64_t intervalMs, std::int64_t baud) {
  if (intervalMs <= 0) return true;
  // Whole numbers throughout: len / (interval / 1000) and baud / 10, each
  // truncated, so the equal case (1152 bytes every 100 ms at 115200) is
  // never lost to a rounding error.
  const std::int64_t needed = payloadLen * 1000 / intervalMs;
  const std::int64_t available = baud / 10;
  return needed <= available;
}

std::int32_t FileChunkSize(std::int64_t baud) {
  return std::int32_t(std::clamp<std::int64_t>(baud / 1000, 1, INT32_MAX));
}

}  // namespace zephyn
