// The send path: SendBytes, the one write primitive of the window, the input
// box's bytes kept ready at every edit, Send with the multi-instruction mode,
// and the Hex and New line check boxes.
#include "common/instructions.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "serial/com_port.h"
#include "terminal/display_buffer.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {
namespace {

constexpr std::size_t kMaxInstructions = 20;
const std::uint8_t kCrLf[] = {'\r', '\n'};

}  // namespace

int CZephynDlg::SendBytes(const std::uint8_t* bytes, std::int32_t count) {
  if (!g_comPort.Write(bytes, count)) return 0;
  {
    // One unit: concurrent senders never lose a count and their echoes never
    // interleave.
    std::lock_guard lock(m_bufLock);
    m_txCount += 1;
    m_txBytes = std::int32_t(std::uint32_t(m_txBytes) + std::uint32_t(count));
    m_txCrc = Crc32Update(m_txCrc, bytes, std::uint32_t(count));
    AppendDirectionMarker(m_displayBuf.get(), m_displayLen, kBufSize, m_lastDirection, kSent);
    // An echo larger than the buffer keeps its newest bytes.
    AppendWithin(m_displayBuf.get(), m_displayLen, kBufSize, bytes, count);
    if (m_displayLen > kTrimSize) DropOldest(m_displayBuf.get(), m_displayLen, kTrimSize);
  }
  m_txSpeedBytes += count;
  ShowTxCounters();
  m_displayDirty = 1;
  return 1;
}

std::string CZephynDlg::InputText() const {
  // The box keeps line breaks as "\n"; what it stands for has CR LF, as a
  // typed line break sends.
  QString text = m_controls.text(10000);
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return ToGbk(text);
}

void CZephynDlg::RebuildSendBuf() {
  const std::string text = InputText();
  const Bytes bytes = m_controls.checked(10002) ? HexToBytes(text) : TextToBytes(text);
  m_sendBuf.assign(bytes.begin(), bytes.end());
  m_sendLen = std::int32_t(m_sendBuf.size());
}

void CZephynDlg::OnSend() {
  const std::string text = InputText();
  if (text.empty()) return;

  {
    std::lock_guard lock(m_multCmdLock);
    m_multCmdCount = 0;
    m_multCmdIndex = 0;
    for (std::string& cmd : m_multCmds) cmd.clear();
  }
  if (m_multCmdCheck != 0) {
    std::vector<std::string> instructions;
    if (CutInstructions(text, kMaxInstructions, instructions) == CutResult::TooMany) {
      // The input is refused whole: nothing is sent, nothing is left to send.
      Prompts().messageBox(this, QStringLiteral("指令数超过最大限制数!"), windowTitle(),
                           QMessageBox::Ok, QMessageBox::Warning);
      return;
    }
    if (!instructions.empty()) {
      {
        std::lock_guard lock(m_multCmdLock);
        for (std::size_t i = 0; i < instructions.size(); ++i) m_multCmds[i] = instructions[i];
      }
      m_multCmdIndex = 0;
      m_multCmdCount = std::int32_t(instructions.size());
      const std::string& first = instructions.front();
      m_sendBuf.assign(first.begin(), first.end());
      m_sendBuf.insert(m_sendBuf.end(), kCrLf, kCrLf + 2);
      m_sendLen = std::int32_t(m_sendBuf.size());
    }
  }

  if (m_controls.checked(1106)) {
    Bytes withNewLine(m_sendBuf.begin(), m_sendBuf.begin() + m_sendLen);
    withNewLine.insert(withNewLine.end(), kCrLf, kCrLf + 2);
    SendBytes(withNewLine.data(), std::int32_t(withNewLine.size()));
  } else {
    SendBytes(m_sendBuf.data(), m_sendLen);
  }
}

void CZephynDlg::OnHexSendClicked() {
  if (m_sendLen == 0) return;
  const std::string converted = m_controls.checked(10002)
                                    ? BytesToHex(m_sendBuf.data(), std::size_t(m_sendLen))
                                    : BytesToText(m_sendBuf.data(), std::size_t(m_sendLen));
  // Setting the text rebuilds the send buffer in the new mode.
  m_controls.setText(10000, FromGbk(converted));
}

void CZephynDlg::OnNewLineClicked() {
  auto payload = std::make_shared<Bytes>(m_sendBuf.begin(), m_sendBuf.begin() + m_sendLen);
  if (m_controls.checked(1106)) payload->insert(payload->end(), kCrLf, kCrLf + 2);
  // A tick that is sending the old payload holds its own reference to it.
  std::lock_guard lock(m_timedSendLock);
  m_timedSendLen = std::int32_t(payload->size());
  m_timedSendBuf = std::move(payload);
}

std::shared_ptr<const Bytes> CZephynDlg::TimedSendPayload() const {
  std::lock_guard lock(m_timedSendLock);
  return m_timedSendBuf;
}

}  // namespace zephyn
