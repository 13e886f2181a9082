// The send path: SendBytes, the one write primitive of the window, the input
// box's bytes kept ready at every edit, Send with the multi-instruction mode,
// and the Hex and New line check boxes.
#include "common/instructions.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "dialogs/window_thread.h"
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

const std::uint8_t kCrLf[] = {'\r', '\n'};

}  // namespace

void CZephynDlg::SendBytes(Bytes bytes) {
  m_session.Send(std::move(bytes));
}

std::string CZephynDlg::InputText() const {
  // The box keeps line breaks as "\n"; what it stands for has CR LF, as a
  // typed line break sends.
  QString text = m_controls.text(kInput);
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return ToGbk(text);
}

void CZephynDlg::RebuildSendBuf() {
  const std::string text = InputText();
  m_sendBuf = m_controls.checked(kHexInput) ? HexToBytes(text) : TextToBytes(text);
}

void CZephynDlg::OnSend() {
  const std::string text = InputText();
  if (text.empty()) return;

  {
    std::string first;
    if (m_session.LoadInstructions(text, &first) == CutResult::TooMany) {
      // The input is refused whole: nothing is sent, nothing is left to send.
      Prompts().messageBox(this, Text(TextId::kTooManyInstructions, m_language), AppTitle(),
                           QMessageBox::Ok, QMessageBox::Warning);
      return;
    }
    if (!first.empty()) {
      m_sendBuf.assign(first.begin(), first.end());
      m_sendBuf.insert(m_sendBuf.end(), kCrLf, kCrLf + 2);
        }
  }

  if (m_controls.checked(kNewLine)) {
    Bytes withNewLine = m_sendBuf;
    withNewLine.insert(withNewLine.end(), kCrLf, kCrLf + 2);
    SendBytes(std::move(withNewLine));
  } else {
    SendBytes(m_sendBuf);
  }
}

void CZephynDlg::OnHexSendClicked() {
  if (m_sendBuf.empty()) return;
  const std::string converted = m_controls.checked(kHexInput)
                                    ? BytesToHex(m_sendBuf.data(), m_sendBuf.size())
                                    : BytesToText(m_sendBuf.data(), m_sendBuf.size());
  // Setting the text rebuilds the send buffer in the new mode.
  m_controls.setText(kInput, FromGbk(converted));
}

Bytes CZephynDlg::TimedPayloadOfInput() const {
  Bytes payload = m_sendBuf;
  if (m_controls.checked(kNewLine)) payload.insert(payload.end(), kCrLf, kCrLf + 2);
  return payload;
}

void CZephynDlg::OnNewLineClicked() {
  // A tick that is sending the old payload goes on with it.
  m_session.SetTimedPayload(TimedPayloadOfInput());
}

std::shared_ptr<const Bytes> CZephynDlg::TimedSendPayload() const {
  return m_session.TimedPayload();
}

}  // namespace zephyn
