// Connection control: the open/close button 1053, the selection changes of
// the port, rate and flow lists, and the workers that open the port and
// close the window's state. The caption of 1053 is the connection state.
#include "common/instructions.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "serial/com_port.h"
#include "serial/port_list.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::OnOpenCloseClicked() {
  if (m_controls.text(1053) == Text(1)) {
    ClosePort();
  } else {
    StartOpenThread();
  }
}

void CZephynDlg::OnPortSelChange() {
  m_quickSend->ClearResults();
  StartOpenThread();
}

void CZephynDlg::OnBaudSelChange() {
  // TODO(auto-baud): position 0 starts the automatic baud detection; until
  // then it opens like any other entry and fails, its text being no number.
  StartOpenThread();
}

void CZephynDlg::OnFlowSelChange() {
  StartOpenThread();
}

void CZephynDlg::StartOpenThread() {
  m_workers.Start([this] { OpenPortWorker(); });
}

void CZephynDlg::ClosePort() {
  StopActivities();
  if (g_comPort.IsOpen()) g_comPort.Close();
  m_workers.Start([this] { ClosePortWorker(); });
}

void CZephynDlg::StopActivities() {
  m_fileSending = 0;
  // TODO(timed-send): kill the timed-send timer.
  m_timedSendTimer = 0;
  // TODO(multi-string): stop the multi-string cycle.
  if (m_moreStrSend != nullptr) m_moreStrSend->m_cycleTimer = 0;
}

void CZephynDlg::OpenPortWorker() {
  StopActivities();
  if (g_comPort.IsOpen()) g_comPort.Close();
  if (m_controls.text(1118) != Text(29)) m_controls.setEnabled(10005, true);

  const QString port = m_controls.text(1006);
  if (port == Text(4)) return;
  const QString rate = m_controls.text(1007);
  if (rate.isEmpty()) return;

  // The rate reads like atoi: leading digits, so "Auto" gives 0, which no
  // device accepts.
  const std::string path = PortPath(port.toStdString());
  const auto baud = std::uint32_t(LeadingInt(rate.toStdString()));
  const int flow = m_controls.curSel(1008);
  if (g_comPort.Open(this, path, baud, 0, 8, 0, flow)) {
    m_controls.setText(1053, Text(1));
    EnableSendControls(1);
  } else {
    m_controls.setText(1053, Text(0));
    EnableSendControls(0);
    if (g_comPort.LastError() == PortError::Permission) ReportOpenFailure(path);
  }
}

void CZephynDlg::ClosePortWorker() {
  m_controls.setText(1053, Text(0));
  EnableSendControls(0);
  m_controls.setEnabled(1006, true);
  m_controls.setEnabled(10004, false);
  m_controls.setEnabled(10005, false);
  const bool noPort = m_controls.text(1006) == Text(4);
  for (int id : {1007, 1053, 1008}) m_controls.setEnabled(id, !noPort);
}

void CZephynDlg::ReportOpenFailure(const std::string& path) {
  // A device the user may not open is the commonest reason an open fails on
  // Linux, and the cure is not obvious: say which group to join, once per
  // device and run.
  {
    std::lock_guard lock(m_reportLock);
    if (!m_permissionReported.insert(path).second) return;
  }
  std::string group = DeviceGroup(path);
  if (group.empty()) group = "dialout";
  const QString device = QString::fromStdString(path);
  const QString groupName = QString::fromStdString(group);
  const QString text =
      m_language == Language::ZhCN
          ? QStringLiteral(
                "无法打开 %1：没有访问权限。\n请把当前用户加入“%2”组"
                "（例如 sudo usermod -aG %2 $USER），然后注销并重新登录。")
                .arg(device, groupName)
          : QStringLiteral(
                "Cannot open %1: permission denied.\nAdd your user to the group "
                "\"%2\" (for example: sudo usermod -aG %2 $USER), then log out and "
                "log in again.")
                .arg(device, groupName);
  PostWarning(text, QString());
}

void CZephynDlg::PostWarning(const QString& text, const QString& caption) {
  m_controls.post([this, text, caption] {
    Prompts().messageBox(this, text, caption.isEmpty() ? windowTitle() : caption, QMessageBox::Ok,
                         QMessageBox::Warning);
  });
}

}  // namespace zephyn
