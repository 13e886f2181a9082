// The timed send: the Timing box starts the session's timed send with the
// input box's bytes as they are now, at the interval of the interval box and
// the rate of the rate box, or stops it. A start the line or the timer
// cannot carry is refused and said so; the box then goes back to off.
#include "common/instructions.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "dialogs/timer_refused.h"
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

void CZephynDlg::StartTimedSend(int flag) {
  if (flag == 0) {
    m_session.StopTimedSend();
    return;
  }
  // The payload is the input box's bytes as they are now, with the chosen
  // line end when New line is on; later edits of the box do not change it.
  // The interval reads like atoi: "abc" is 0, which the timer refuses.
  RebuildSendBuf();
  const int interval = LeadingInt(ToGbk(m_controls.text(kInterval)));
  const TimedSend::Result result =
      m_session.StartTimedSend(TimedPayloadOfInput(), interval, ToGbk(m_controls.text(kBaudRate)));
  if (result == TimedSend::Result::kStarted) return;
  // Nothing runs: the box the user ticked goes back to off.
  m_controls.setChecked(kTiming, false);
  if (result == TimedSend::Result::kTooFast) {
    Prompts().messageBox(this, Text(TextId::kTooFast), Text(TextId::kOverrunCaption),
                         QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  Prompts().messageBox(this, TimerRefusedText(m_language), AppTitle(), QMessageBox::Ok,
                       QMessageBox::Warning);
}

}  // namespace zephyn
