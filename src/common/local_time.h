// The calendar time of the system's time zone for a moment, on any thread
// (std::localtime shares one result between threads).
#pragma once

#include <ctime>

namespace zephyn {

inline std::tm LocalTime(std::time_t moment) {
  std::tm local{};
#ifdef _WIN32
  // Windows refuses moments before 1970 (and fills the fields with -1).
  // The Gregorian calendar repeats every 400 years, weekdays included: such
  // a moment is read 400 years (or a multiple) later and its year set back.
  constexpr std::time_t kCycleSeconds = std::time_t(146'097) * 86'400;
  std::time_t cycles = 0;
  if (moment < 0) {
    cycles = (kCycleSeconds - 1 - moment) / kCycleSeconds;
    moment += cycles * kCycleSeconds;
  }
  if (::localtime_s(&local, &moment) == 0) local.tm_year -= int(cycles * 400);
#else
  ::localtime_r(&moment, &local);
#endif
  return local;
}

}  // namespace zephyn
