#include "session/activities/timed_send.h"

#include <utility>

#include "common/line_rate.h"

namespace zephyn {

TimedSend::TimedSend(SessionLink& link) : m_link(link) {}

TimedSend::~TimedSend() {
  Shutdown();
}

TimedSend::Result TimedSend::Start(Bytes payload, std::int64_t intervalMs, std::int64_t baud) {
  if (!RateAllows(std::int64_t(payload.size()), intervalMs, baud)) return Result::kTooFast;
  // An interval the timer cannot run is refused before anything stops.
  if (!IsTimerPeriod(intervalMs)) return Result::kTimerRefused;
  SetPayload(std::move(payload));
  // A system that gives no timer leaves the timed send off, even one that
  // ran before.
  return m_timer.Start(intervalMs, [this] { Tick(); }) ? Result::kStarted
                                                       : Result::kTimerRefused;
}

std::shared_ptr<const Bytes> TimedSend::Payload() const {
  std::lock_guard lock(m_payloadLock);
  return m_payload;
}

void TimedSend::SetPayload(Bytes payload) {
  auto shared = std::make_shared<const Bytes>(std::move(payload));
  std::lock_guard lock(m_payloadLock);
  m_payload = std::move(shared);
}

void TimedSend::Stop() {
  m_timer.Stop();
}

void TimedSend::Shutdown() {
  m_timer.Shutdown();
}

void TimedSend::Tick() {
  std::shared_ptr<const Bytes> payload;
  {
    std::lock_guard lock(m_payloadLock);
    payload = m_payload;
  }
  m_link.SendRecorded(payload->data(), std::int32_t(payload->size()));
}

}  // namespace zephyn
