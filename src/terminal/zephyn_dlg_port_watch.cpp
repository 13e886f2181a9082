// The port watch: at every round (3 seconds) the port list is compared with
// the system's and updated in place, keeping the user's choice; a selected
// device that has gone closes the port and, if it was open, the user is told.
#include "common/text_ids.h"
#include "common/thread_name.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "panels/more_str_send.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

constexpr std::size_t kWatchCapacity = 50;

}  // namespace

void CZephynDlg::PortWatchThread() {
  NameThisThread("port-watch");
  while (!m_stopWait.SleepUnless(m_stopPortWatch, m_options.portWatchPeriod)) {
    ++m_portWatchRounds;
    // While the user has the list dropped down it must not change under the
    // pointer; the rhythm goes on.
    if (m_portWatchEnabled == 0) continue;
    PortWatchPass();
    ReopenReturnedPort();
  }
}

void CZephynDlg::PortWatchPass() {
  const QString before = m_controls.text(kPortList);
  std::vector<std::string> names = EnumeratePorts(kWatchCapacity);
  std::size_t n = 0;
  while (n < names.size() && !names[n].empty()) ++n;
  names.resize(n);
  if (n != 0 && names == m_portNames) return;
  m_portNames = names;

  // In place: entries that stay are neither removed nor added again, so an
  // unchanged entry does not flicker and the selection stays on its device.
  for (int j = 0; j < m_controls.count(kPortList);) {
    if (j >= int(n) || m_controls.itemText(kPortList, j) != QString::fromStdString(names[j])) {
      m_controls.removeItem(kPortList, j);
    } else {
      ++j;
    }
  }
  bool found = false;
  for (int i = 0; i < int(n); ++i) {
    const QString name = QString::fromStdString(names[i]);
    if (m_controls.count(kPortList) <= i) m_controls.addItem(kPortList, name);
    if (name == before) {
      m_controls.setCurSel(kPortList, i);
      found = true;
    }
  }
  if (found) {
    FinishPortWatchPass(false);
    return;
  }
  // The chosen device went away: the settings file goes on naming it, unless
  // it already names one that went away before (the entry selected meanwhile
  // was not the user's choice).
  if (!before.isEmpty() && before != Text(TextId::kNoPort)) NoteMissingPort(before, true);

  m_controls.setText(kOpenClose, Text(TextId::kOpenCaption));
  EnableSendControls(0);
  m_controls.setEnabled(kInterval, true);
  // A transfer under way ends with its statistics.
  if (m_fileTransferActive != 0) FinishFileSend(TextId::kSendStopped);
  if (!g_comPort.IsOpen()) {
    FinishPortWatchPass(true);
    return;
  }
  if (m_controls.checked(kTiming)) StartTimedSend(0);
  NoteLostPort(before);
  ClosePort();
  // The rest of the pass runs behind the close on the connection worker, so
  // the two never interleave; when the user is told, only once the box is
  // closed. The watch itself goes on meanwhile.
  if (before == Text(TextId::kNoPort)) {
    m_connection.Post([this] { FinishPortWatchPass(true); });
    return;
  }
  const QString text = QStringLiteral("%1 %2 %3")
                           .arg(Text(TextId::kPortWord), before, Text(TextId::kDisconnectWord));
  m_controls.post([this, text] {
    Prompts().messageBox(this, text, Text(TextId::kPortLostCaption), QMessageBox::Ok,
                         QMessageBox::Warning);
    // A port reopened while the box was open keeps its entry.
    m_connection.Post([this] { FinishPortWatchPass(!g_comPort.IsOpen()); });
  });
}

void CZephynDlg::FinishPortWatchPass(bool selectFirst) {
  if (selectFirst && m_controls.count(kPortList) > 0) m_controls.setCurSel(kPortList, 0);
  // The controls that need a port; a timed send, a file transfer or a cycle
  // that runs keeps them as they are.
  if (NoPortListed()) {
    for (int id : {kBaudRate, kFlowControl, kOpenClose, kSave}) m_controls.setEnabled(id, false);
  } else if (m_timedSendTimer == 0 && m_fileTransferActive == 0 &&
             (m_moreStrSend == nullptr || !m_moreStrSend->CycleRunning())) {
    for (int id : {kBaudRate, kFlowControl, kOpenClose, kSave}) m_controls.setEnabled(id, true);
  }
}

}  // namespace zephyn
