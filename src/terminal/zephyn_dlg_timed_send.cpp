// The timed send: the input box's bytes, taken once at the start, repeated
// on a periodic timer at the interval of the interval box, after a check
// that the line can carry them at the chosen rate. While it runs, the
// connection controls, the interval and the file controls are off.
#include "common/instructions.h"
#include "common/line_rate.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "dialogs/timer_refused.h"
#include "panels/more_str_send.h"
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

void CZephynDlg::StartTimedSend(int flag) {
  Controls* strings = m_moreStrSend != nullptr ? &m_moreStrSend->controls() : nullptr;
  if (flag == 0) {
    if (strings != nullptr) strings->setEnabled(StringsPageIds::kCycle, true);
    m_controls.setChecked(kTiming, false);
    KillTimedSendTimer();
    // A file transfer under way keeps these as it set them.
    if (m_fileTransferActive == 0) {
      for (int id : {kOpenClose, kPortList, kBaudRate, kFlowControl, kChooseFile})
        m_controls.setEnabled(id, true);
      if (m_fileTransfer.Loaded()) m_controls.setEnabled(kSendFile, true);
    }
    m_controls.setEnabled(kInterval, true);
    return;
  }

  if (strings != nullptr) strings->setEnabled(StringsPageIds::kCycle, false);
  m_controls.setChecked(kTiming, true);
  KillTimedSendTimer();

  // Both boxes read like atoi: "Auto" is a rate of 0, "abc" an interval of 0.
  const int interval = LeadingInt(ToGbk(m_controls.text(kInterval)));
  const int baud = LeadingInt(ToGbk(m_controls.text(kBaudRate)));
  auto refuse = [&](const QString& text, const QString& caption) {
    m_controls.setChecked(kTiming, false);
    if (strings != nullptr) strings->setEnabled(StringsPageIds::kCycle, true);
    Prompts().messageBox(this, text, caption, QMessageBox::Ok, QMessageBox::Warning);
  };
  if (!RateAllows(m_sendLen, interval, baud)) {
    refuse(Text(TextId::kTooFast), Text(TextId::kOverrunCaption));
    return;
  }
  // An interval the timer cannot run would leave Timing on with nothing
  // ever sent: it is refused and said so instead.
  if (!IsTimerPeriod(interval)) {
    refuse(TimerRefusedText(m_language), AppTitle());
    return;
  }

  for (int id : {kInterval, kOpenClose, kPortList, kBaudRate, kFlowControl, kChooseFile, kSendFile})
    m_controls.setEnabled(id, false);
  // The payload is the input box's bytes as they are now, with CR LF when
  // New line is on, built as a New line toggle builds it; later edits of
  // the box do not change it.
  RebuildSendBuf();
  OnNewLineClicked();
  const TimerId id = SetPeriodicTimer(interval, [this] { TimedSendTick(); });
  if (id == 0) {
    // The system gave no timer (or thread): back to Off, and said so.
    StartTimedSend(0);
    Prompts().messageBox(this, TimerRefusedText(m_language), AppTitle(), QMessageBox::Ok,
                         QMessageBox::Warning);
    return;
  }
  m_timedSendTimer = id;
}

void CZephynDlg::TimedSendTick() {
  // The tick keeps its own reference: a New line toggle may replace the
  // payload while it is being sent. A refused write is not reported; the
  // next tick tries again.
  const std::shared_ptr<const Bytes> payload = TimedSendPayload();
  if (payload) m_session.Link().SendRecorded(payload->data(), std::int32_t(payload->size()));
}

void CZephynDlg::KillTimedSendTimer() {
  // Whoever takes the ID kills the timer, and waits for a tick that is
  // sending.
  if (const TimerId id = m_timedSendTimer.exchange(0); id != 0) KillPeriodicTimer(id);
}

}  // namespace zephyn
