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
  std::lock_guard lock(m_lock);
  SetPayload(std::move(payload));
  const bool started = m_timer.Start(intervalMs, [this] { Tick(); });
  // A system that gives no timer leaves the timed send off, even one that
  // ran before.
  m_link.ChangeState([started](SessionState& state) { state.timedSend = started; });
  return started ? Result::kStarted : Result::kTimerRefused;
}

void TimedSend::SetPayload(Bytes payload) {
  auto shared = std::make_shared<const Bytes>(std::move(payload));
  std::lock_guard lock(m_payloadLock);
  m_payload = std::move(shared);
}

void TimedSend::Stop() {
  std::lock_guard lock(m_lock);
  m_timer.Stop();
  m_link.ChangeState([](SessionState& state) { state.timedSend = false; });
}

void TimedSend::Shutdown() {
  Stop();
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
