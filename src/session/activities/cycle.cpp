#include "session/activities/cycle.h"

#include <memory>

namespace zephyn {
namespace {

// One run of the cycle: its items, and the next one to send, which only
// the ticks of the run's timer move, one at a time.
struct Run {
  std::vector<Bytes> items;
  std::size_t next = 0;
};

}  // namespace

Cycle::Cycle(SessionLink& link) : m_link(link) {}

Cycle::~Cycle() {
  Shutdown();
}

Cycle::Result Cycle::Start(const std::vector<StoredString>& rows, std::string_view lineEnd,
                           std::int64_t intervalMs) {
  auto run = std::make_shared<Run>();
  for (const StoredString& row : rows)
    if (!row.text.empty()) run->items.push_back(StoredStringBytes(row.text, row.hex, lineEnd));
  if (run->items.empty()) return Result::kNoRows;
  if (!IsTimerPeriod(intervalMs)) return Result::kTimerRefused;

  // A stopped run's last tick may still be sending: each run keeps its own
  // items.
  const bool started = m_timer.Start(intervalMs, [this, run] {
    const Bytes& item = run->items[run->next];
    if (++run->next == run->items.size()) run->next = 0;
    m_link.SendRecorded(item.data(), std::int32_t(item.size()));
  });
  return started ? Result::kStarted : Result::kTimerRefused;
}

void Cycle::Stop() {
  m_timer.Stop();
}

void Cycle::Shutdown() {
  m_timer.Shutdown();
}

}  // namespace zephyn
