// Connection control: the open/close button, the selection changes of the
// port, rate and flow lists, and the requests that open the port and close
// the window's state. The requests run one after another on the connection
// worker; the caption of the open/close button is the connection state.
#include <cstring>
#include <optional>

#include "common/instructions.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "serial/device_access.h"
#include "serial/port_list.h"
#include "serial/serial_config.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

bool CZephynDlg::PortShownOpen() const {
  return m_controls.text(kOpenClose) == Text(TextId::kCloseCaption);
}

bool CZephynDlg::NoPortListed() const {
  return m_controls.text(kPortList) == Text(TextId::kNoPort);
}

QString CZephynDlg::SelectedPort() const {
  return m_controls.itemText(kPortList, m_controls.curSel(kPortList));
}

void CZephynDlg::OnOpenCloseClicked() {
  if (PortShownOpen()) {
    ClosePort();
  } else {
    StartOpenThread();
  }
}

void CZephynDlg::OnPortSelChange() {
  // The user's choice replaces a port that went away.
  ForgetMissingPort();
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

void CZephynDlg::OpenPortWorker(OpenBy by) {
  StopActivities();
  if (g_comPort.IsOpen()) g_comPort.Close();
  // Send file comes back with a file that was read.
  if (m_fileTransfer.Loaded()) m_controls.setEnabled(kSendFile, true);

  // Only a device the list shows selected is ever opened.
  const QString port = SelectedPort();
  if (port.isEmpty() || NoPortListed()) return;
  const QString rate = m_controls.text(kBaudRate);
  // A rate left empty (a baud detection that found none) waits for the
  // user's choice: the program's own open has nothing to say about it.
  if (by == OpenBy::Program && rate.trimmed().isEmpty()) return;
  const std::string path = PortPath(port.toStdString());
  // The rate must be a whole number the port can be set to: "Auto", an
  // empty box, "-5" or "99999999999" open nothing and say so.
  const std::optional<std::uint32_t> baud = ParseBaudRate(rate.toStdString());
  const int flow = m_controls.curSel(kFlowControl);
  if (baud && g_comPort.Open(path, *baud, 0, 8, 0, flow)) {
    ForgetMissingPort();
    m_openedRate = rate;
    // The caption last: it tells that the port is open, so whoever reads it
    // finds the controls already in the open look.
    EnableSendControls(1);
    m_controls.setText(kOpenClose, Text(TextId::kCloseCaption));
    return;
  }
  EnableSendControls(0);
  m_controls.setText(kOpenClose, Text(TextId::kOpenCaption));
  ReportOpenFailure(path, rate, baud ? g_comPort.LastError() : PortError::None,
                    g_comPort.LastErrno(), by);
}

void CZephynDlg::ClosePortWorker() {
  // The live log ends with the port.
  m_liveLog.Stop();
  EnableSendControls(0);
  m_controls.setEnabled(kPortList, true);
  m_controls.setEnabled(kChooseFile, false);
  m_controls.setEnabled(kSendFile, false);
  const bool noPort = NoPortListed();
  for (int id : {kBaudRate, kOpenClose, kFlowControl}) m_controls.setEnabled(id, !noPort);
  // The caption last, as after an open: the closed look is complete when it
  // says so.
  m_controls.setText(kOpenClose, Text(TextId::kOpenCaption));
}

void CZephynDlg::ReportOpenFailure(const std::string& path, const QString& rate, PortError error,
                                   int err, OpenBy by) {
  // Every open that failed says why, once: the port stays closed and the
  // button's caption alone would not tell a busy device from a mistyped
  // rate. PortError::None stands for a rate that is no rate.
  const QString device = QString::fromStdString(path);
  auto message = [&](std::uint16_t id) { return Text(id).arg(device); };
  QString text;
  switch (error) {
    case PortError::None:
      text = message(TextId::kOpenRateInvalid).arg(rate);
      break;
    case PortError::Permission:
      text = PermissionAdvice(path, device);
      break;
    case PortError::Busy:
      text = message(TextId::kOpenBusy);
      break;
    case PortError::NotSerial:
      text = message(TextId::kOpenNotSerial);
      break;
    case PortError::NotFound:
      text = message(TextId::kOpenNoDevice);
      break;
    case PortError::Unsupported:
      text = message(TextId::kOpenRateRefused).arg(rate.trimmed());
      break;
    case PortError::Failed:
      text = message(TextId::kOpenFailed).arg(QString::fromLocal8Bit(std::strerror(err)));
      break;
  }
  if (by == OpenBy::User) {
    PostWarning(text, QString());
    return;
  }
  // Nobody asked for this open: no box comes up, the pane keeps the reason.
  AddPaneNote(QStringLiteral("[%1]").arg(text.replace(QLatin1Char('\n'), QLatin1Char(' '))));
}

QString CZephynDlg::PermissionAdvice(const std::string& path, const QString& device) const {
  // The commonest reason on Linux, and the cure is not obvious: which group
  // to join, or, when no group may open the device, how to give it one.
  const std::optional<DeviceAccess> access = ReadDeviceAccess(path);
  const PermissionCure cure = access ? access->cure : PermissionCure::kUnknown;
  switch (cure) {
    case PermissionCure::kJoinGroup:
      return Text(TextId::kOpenNoPermission).arg(device, QString::fromStdString(access->group));
    case PermissionCure::kOwnerOnly:
      return Text(TextId::kOpenOwnerOnly)
          .arg(device, QString::fromStdString(access->owner),
               QString::fromStdString(access->kernelName));
    case PermissionCure::kUnknown:
      break;
  }
  return Text(TextId::kOpenFailed).arg(device, QString::fromLocal8Bit(std::strerror(EACCES)));
}

void CZephynDlg::PostWarning(const QString& text, const QString& caption) {
  m_controls.post([this, text, caption] {
    Prompts().messageBox(this, text, caption.isEmpty() ? AppTitle() : caption, QMessageBox::Ok,
                         QMessageBox::Warning);
  });
}

}  // namespace zephyn
