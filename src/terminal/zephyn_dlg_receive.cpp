// The receive path: every block the port's reader delivers is recorded in the
// display buffer and the receive log, counted, and handed to whoever waits
// for it (the baud probe, an AT-panel query, the multi-instruction list).
#include <cstring>

#include "common/instructions.h"
#include "dialogs/gbk_string.h"
#include "panels/quick_send.h"
#include "serial/com_port.h"
#include "terminal/display_buffer.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void OnComRead(void* window, const std::uint8_t* bytes, std::uint32_t count) {
  auto* dlg = static_cast<CZephynDlg*>(window);
  dlg->m_rxSpeedBytes += std::int32_t(count);
  dlg->AppendReceived(bytes, count);
  const bool isReturnOk = ContainsOk(bytes, count);

  // Every block moves the instruction list on; a block with "OK" releases the
  // instruction at the new position, after the configured delay.
  const std::int32_t index = ++dlg->m_multCmdIndex;
  if (index < dlg->m_multCmdCount && isReturnOk) {
    std::string instruction;
    int delayMs = 0;
    {
      std::lock_guard lock(dlg->m_multCmdLock);
      if (index < 20) instruction = dlg->m_multCmds[index];
      delayMs = LeadingInt(dlg->m_multCmdDelay);
    }
    instruction += "\r\n";  // whole, however long the instruction is
    // The delay passes on the reader thread, but a Close cuts it short (and
    // then sends nothing), so closing the port never waits out a long delay.
    if (dlg->m_multCmdCheck != 0 && g_comPort.WaitUnlessClosing(delayMs)) {
      dlg->SendBytes(reinterpret_cast<const std::uint8_t*>(instruction.data()),
                     std::int32_t(instruction.size()));
    }
  }

  dlg->m_displayDirty = 1;

  if (dlg->m_baudProbeIndex > 0) {
    // Baud detection takes any text as the module's answer; the block is
    // shown but not counted.
    std::lock_guard lock(dlg->m_probeLock);
    dlg->m_baudProbeReply = BytesToText(bytes, count);
    return;
  }
  if (dlg->m_atQueryPending != 0) {
    dlg->m_atReply = BytesToText(bytes, count);
    dlg->m_atQueryPending = 0;
    dlg->m_quickSend->ShowReply(AtReplyValue(dlg->m_atReply));
  }
  {
    std::lock_guard lock(dlg->m_bufLock);
    dlg->m_rxCount += 1;
    dlg->m_rxBytes = std::int32_t(std::uint32_t(dlg->m_rxBytes) + count);  // wraps like the label
    dlg->m_rxCrc = Crc32Update(dlg->m_rxCrc, bytes, count);
  }
  dlg->ShowRxCounters();
}

void CZephynDlg::AppendReceived(const std::uint8_t* bytes, std::uint32_t count) {
  std::string failedPath;
  int failedErrno = 0;
  {
    std::lock_guard lock(m_bufLock);
    // Past 1,000,000 bytes the oldest million goes to the capture file. If
    // it cannot be written the bytes stay here and the spill is tried again
    // with the next block.
    if (m_rxLogLen > kTrimSize) {
      if (m_saveFile.AppendCapture(m_rxLog.get(), kTrimSize)) {
        DropOldest(m_rxLog.get(), m_rxLogLen, kTrimSize);
        m_spillFailureReported = false;
      } else if (!m_spillFailureReported) {
        m_spillFailureReported = true;
        failedPath = m_saveFile.LastErrorPath();
        failedErrno = m_saveFile.LastErrno();
      }
    }
    if (m_displayLen > kTrimSize) DropOldest(m_displayBuf.get(), m_displayLen, kTrimSize);

    AppendDirectionMarker(m_displayBuf.get(), m_displayLen, kBufSize, m_lastDirection, kReceived);
    AppendWithin(m_rxLog.get(), m_rxLogLen, kBufSize, bytes, count);
    AppendWithin(m_displayBuf.get(), m_displayLen, kBufSize, bytes, count);
  }
  if (!failedPath.empty()) ReportSpillFailure(failedPath, failedErrno);
}

void CZephynDlg::ReportSpillFailure(const std::string& path, int error) {
  const QString reason = QString::fromLocal8Bit(std::strerror(error));
  const QString file = QString::fromStdString(path);
  const QString text =
      m_language == Language::ZhCN
          ? QStringLiteral(
                "无法写入接收数据文件 %1：%2\n数据暂存在内存中，内存满后最早的数据会被丢弃。")
                .arg(file, reason)
          : QStringLiteral(
                "Cannot write the received-data file %1: %2\nThe data is kept in "
                "memory; once memory is full the oldest data is dropped.")
                .arg(file, reason);
  PostWarning(text, QString());
}

}  // namespace zephyn
