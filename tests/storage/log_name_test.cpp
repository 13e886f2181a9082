#include "storage/log_name.h"

#include <gtest/gtest.h>

#include <ctime>

namespace zephyn {
namespace {

// 11 December 2026, 14:30:05 local time.
WallClock::time_point Start() {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 11;
  local.tm_hour = 14;
  local.tm_min = 30;
  local.tm_sec = 5;
  local.tm_isdst = -1;
  return WallClock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(999);
}

TEST(LogNameTest, PortBaseNameAndStartTimeMadeSafe) {
  const std::string longName(300, 'a');
  // "串口" in UTF-8 is 6 bytes; 198 ASCII bytes before it leave the cut
  // inside its first character.
  std::string cutInside(198, 'b');
  cutInside.append("串口");
  const auto named = [](std::string base) { return base.append("_20261211_143005.log"); };
  const struct {
    std::string port;
    std::string expected;
  } cases[] = {
      {"/dev/ttyUSB0", "ttyUSB0_20261211_143005.log"},
      {"/dev/serial/by-id/usb-FTDI_A5-if00-port0", "usb-FTDI_A5-if00-port0_20261211_143005.log"},
      {"/dev/pts/3/", "3_20261211_143005.log"},
      {"/tmp/my port:1?*<>|\"\\x", "my_port_1_______x_20261211_143005.log"},
      {"/tmp/tab\there\x7F", "tab_here__20261211_143005.log"},
      {"/tmp/.hidden", "_hidden_20261211_143005.log"},
      {"/tmp/串口", "串口_20261211_143005.log"},
      {"/", "20261211_143005.log"},
      {"", "20261211_143005.log"},
      {"/dev/" + longName, named(std::string(200, 'a'))},
      {cutInside, named(std::string(198, 'b'))},
  };
  for (const auto& c : cases) EXPECT_EQ(ProposedLogName(c.port, Start()), c.expected) << c.port;
}

}  // namespace
}  // namespace zephyn
