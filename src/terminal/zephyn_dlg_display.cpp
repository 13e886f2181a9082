// Clear and the counter labels.
#include "terminal/display_buffer.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {
namespace {

QString CounterText(std::int32_t bytes, std::int32_t count, std::uint32_t crc) {
  return QString::asprintf("%d/%d CRC:%08X", bytes, count, crc);
}

}  // namespace

void CZephynDlg::ShowTxCounters() {
  QString text;
  {
    std::lock_guard lock(m_bufLock);
    m_counterText = CounterText(m_txBytes, m_txCount, m_txCrc);
    text = m_counterText;
  }
  m_controls.setText(1000, text);
}

void CZephynDlg::ShowRxCounters() {
  QString text;
  {
    std::lock_guard lock(m_bufLock);
    m_rxCounterText = CounterText(m_rxBytes, m_rxCount, m_rxCrc);
    text = m_rxCounterText;
  }
  m_controls.setText(1001, text);
}

void CZephynDlg::Clear() {
  {
    std::lock_guard lock(m_bufLock);
    m_displayLen = 0;
    m_rxLogLen = 0;
    m_lastDirection = kNoDirection;
    m_txCount = m_rxCount = 0;
    m_txBytes = m_rxBytes = 0;
    m_txCrc = m_rxCrc = 0;
    // The bytes already spilled go too: a later Save holds only what comes
    // after this Clear.
    m_saveFile.DeleteCapture();
  }
  m_controls.setText(1049, QString());
  ShowTxCounters();
  ShowRxCounters();
}

}  // namespace zephyn
