#include "serial/serial_config.h"

namespace zephyn {

std::optional<std::uint32_t> ParseBaudRate(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t rate = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    rate = rate * 10 + std::uint64_t(c - '0');
    if (rate > kMaxBaudRate) return std::nullopt;
  }
  if (rate == 0) return std::nullopt;
  return std::uint32_t(rate);
}

bool RateIsClose(std::uint32_t actual, std::uint32_t wanted) {
  const std::uint64_t apart = actual > wanted ? actual - wanted : wanted - actual;
  return apart * 50 < wanted;
}

}  // namespace zephyn
