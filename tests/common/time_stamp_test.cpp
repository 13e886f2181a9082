#include "common/time_stamp.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>
#include <vector>

namespace zephyn {
namespace {

using namespace std::chrono;

// Sets TZ (nullptr unsets it) and has the C library read it again.
void SetTimeZone(const char* zone) {
#ifdef _WIN32
  ::_putenv_s("TZ", zone != nullptr ? zone : "");
  ::_tzset();
#else
  if (zone != nullptr) {
    ::setenv("TZ", zone, 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
#endif
}

TEST(ClockTextTest, LocalTimeWithMilliseconds) {
  const char* zone = ::getenv("TZ");
  const std::string before = zone != nullptr ? zone : "";
  SetTimeZone("UTC");
  // 2026-12-10 12:01:07.120 UTC, and the last millisecond of a day.
  const WallClock::time_point t{seconds(1796904067) + milliseconds(120)};
  EXPECT_EQ(ClockText(t), "12:01:07.120");
  EXPECT_EQ(ClockText(WallClock::time_point{seconds(1796947199) + milliseconds(999)}),
            "23:59:59.999");
  // Before the epoch, milliseconds still count up within their second.
  EXPECT_EQ(ClockText(WallClock::time_point{milliseconds(-1)}), "23:59:59.999");
  SetTimeZone(zone != nullptr ? before.c_str() : nullptr);
}

// Blocks of one stream, each with its own stamp; "|" in a block's place
// stands for a change of direction.
struct StampCase {
  const char* name;
  std::vector<std::string> blocks;
  std::string expected;
};

TEST(LineStamperTest, OneStampPerLine) {
  const StampCase cases[] = {
      {"one line", {"OK\r\n"}, "A OK\r\n"},
      {"line split across blocks", {"+NAME=Zep", "hyn\r\nOK", "\r\n"}, "A +NAME=Zephyn\r\nB OK\r\n"},
      {"line end at a block's end stamps the next block", {"a\n", "b\n"}, "A a\nB b\n"},
      {"several lines in one block", {"a\nb\n\nc"}, "A a\nA b\nA \nA c"},
      {"direction change starts a line", {"ab", "|", "cd\n"}, "A abC cd\n"},
      {"change right after a line end stamps once", {"a\n", "|", "b"}, "A a\nC b"},
      {"empty block stamps nothing", {"", "x"}, "B x"},
      {"CR alone does not end a line", {"a\rb"}, "A a\rb"},
  };
  for (const StampCase& c : cases) {
    LineStamper stamper;
    std::string out;
    char stamp = 'A';
    for (const std::string& block : c.blocks) {
      if (block == "|") {
        stamper.BreakLine();
      } else {
        stamper.Append(reinterpret_cast<const std::uint8_t*>(block.data()), block.size(),
                       std::string(1, stamp) + ' ', out);
      }
      ++stamp;
    }
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace zephyn
