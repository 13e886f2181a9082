// What the session tells the window. The session reports on its workers;
// each report is posted to the window's thread and drawn there, in the order
// the session made them: the controls by the enablement rule, the rate box
// while a detection shows its entries, the port list in place, and the boxes
// that tell of a lost port or a failure. New traffic only marks the pane as
// behind: the refresh thread draws it at its pace.
#include <QFile>
#include <cstring>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "resources/control_ids.h"
#include "session/enablement.h"
#include "terminal/apply_control_states.h"
#include "terminal/status_strip.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

void CZephynDlg::OnStateChanged(const SessionState&) {
  // Always through the event loop, even from a command on this thread: the
  // session reports while it keeps its reports in order, and a draw run at
  // once could run a box queued before it, holding every worker's report
  // until the box closed.
  QMetaObject::invokeMethod(this, [this] { DrawState(); }, Qt::QueuedConnection);
}

void CZephynDlg::DrawState() {
  // Always the newest state: a report drawn late draws what holds now. A
  // control's change may run other posted reports within it (another state,
  // a box the window stays live behind); when this draw ends, whatever came
  // meanwhile is drawn over what it wrote, until the state holds still.
  ++m_drawDepth;
  SessionState state = m_session.State();
  for (;;) {
    DrawStateOnce(state);
    SessionState now = m_session.State();
    if (now == state) break;
    state = std::move(now);
  }
  --m_drawDepth;
}

void CZephynDlg::PostBox(std::function<void()> show) {
  m_controls.post([this, show = std::move(show)] { ShowBox(show); });
}

void CZephynDlg::ShowBox(const std::function<void()>& show) {
  // A box opened from within a draw of the state (a control's change runs
  // the posted tasks behind it) would hold the draw, and the look behind
  // the box, until it closed: it waits for the draw to end.
  if (m_drawDepth > 0) {
    QMetaObject::invokeMethod(this, [this, show] { ShowBox(show); }, Qt::QueuedConnection);
    return;
  }
  show();
}

void CZephynDlg::DrawStateOnce(const SessionState& state) {
  const bool detected = m_state.connection == Connection::Detecting;
  const bool cycled = m_state.cycle;
  const bool opened = state.connection == Connection::Open && m_state.connection != Connection::Open;
  m_state = state;
  // A port the session opened by itself (the saved one, one that came back)
  // shows selected, with the rate and flow control it was opened at.
  if (opened) DrawChoice(state);
  // The rate box shows each entry a detection tries, and the rate it ended
  // on (none when no entry drew an answer).
  if (state.connection == Connection::Detecting || detected) DrawRate(state.rate);
  // The file label names the file chosen last, read or not, or says that
  // none is chosen.
  const QString file = state.filePath.empty()
                           ? Text(TextId::kNoFileChosen, m_language)
                           : QFile::decodeName(QByteArray::fromStdString(state.filePath));
  if (m_controls.text(kFileLabel) != file) m_controls.setText(kFileLabel, file);
  Controls* page = m_moreStrSend != nullptr ? &m_moreStrSend->controls() : nullptr;
  ApplyControlStates(m_controls, page, Enablement(state));
  if (m_strip != nullptr) m_strip->Draw(StripTextsOf(state, m_language));
  // A cycle that starts takes the reply mode off.
  if (state.cycle && !cycled) m_controls.setChecked(kReplyMode, false);
}

void CZephynDlg::DrawChoice(const SessionState& state) {
  const QString port = QString::fromStdString(state.port);
  for (int i = 0; i < m_controls.count(kPortList); ++i)
    if (m_controls.itemText(kPortList, i) == port && m_controls.curSel(kPortList) != i)
      m_controls.setCurSel(kPortList, i);
  if (ToGbk(m_controls.text(kBaudRate)) != state.rate) DrawRate(state.rate);
  if (m_controls.curSel(kFlowControl) != state.flow) m_controls.setCurSel(kFlowControl, state.flow);
}

void CZephynDlg::DrawRate(const std::string& rate) {
  const QString text = FromGbk(rate);
  // Entry 0 is the automatic one, which no detection ends on.
  int entry = -1;
  for (int i = 1; i < m_controls.count(kBaudRate) && !text.isEmpty(); ++i)
    if (m_controls.itemText(kBaudRate, i) == text) entry = i;
  m_controls.setCurSel(kBaudRate, entry);
  // A rate typed into the box rather than a listed one.
  if (entry < 0 && !text.isEmpty()) m_controls.setText(kBaudRate, text);
}

void CZephynDlg::OnPortsChanged(const std::vector<std::string>& ports) {
  m_controls.post([this, ports] { DrawPorts(ports); });
}

void CZephynDlg::DrawPorts(const std::vector<std::string>& ports) {
  const QString before = m_controls.text(kPortList);
  const int n = int(ports.size());
  // In place: entries that stay are neither removed nor added again, so an
  // unchanged entry does not flicker and the selection stays on its device.
  for (int j = 0; j < m_controls.count(kPortList);) {
    if (j >= n || m_controls.itemText(kPortList, j) != QString::fromStdString(ports[j])) {
      m_controls.removeItem(kPortList, j);
    } else {
      ++j;
    }
  }
  bool found = false;
  for (int i = 0; i < n; ++i) {
    const QString name = QString::fromStdString(ports[i]);
    if (m_controls.count(kPortList) <= i) m_controls.addItem(kPortList, name);
    if (name == before) {
      m_controls.setCurSel(kPortList, i);
      found = true;
    }
  }
  // The chosen device went away: the first entry is selected, except while
  // the box that tells of a lost port is open or about to be (the open
  // port's device went): a port reopened meanwhile keeps its entry.
  const bool openPortWent =
      (m_state.connection == Connection::Open || m_state.connection == Connection::Lost) &&
      m_state.port == before.toStdString();
  if (!found && !m_lostBoxOpen && !openPortWent && m_controls.count(kPortList) > 0)
    m_controls.setCurSel(kPortList, 0);
  // The open port shows selected, also when its entry came after the open
  // was drawn.
  if (m_state.connection == Connection::Open) DrawChoice(m_state);
}

void CZephynDlg::OnPortLost(const std::string& port) {
  const QString name = QString::fromStdString(port);
  PostBox([this, name] {
    const QString text = QStringLiteral("%1 %2 %3")
                             .arg(Text(TextId::kPortWord), name, Text(TextId::kDisconnectWord));
    m_lostBoxOpen = true;
    Prompts().messageBox(this, text, Text(TextId::kPortLostCaption), QMessageBox::Ok,
                         QMessageBox::Warning);
    m_lostBoxOpen = false;
    SelectFirstUnlessReopened();
  });
}

void CZephynDlg::SelectFirstUnlessReopened() {
  const std::vector<std::string> ports = m_session.Ports();
  const std::string selected = SelectedPort().toStdString();
  for (const std::string& port : ports)
    if (port == selected) return;
  if (m_controls.count(kPortList) > 0) m_controls.setCurSel(kPortList, 0);
}

void CZephynDlg::OnTrafficChanged() {
  m_refresher.MarkDirty();
}

void CZephynDlg::OnAtAnswer(const std::string& text) {
  m_quickSend->ShowReply(text);
}

void CZephynDlg::OnSpillFailure(const SpillFailure& failure) {
  const QString reason = QString::fromLocal8Bit(std::strerror(failure.error));
  const QString file = QString::fromStdString(failure.path);
  PostWarning(Text(TextId::kSpillWriteFailed, m_language).arg(file, reason, BudgetText()),
              QString());
}

}  // namespace zephyn
