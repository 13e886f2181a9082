// The receive path: every block the port's reader delivers is recorded (the
// pane's buffer, the receive log, the counters) and logged, and handed to
// whoever waits for it: the multi-instruction sequence, the rate detection's
// probe, an AT query.
#include <utility>

#include "session/session.h"

namespace zephyn {

void Session::OnComRead(const std::uint8_t* bytes, std::uint32_t count) {
  // The time the block was read: what its time stamps show.
  const WallClock::time_point readAt = WallClock::now();
  m_rxSpeedBytes += std::int32_t(count);
  m_liveLog.Append(bytes, count, readAt);
  // The detection takes any text as the module's answer; such a block is
  // shown but not counted.
  const bool probing = m_probeIndex > 0;
  const TrafficRecord::Received recorded =
      m_record.RecordReceived(bytes, count, !probing, readAt);
  if (recorded.spillFailure) m_events.OnSpillFailure(*recorded.spillFailure);
  if (recorded.dropped > 0) m_events.OnDropped(recorded.dropped);
  m_events.OnTrafficChanged();

  // Every block moves the instruction list on; a block with "OK" releases
  // the instruction at the new position after the configured delay. The
  // delay passes on the reader, but a Close cuts it short (and then nothing
  // is sent), so closing never waits out a long delay; the send itself
  // goes to the send worker, behind the sends before it.
  if (auto next = m_instructions.OnBlock(bytes, count)) {
    if (m_instructions.Enabled() && m_port.WaitUnlessClosing(next->delayMs))
      Send(Bytes(next->bytes.begin(), next->bytes.end()));
  }

  if (probing) {
    // A block of zero bytes alone is no text, and must not wipe out an
    // answer that came before it.
    std::string text = BytesToText(bytes, count);
    if (!text.empty()) {
      std::lock_guard lock(m_probeLock);
      m_probeReply = std::move(text);
    }
    return;
  }
  if (const auto value = m_atAnswer.OnBlock(bytes, count)) m_events.OnAtAnswer(*value);
}

void Session::SetInstructions(bool enabled, std::string delayText) {
  m_instructions.SetEnabled(enabled);
  m_instructions.SetDelay(std::move(delayText));
}

CutResult Session::LoadInstructions(std::string_view text, std::string* first) {
  m_instructions.Reset();
  if (first != nullptr) first->clear();
  if (!m_instructions.Enabled()) return CutResult::Ok;
  return m_instructions.Load(text, first);
}

void Session::BeginAtQuery() {
  m_atAnswer.Begin();
}

std::optional<std::string> Session::EndAtQuery() {
  return m_atAnswer.End();
}

}  // namespace zephyn
