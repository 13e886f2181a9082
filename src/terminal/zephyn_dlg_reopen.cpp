// Reopening a port whose device came back: with the pane menu's choice on, a
// port that vanished while open is remembered with its rate and flow control
// (so is a saved port that was not there at start-up); when the port watch
// lists the device again within the limit (10 minutes in the program) and no
// other port was opened meanwhile, the connection worker opens it as it was.
// The drop was told once, when it happened; the reopen is marked by one line
// with both times. The lines the program writes into the receive pane go
// through AddPaneNote.
#include <algorithm>

#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

void CZephynDlg::NoteLostPort(const QString& port) {
  if (m_reopenOnReturn == 0) {
    m_lostPort.reset();
    return;
  }
  m_lostPort = LostPort{port, m_controls.text(kBaudRate), m_controls.curSel(kFlowControl),
                        std::chrono::steady_clock::now(), WallClock::now()};
}

void CZephynDlg::ReopenReturnedPort() {
  if (!m_lostPort) return;
  if (m_reopenOnReturn == 0 ||
      std::chrono::steady_clock::now() - m_lostPort->at > m_options.reopenLimit) {
    m_lostPort.reset();
    return;
  }
  const std::string name = m_lostPort->name.toStdString();
  if (std::find(m_portNames.begin(), m_portNames.end(), name) == m_portNames.end()) return;
  const LostPort lost = *m_lostPort;
  m_lostPort.reset();
  m_connection.Post([this, lost] { ReopenWorker(lost); });
}

void CZephynDlg::ReopenWorker(const LostPort& lost) {
  // The user opened a port meanwhile: that choice stands.
  if (g_comPort.IsOpen()) return;
  int entry = -1;
  for (int i = 0; i < m_controls.count(kPortList); ++i)
    if (m_controls.itemText(kPortList, i) == lost.name) entry = i;
  if (entry < 0) return;  // gone again before its turn
  m_controls.setCurSel(kPortList, entry);
  int rate = -1;
  for (int i = 0; i < m_controls.count(kBaudRate); ++i)
    if (m_controls.itemText(kBaudRate, i) == lost.rate) rate = i;
  if (rate >= 0) {
    m_controls.setCurSel(kBaudRate, rate);
  } else {
    m_controls.setText(kBaudRate, lost.rate);  // a rate typed into the box
  }
  m_controls.setCurSel(kFlowControl, lost.flow);
  OpenPortWorker(OpenBy::Program);
  if (!g_comPort.IsOpen()) return;
  const bool zh = m_language == Language::ZhCN;
  const QString now = QString::fromStdString(ClockText(WallClock::now()));
  if (!lost.wallAt) {
    AddPaneNote(zh ? QStringLiteral("[%1 已接入，%2 打开]").arg(lost.name, now)
                   : QStringLiteral("[%1 appeared, opened %2]").arg(lost.name, now));
    return;
  }
  AddPaneNote(QStringLiteral("[%1 %2, %3 %4]")
                  .arg(zh ? QStringLiteral("断开") : QStringLiteral("disconnected"),
                       QString::fromStdString(ClockText(*lost.wallAt)),
                       zh ? QStringLiteral("重新打开") : QStringLiteral("reopened"), now));
}

void CZephynDlg::AddPaneNote(const QString& line) {
  // The line goes into the record before the count that makes the pane
  // redraw with it grows.
  m_record.MarkGap(line.toStdString());
  {
    std::lock_guard lock(m_notesLock);
    m_paneNotes.push_back(line);
  }
  m_refresher.MarkDirty();
}

std::vector<QString> CZephynDlg::paneNotes() const {
  std::lock_guard lock(m_notesLock);
  return m_paneNotes;
}

}  // namespace zephyn
