// Connection control: the open/close button, the selection changes of the
// port, rate and flow lists, and the requests that open the port and close
// the window's state. The requests run one after another on the connection
// worker; the caption of the open/close button is the connection state.
#include "common/instructions.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "serial/port_list.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

bool CZephynDlg::PortShownOpen() const {
  return m_controls.text(kOpenClose) == Text(TextId::kCloseCaption);
}

bool CZephynDlg::NoPortListed() const {
  return m_controls.text(kPortList) == Text(TextId::kNoPort);
}

void CZephynDlg::OnOpenCloseClicked() {
  if (PortShownOpen()) {
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
  if (m_controls.curSel(kBaudRate) != 0) {
    StartOpenThread();
    return;
  }
  // The automatic entry starts the baud detection. Only one runs at a time:
  // a second choice while one runs is ignored.
  if (m_autoBaudRunning.exchange(1) != 0) return;
  m_connection.Post([this] { AutoBaudWorker(); });
}

void CZephynDlg::OnFlowSelChange() {
  StartOpenThread();
}

void CZephynDlg::StartOpenThread() {
  m_connection.Post([this] { OpenPortWorker(); });
}

void CZephynDlg::ClosePort() {
  StopActivities();
  // The device is closed by the connection worker too: behind an open that
  // is still under way rather than beside it, and without the calling
  // thread waiting for the port's reader.
  m_connection.Post([this] {
    if (g_comPort.IsOpen()) g_comPort.Close();
    ClosePortWorker();
  });
}

void CZephynDlg::StopActivities() {
  // The sender ends at its next check, without the closing steps.
  m_fileTransfer.Pause();
  KillTimedSendTimer();
  if (m_moreStrSend != nullptr) m_moreStrSend->StopCycle();
}

void CZephynDlg::OpenPortWorker() {
  StopActivities();
  if (g_comPort.IsOpen()) g_comPort.Close();
  // Send file comes back with a file that was read.
  if (m_fileTransfer.Loaded()) m_controls.setEnabled(kSendFile, true);

  if (NoPortListed()) return;
  const QString port = m_controls.text(kPortList);
  const QString rate = m_controls.text(kBaudRate);
  if (rate.isEmpty()) return;

  // The rate reads like atoi: leading digits, so "Auto" gives 0, which no
  // device accepts.
  const std::string path = PortPath(port.toStdString());
  const auto baud = std::uint32_t(LeadingInt(rate.toStdString()));
  const int flow = m_controls.curSel(kFlowControl);
  if (g_comPort.Open(this, path, baud, 0, 8, 0, flow)) {
    m_openedRate = rate;
    m_controls.setText(kOpenClose, Text(TextId::kCloseCaption));
    EnableSendControls(1);
  } else {
    m_controls.setText(kOpenClose, Text(TextId::kOpenCaption));
    EnableSendControls(0);
    if (g_comPort.LastError() == PortError::Permission) ReportOpenFailure(path);
  }
}

void CZephynDlg::ClosePortWorker() {
  // The live log ends with the port.
  m_liveLog.Stop();
  m_controls.setText(kOpenClose, Text(TextId::kOpenCaption));
  EnableSendControls(0);
  m_controls.setEnabled(kPortList, true);
  m_controls.setEnabled(kChooseFile, false);
  m_controls.setEnabled(kSendFile, false);
  const bool noPort = NoPortListed();
  for (int id : {kBaudRate, kOpenClose, kFlowControl}) m_controls.setEnabled(id, !noPort);
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
    Prompts().messageBox(this, text, caption.isEmpty() ? AppTitle() : caption, QMessageBox::Ok,
                         QMessageBox::Warning);
  });
}

}  // namespace zephyn
