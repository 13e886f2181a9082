// The send path: SendBytes, the one write primitive of the window, the input
// box's bytes kept ready at every edit, Send with the multi-instruction mode
// (each send kept in the input history), and the Hex and New line check
// boxes, New line appending the line end the input box's menu chose.
#include "common/instructions.h"
#include "common/line_end.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "dialogs/window_thread.h"
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

// The multi-instruction mode's line end, whatever was chosen: the module's
// command protocol needs it.
constexpr std::string_view kCrLf = "\r\n";

void Append(Bytes& bytes, std::string_view end) {
  bytes.insert(bytes.end(), end.begin(), end.end());
}

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

  // The box's bytes, or in the multi-instruction mode its first
  // instruction. The box's own bytes stay as they are: the Hex box and the
  // timed send still take the whole input.
  Bytes bytes = m_sendBuf;
  std::string_view lineEnd = LineEndBytes(m_paneOptions.lineEnd);
  {
    std::string first;
    if (m_session.LoadInstructions(text, &first) == CutResult::TooMany) {
      // The input is refused whole: nothing is sent, nothing is left to send.
      Prompts().messageBox(this, Text(TextId::kTooManyInstructions, m_language), AppTitle(),
                           QMessageBox::Ok, QMessageBox::Warning);
      return;
    }
    if (!first.empty()) {
      bytes.assign(first.begin(), first.end());
      Append(bytes, kCrLf);
      lineEnd = kCrLf;
    }
  }

  m_paneOptions.inputs.Add({ToGbk(m_controls.text(kInput)), m_controls.checked(kHexInput)});
  if (m_controls.checked(kNewLine)) Append(bytes, lineEnd);
  SendBytes(std::move(bytes));
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
  if (m_controls.checked(kNewLine)) Append(payload, LineEndBytes(m_paneOptions.lineEnd));
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
