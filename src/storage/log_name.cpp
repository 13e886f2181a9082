#include "storage/log_name.h"

#include <ctime>

#include "common/local_time.h"

namespace zephyn {

namespace {

// Bytes of the port's part: the time and ".log" fit beside it within the
// 255 bytes a file name may have.
constexpr std::size_t kMaxPortPart = 200;

bool Unsafe(unsigned char c) {
  if (c < 0x20 || c == 0x7F) return true;
  for (const char bad : std::string_view(" /\\:*?\"<>|"))
    if (c == static_cast<unsigned char>(bad)) return true;
  return false;
}

}  // namespace

std::string ProposedLogName(std::string_view port, WallClock::time_point start) {
  while (!port.empty() && port.back() == '/') port.remove_suffix(1);
  if (const std::size_t slash = port.rfind('/'); slash != std::string_view::npos)
    port.remove_prefix(slash + 1);
  if (port.size() > kMaxPortPart) {
    std::size_t cut = kMaxPortPart;
    // Back to the first byte of the character the cut falls in.
    while (cut > 0 && (static_cast<unsigned char>(port[cut]) & 0xC0) == 0x80) --cut;
    port = port.substr(0, cut);
  }
  std::string name;
  for (const char c : port) name += Unsafe(static_cast<unsigned char>(c)) ? '_' : c;
  if (!name.empty() && name.front() == '.') name.front() = '_';

  const std::time_t seconds = WallClock::to_time_t(start);
  const std::tm local = LocalTime(seconds);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
  if (!name.empty()) name += '_';
  return name + stamp + ".log";
}

}  // namespace zephyn
