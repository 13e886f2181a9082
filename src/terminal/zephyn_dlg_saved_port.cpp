// The port a run ends with is the one the next run opens by itself, and only
// that one: the settings file names it, and at start-up it is opened when the
// port list holds it. A port the list does not hold is never replaced by
// another entry (opening a device nobody chose would set its rate and raise
// its DTR and RTS lines); the pane says it is not there and, with the pane
// menu's reopen choice on, it opens when its device appears. While the
// chosen port is away the settings file goes on naming it.
#include "common/text_ids.h"
#include "common/texts.h"
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

// The placeholder of an empty port list, as either language wrote it.
bool IsNoPortText(const QString& name) {
  for (Language language : {Language::ZhCN, Language::EnUS})
    if (name == QString::fromStdString(LoadTextUtf8(TextId::kNoPort, language))) return true;
  return false;
}

}  // namespace

void CZephynDlg::RestoreLastSession() {
  LoadPaneOptions();
  if (const std::optional<QString> port = LoadSettings()) OpenSavedPort(*port);
}

void CZephynDlg::OpenSavedPort(const QString& port) {
  if (port.isEmpty() || IsNoPortText(port)) return;
  for (int i = 0; i < m_controls.count(kPortList); ++i) {
    if (m_controls.itemText(kPortList, i) == port) {
      m_controls.setCurSel(kPortList, i);
      m_connection.Post([this] { OpenPortWorker(OpenBy::Program); });
      return;
    }
  }
  NoteMissingPort(port, false);
  const bool reopen = m_reopenOnReturn != 0;
  const bool zh = m_language == Language::ZhCN;
  QString line = zh ? QStringLiteral("[上次使用的串口 %1 不存在").arg(port)
                    : QStringLiteral("[the saved port %1 is not present").arg(port);
  if (reopen)
    line += zh ? QStringLiteral("，接入后自动打开") : QStringLiteral("; it opens when it appears");
  AddPaneNote(line + QLatin1Char(']'));
  if (reopen)
    m_lostPort = LostPort{port, m_controls.text(kBaudRate), m_controls.curSel(kFlowControl),
                          std::chrono::steady_clock::now(), std::nullopt};
}

void CZephynDlg::NoteMissingPort(const QString& port, bool keepEarlier) {
  std::lock_guard lock(m_missingPortLock);
  if (keepEarlier && !m_missingPort.isEmpty()) return;
  m_missingPort = port;
}

void CZephynDlg::ForgetMissingPort() {
  std::lock_guard lock(m_missingPortLock);
  m_missingPort.clear();
}

QString CZephynDlg::PortToSave() const {
  {
    std::lock_guard lock(m_missingPortLock);
    if (!m_missingPort.isEmpty()) return m_missingPort;
  }
  return m_controls.text(kPortList);
}

}  // namespace zephyn
