// The long-lived threads of the main window: the port watch, and the
// refresher's pane refresh and speed display. They touch no widget: every
// control change goes through the control facade.
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::StartThreads() {
  m_portWatchThread = std::thread([this] { PortWatchThread(); });
  m_refresher.Start();
}

void CZephynDlg::StopThreads() {
  m_stopPortWatch = 1;
  // A baud detection running on the connection worker ends at its next wait
  // too, so that the worker's shutdown that follows never waits out a whole
  // detection.
  m_stopAutoBaud = 1;
  m_stopWait.WakeAll();
  if (m_portWatchThread.joinable()) m_portWatchThread.join();
  m_refresher.Stop();
}

bool CZephynDlg::threadsRunning() const {
  return m_portWatchThread.joinable() || m_refresher.Running();
}

}  // namespace zephyn
