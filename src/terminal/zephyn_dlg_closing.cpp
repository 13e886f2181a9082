// The closing order of the main window. Every way of closing it (the close
// box, Alt+F4, Escape, a termination signal) ends in reject(), which runs the
// order once.
#include "panels/more_str_send.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::reject() {
  if (m_closingRuns == 0) OnClose();
  QDialog::reject();
}

void CZephynDlg::OnClose() {
  ++m_closingRuns;
  StopWorkers();
  StopSending();
  // The settings file, and the pane menu's choices beside it.
  SavePaneOptions(SaveSettings());
  // The port, and the live log that follows it.
  if (g_comPort.IsOpen()) g_comPort.Close();
  m_liveLog.Stop();
  // Only saved copies outlive the run.
  m_record.DeleteCapture();
}

void CZephynDlg::StopWorkers() {
  // The long-lived threads are joined before anything they use is
  // released, so none of them acts on a closing window.
  StopThreads();
  // A save under way stops and removes its partial file, so that a signal
  // during a long save ends the process at once and leaves no half file.
  m_save.Close();
  // An open or close request under way finishes (a baud detection, told to
  // stop by StopThreads, at its next wait), and the ones still waiting are
  // dropped, before the port is closed, so none reopens it behind the
  // closing window.
  m_connection.Shutdown();
}

void CZephynDlg::StopSending() {
  // A file being sent stops with its statistics; a paused one's sender has
  // ended or ends here. Then the multi-string cycle, and the timed send
  // with its tick under way.
  if (m_fileTransfer.Sending()) FinishFileSend(TextId::kSendStopped);
  m_fileTransfer.End();
  if (m_moreStrSend != nullptr && m_moreStrSend->CycleRunning()) m_moreStrSend->StopCycle();
  KillTimedSendTimer();
}

}  // namespace zephyn
