// Connection control: the open/close button and the selection changes of the
// port, rate and flow lists, forwarded to the session as the user's choice.
// Whether the port is open is the session's state as last drawn, never the
// button's caption.
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "panels/quick_send.h"
#include "resources/control_ids.h"
#include "session/open_failure_text.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

bool CZephynDlg::NoPortListed() const {
  return m_controls.text(kPortList) == Text(TextId::kNoPort);
}

QString CZephynDlg::SelectedPort() const {
  return m_controls.itemText(kPortList, m_controls.curSel(kPortList));
}

PortChoice CZephynDlg::Choice() const {
  // Only a device the list shows selected is ever opened: the placeholder
  // stands for none.
  const QString port = NoPortListed() ? QString() : SelectedPort();
  return {port.toStdString(), ToGbk(m_controls.text(kBaudRate)),
          m_controls.curSel(kFlowControl)};
}

std::vector<std::string> CZephynDlg::RateEntries() const {
  std::vector<std::string> rates;
  for (int i = 0; i < m_controls.count(kBaudRate); ++i)
    rates.push_back(ToGbk(m_controls.itemText(kBaudRate, i)));
  return rates;
}

void CZephynDlg::OnOpenCloseClicked() {
  if (m_state.connection == Connection::Open) {
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
  // The automatic entry starts the rate detection; a second choice while
  // one runs is ignored.
  const PortChoice choice = Choice();
  m_session.Detect(choice.port, choice.flow, RateEntries());
}

void CZephynDlg::OnFlowSelChange() {
  StartOpenThread();
}

void CZephynDlg::StartOpenThread() {
  m_session.Open(Choice());
}

void CZephynDlg::ClosePort() {
  m_session.Close();
}

void CZephynDlg::OnOpenFailed(const OpenFailure& failure) {
  // Every open the user asked for that failed says why, once: the port
  // stays closed and the caption alone would not tell a busy device from a
  // mistyped rate.
  const QString text = QString::fromStdString(OpenFailureText(failure, m_language));
  PostBox([this, text] {
    Prompts().messageBox(this, text, AppTitle(), QMessageBox::Ok, QMessageBox::Warning);
  });
}

void CZephynDlg::PostWarning(const QString& text, const QString& caption) {
  PostBox([this, text, caption] {
    Prompts().messageBox(this, text, caption.isEmpty() ? AppTitle() : caption, QMessageBox::Ok,
                         QMessageBox::Warning);
  });
}

}  // namespace zephyn
