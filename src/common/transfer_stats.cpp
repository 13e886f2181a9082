#include "common/transfer_stats.h"

#include <cstdio>

#include "common/text_ids.h"

namespace zephyn {

std::int64_t TransferSpeed(const TransferStats& stats) {
  if (!(stats.elapsedMs > 0.0)) return 0;
  return std::int64_t(double(stats.bytesSent) / (stats.elapsedMs / 1000.0));
}

std::string TransferStatsText(const TransferStats& stats, Language language) {
  const std::string time = LoadTextUtf8(TextId::kTimeWord, language);
  const std::string second = LoadTextUtf8(TextId::kSecondUnit, language);
  const std::string byte = LoadTextUtf8(TextId::kByteUnit, language);
  const std::string speed = LoadTextUtf8(TextId::kSpeedWord, language);
  char text[512];
  std::snprintf(text, sizeof text, "%s:%.2f%s\r\n%s:  %lld (%lld kB)\r\n%s: %lld%s/%s",
                time.c_str(), stats.elapsedMs * 0.001, second.c_str(), byte.c_str(),
                static_cast<long long>(stats.bytesSent),
                static_cast<long long>(stats.bytesSent / 1000), speed.c_str(),
                static_cast<long long>(TransferSpeed(stats)), byte.c_str(), second.c_str());
  return text;
}

}  // namespace zephyn
