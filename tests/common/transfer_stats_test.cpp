#include "common/transfer_stats.h"

#include <gtest/gtest.h>

namespace zephyn {
namespace {

TEST(TransferStats, TextInBothLanguages) {
  const struct {
    TransferStats stats;
    Language language;
    const char* text;
  } cases[] = {
      {{3250.0, 10240}, Language::EnUS, "Time:3.25s\r\nbyte:  10240 (10 kB)\r\nSpeed: 3150byte/s"},
      {{3250.0, 10240}, Language::ZhCN, "用时:3.25秒\r\n字节:  10240 (10 kB)\r\n速率: 3150字节/秒"},
      // The kB field is whole thousands.
      {{1000.0, 1999}, Language::EnUS, "Time:1.00s\r\nbyte:  1999 (1 kB)\r\nSpeed: 1999byte/s"},
      // No time spent: the speed is 0, not a division by zero.
      {{0.0, 80}, Language::EnUS, "Time:0.00s\r\nbyte:  80 (0 kB)\r\nSpeed: 0byte/s"},
      // Beyond 32 bits of bytes a second (a fast transfer of a large file).
      {{0.5, 2'000'000'000},
       Language::EnUS,
       "Time:0.00s\r\nbyte:  2000000000 (2000000 kB)\r\nSpeed: 4000000000000byte/s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TransferStatsText(c.stats, c.language), c.text);
  }
}

}  // namespace
}  // namespace zephyn
