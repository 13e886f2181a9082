// The closing order of the main window. Every way of closing it (the close
// box, Alt+F4, Escape, a termination signal) ends in reject(), which runs the
// order once.
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::reject() {
  if (m_closingRuns == 0) OnClose();
  QDialog::reject();
}

void CZephynDlg::OnClose() {
  ++m_closingRuns;
  StopWorkers();
  // The settings file, and the pane menu's choices beside it.
  SavePaneOptions(SaveSettings());
  // The session's closing order: its workers, the port, the live log, and
  // this run's capture (only saved copies outlive the run).
  m_session.Shutdown();
}

void CZephynDlg::StopWorkers() {
  // The long-lived threads are joined before anything they use is
  // released, so none of them acts on a closing window.
  StopThreads();
  // A save under way stops and removes its partial file, so that a signal
  // during a long save ends the process at once and leaves no half file.
  m_save.Close();
}

}  // namespace zephyn
