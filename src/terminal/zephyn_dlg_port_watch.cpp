// The port watch: every 3 seconds the port list is compared with the system's
// and updated in place, keeping the user's choice; a selected device that has
// gone closes the port and, if it was open, the user is told.
#include <chrono>

#include "dialogs/gbk_string.h"
#include "panels/more_str_send.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::PortWatchThread() {
  while (!m_stopWait.SleepUnless(m_stopPortWatch, std::chrono::milliseconds(3000))) {
    // While the user has the list dropped down it must not change under the
    // pointer; the rhythm goes on.
    if (m_portWatchEnabled == 0) continue;
    PortWatchPass();
  }
}

void CZephynDlg::PortWatchPass() {
  const QString before = m_controls.text(1006);
  const std::vector<std::string> names = EnumeratePorts(50);
  int n = 0;
  while (n < int(names.size()) && !names[n].empty()) ++n;

  bool same = n == m_portCount && n != 0;
  for (int i = 0; same && i < n; ++i) same = names[i] == m_portNames[i];
  if (same) return;
  for (int i = 0; i < 50; ++i) m_portNames[i] = i < n ? names[i] : std::string();
  m_portCount = n;

  // In place: entries that stay are neither removed nor added again, so an
  // unchanged entry does not flicker and the selection stays on its device.
  for (int j = 0; j < m_controls.count(1006);) {
    if (j >= n || m_controls.itemText(1006, j) != QString::fromStdString(names[j])) {
      m_controls.removeItem(1006, j);
    } else {
      ++j;
    }
  }
  bool found = false;
  for (int i = 0; i < n; ++i) {
    const QString name = QString::fromStdString(names[i]);
    if (m_controls.count(1006) <= i) m_controls.addItem(1006, name);
    if (name == before) {
      m_controls.setCurSel(1006, i);
      found = true;
    }
  }

  if (!found) {
    m_controls.setText(1053, Text(0));
    EnableSendControls(0);
    m_controls.setEnabled(1011, true);
    // TODO(file-send): stop an active file transfer.
    if (g_comPort.IsOpen()) {
      // TODO(timed-send): end a running timed send first.
      ClosePort();
      if (before != Text(4)) {
        // Shown on the window's thread; the watch goes on meanwhile.
        PostWarning(QStringLiteral("%1 %2 %3").arg(Text(3), before, Text(5)), Text(7));
      }
    }
    if (m_controls.count(1006) > 0) m_controls.setCurSel(1006, 0);
  }

  if (m_controls.text(1006) == Text(4)) {
    for (int id : {1007, 1008, 1053, 1009}) m_controls.setEnabled(id, false);
  } else if (m_timedSendTimer == 0 && m_fileTransferActive == 0 &&
             (m_moreStrSend == nullptr || m_moreStrSend->m_cycleTimer == 0)) {
    for (int id : {1007, 1008, 1053, 1009}) m_controls.setEnabled(id, true);
  }
}

}  // namespace zephyn
