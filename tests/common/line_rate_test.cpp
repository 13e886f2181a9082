#include "common/line_rate.h"

#include <gtest/gtest.h>

#include <string>

#include "common/instructions.h"

namespace zephyn {
namespace {

TEST(LineRate, TimedSendNeedsNoMoreThanTheLineCarries) {
  // Interval and rate as the window reads them from their boxes.
  const struct {
    const char* name;
    std::int64_t payload;
    const char* interval;
    const char* baud;
    bool allowed;
  } cases[] = {
      {"10000 of 11520 bytes/s", 100, "10", "115200", true},
      {"20000 of 11520 bytes/s", 200, "10", "115200", false},
      {"900 of 960 bytes/s", 9, "10", "9600", true},
      {"1000 of 960 bytes/s", 10, "10", "9600", false},
      {"exactly what the line carries", 1152, "100", "115200", true},
      {"Auto carries nothing: an empty input", 0, "200", "Auto", true},
      {"Auto carries nothing: any byte", 1, "200", "Auto", false},
      {"an interval that is no number is left to the timer", 1000, "abc", "9600", true},
      {"a negative interval is left to the timer", 1000, "-5", "9600", true},
      {"a typed rate", 25, "1", "250000", true},
      {"a typed rate, one byte too many", 26, "1", "250000", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RateAllows(c.payload, LeadingInt(c.interval), LeadingInt(c.baud)), c.allowed);
  }
}

TEST(LineRate, FileChunkIsTenMillisecondsOfTheLineAndAtLeastOneByte) {
  const struct {
    const char* baud;
    std::int32_t chunk;
  } cases[] = {{"115200", 115}, {"9600", 9}, {"921600", 921}, {"1000", 1}, {"999", 1},
               {"300", 1},      {"Auto", 1}, {"", 1},         {"-9600", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.baud);
    EXPECT_EQ(FileChunkSize(LeadingInt(c.baud)), c.chunk);
  }
}

}  // namespace
}  // namespace zephyn
