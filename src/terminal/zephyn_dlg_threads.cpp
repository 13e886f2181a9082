// The long-lived threads of the main window are the refresher's: the pane
// refresh and the speed display. They touch no widget: every control change
// goes through the control facade.
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::StartThreads() {
  m_refresher.Start();
}

void CZephynDlg::StopThreads() {
  m_refresher.Stop();
}

bool CZephynDlg::threadsRunning() const {
  return m_refresher.Running();
}

}  // namespace zephyn
