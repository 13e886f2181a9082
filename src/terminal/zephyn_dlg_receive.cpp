// The receive path: every block the port's reader delivers is recorded (the
// pane's buffer, the receive log, the counters), and handed to whoever waits
// for it (the multi-instruction list, the baud probe, an AT-page query).
#include <cstring>
#include <utility>

#include "common/instructions.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "panels/quick_send.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::OnReceived(const std::uint8_t* bytes, std::uint32_t count) {
  // The time the block was read: what its time stamps show.
  const WallClock::time_point readAt = WallClock::now();
  m_rxSpeedBytes += std::int32_t(count);
  m_liveLog.Append(bytes, count, readAt);
  // Baud detection takes any text as the module's answer; such a block is
  // shown but not counted.
  const bool probing = m_baudProbeIndex > 0;
  const TrafficRecord::Received recorded =
      m_record.RecordReceived(bytes, count, !probing, readAt);
  if (recorded.spillFailure) ReportSpillFailure(*recorded.spillFailure);
  if (recorded.dropped > 0) ReportDropped(recorded.dropped);
  // The refresh thread shows the block and the counters at its next pass.
  m_refresher.MarkDirty();

  // Every block moves the instruction list on; a block with "OK" releases
  // the instruction at the new position, after the configured delay. The
  // delay passes on the reader thread, but a Close cuts it short (and then
  // sends nothing), so closing the port never waits out a long delay.
  if (const auto next = m_instructions.OnBlock(bytes, count)) {
    if (m_instructions.Enabled() && g_comPort.WaitUnlessClosing(next->delayMs)) {
      SendBytes(reinterpret_cast<const std::uint8_t*>(next->bytes.data()),
                std::int32_t(next->bytes.size()));
    }
  }

  if (probing) {
    // Any text is the module's answer; a block of zero bytes alone is no
    // text, and must not wipe out an answer that came before it.
    std::string text = BytesToText(bytes, count);
    if (!text.empty()) {
      std::lock_guard lock(m_probeLock);
      m_baudProbeReply = std::move(text);
    }
    return;
  }
  // A query of the AT page waiting for its answer takes it once it is whole.
  if (const auto value = m_atAnswer.OnBlock(bytes, count)) m_quickSend->ShowReply(*value);
}

void CZephynDlg::ReportSpillFailure(const SpillFailure& failure) {
  const QString reason = QString::fromLocal8Bit(std::strerror(failure.error));
  const QString file = QString::fromStdString(failure.path);
  const QString budget = BudgetText();
  const QString text = Text(TextId::kSpillWriteFailed, m_language).arg(file, reason, budget);
  PostWarning(text, QString());
}

}  // namespace zephyn
