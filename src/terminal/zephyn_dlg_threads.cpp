// The three long-lived threads of the main window: the port watch, the
// receive pane's refresh and the speed display. They touch no widget: every
// control change goes through the control facade.
#include <chrono>

#include "common/text_ids.h"
#include "common/thread_name.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using std::chrono::milliseconds;

void CZephynDlg::StartThreads() {
  m_refreshThread = std::thread([this] { RefreshThread(); });
  m_speedThread = std::thread([this] { SpeedThread(); });
}

void CZephynDlg::StopThreads() {
  m_stopRefresh = 1;
  m_stopSpeed = 1;
  m_stopWait.WakeAll();
  for (std::thread* t : {&m_refreshThread, &m_speedThread})
    if (t->joinable()) t->join();
}

bool CZephynDlg::threadsRunning() const {
  return m_refreshThread.joinable() || m_speedThread.joinable();
}

void CZephynDlg::SpeedThread() {
  NameThisThread("speeds");
  // Shows the bytes counted in the last second, then starts counting afresh;
  // each counter is read and reset in one exchange so no byte goes uncounted.
  const QString unit = Text(TextId::kByteUnit) + QLatin1Char('/') + Text(TextId::kSecondUnit);
  // A label is redrawn only when its text changes (an idle port's "0 B/s"
  // is drawn once).
  auto show = [this, &unit](int id, std::int32_t bytes) {
    const QString text = QStringLiteral("%1 %2").arg(bytes).arg(unit);
    if (m_controls.text(id) != text) m_controls.setText(id, text);
  };
  do {
    // Everything written counts, a file's chunks too: during a transfer the
    // TX speed is the file's.
    const SpeedBytes speed = m_session.TakeSpeedBytes();
    show(MainIds::kTxSpeed, speed.tx);
    show(MainIds::kRxSpeed, speed.rx);
  } while (!m_stopWait.SleepUnless(m_stopSpeed, milliseconds(1000)));
}

}  // namespace zephyn
