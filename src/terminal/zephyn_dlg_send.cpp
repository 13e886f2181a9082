// The send path: SendBytes, the one write primitive of the window, the input
// box's bytes kept ready at every edit, Send with the multi-instruction mode,
// and the Hex and New line check boxes.
#include "common/instructions.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "dialogs/window_thread.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

const std::uint8_t kCrLf[] = {'\r', '\n'};

}  // namespace

int CZephynDlg::SendBytes(const std::uint8_t* bytes, std::int32_t count) {
  if (!g_comPort.Write(bytes, count)) return 0;
  // One unit in the record: concurrent senders never lose a count and their
  // echoes never interleave.
  const TrafficCounters tx = m_record.RecordSent(bytes, count);
  m_txSpeedBytes += count;
  // A send from the window (the user's) shows its count at once; repeated
  // sends of the timers and the AT instructions are drawn at the refresh
  // thread's pace.
  if (IsWindowThread()) ShowCounters(kTxCounters, tx);
  m_refresher.MarkDirty();
  return 1;
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
  const Bytes bytes = m_controls.checked(kHexInput) ? HexToBytes(text) : TextToBytes(text);
  m_sendBuf.assign(bytes.begin(), bytes.end());
  m_sendLen = std::int32_t(m_sendBuf.size());
}

void CZephynDlg::OnSend() {
  const std::string text = InputText();
  if (text.empty()) return;

  m_instructions.Reset();
  if (m_instructions.Enabled()) {
    std::string first;
    if (m_instructions.Load(text, &first) == CutResult::TooMany) {
      // The input is refused whole: nothing is sent, nothing is left to send.
      Prompts().messageBox(this, Text(TextId::kTooManyInstructions, m_language), AppTitle(),
                           QMessageBox::Ok, QMessageBox::Warning);
      return;
    }
    if (!first.empty()) {
      m_sendBuf.assign(first.begin(), first.end());
      m_sendBuf.insert(m_sendBuf.end(), kCrLf, kCrLf + 2);
      m_sendLen = std::int32_t(m_sendBuf.size());
    }
  }

  if (m_controls.checked(kNewLine)) {
    Bytes withNewLine(m_sendBuf.begin(), m_sendBuf.begin() + m_sendLen);
    withNewLine.insert(withNewLine.end(), kCrLf, kCrLf + 2);
    SendBytes(withNewLine.data(), std::int32_t(withNewLine.size()));
  } else {
    SendBytes(m_sendBuf.data(), m_sendLen);
  }
}

void CZephynDlg::OnHexSendClicked() {
  if (m_sendLen == 0) return;
  const std::string converted = m_controls.checked(kHexInput)
                                    ? BytesToHex(m_sendBuf.data(), std::size_t(m_sendLen))
                                    : BytesToText(m_sendBuf.data(), std::size_t(m_sendLen));
  // Setting the text rebuilds the send buffer in the new mode.
  m_controls.setText(kInput, FromGbk(converted));
}

void CZephynDlg::OnNewLineClicked() {
  auto payload = std::make_shared<Bytes>(m_sendBuf.begin(), m_sendBuf.begin() + m_sendLen);
  if (m_controls.checked(kNewLine)) payload->insert(payload->end(), kCrLf, kCrLf + 2);
  // A tick that is sending the old payload holds its own reference to it.
  std::lock_guard lock(m_timedSendLock);
  m_timedSendBuf = std::move(payload);
}

std::shared_ptr<const Bytes> CZephynDlg::TimedSendPayload() const {
  std::lock_guard lock(m_timedSendLock);
  return m_timedSendBuf;
}

}  // namespace zephyn
