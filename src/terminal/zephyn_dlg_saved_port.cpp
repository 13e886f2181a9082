// The port a run ends with is the one the next run opens by itself, and only
// that one: the settings file names it, and at start-up the session opens it
// when the port list holds it (otherwise the pane says it is not there and,
// with the pane menu's reopen choice on, it opens when its device appears).
// Captures that runs which ended without closing left behind are kept under
// names of their own and told once.
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

void CZephynDlg::RestoreLastSession() {
  LoadPaneOptions();
  const QString saved = LoadSettings().value_or(QString());
  const std::vector<std::string> recovered = m_session.Start(
      saved.toStdString(), ToGbk(m_controls.text(kBaudRate)), m_controls.curSel(kFlowControl));
  DrawPorts(m_session.Ports());
  // The saved port shows selected while the session opens it.
  for (int i = 0; i < m_controls.count(kPortList); ++i)
    if (!saved.isEmpty() && m_controls.itemText(kPortList, i) == saved)
      m_controls.setCurSel(kPortList, i);
  DrawState();
  KeepCapturesOfEndedRuns(recovered);
}

std::vector<QString> CZephynDlg::paneNotes() const {
  std::vector<QString> notes;
  for (const std::string& note : m_session.PaneNotes()) notes.push_back(QString::fromStdString(note));
  return notes;
}

}  // namespace zephyn
