// Clear and the counter labels.
#include "terminal/zephyn_dlg.h"

namespace zephyn {
namespace {

QString CounterText(std::int32_t bytes, std::int32_t count, std::uint32_t crc) {
  return QString::asprintf("%d/%d CRC:%08X", bytes, count, crc);
}

}  // namespace

void CZephynDlg::ShowTxCounters() {
  m_counterText = CounterText(m_txBytes, m_txCount, m_txCrc);
  m_controls.setText(1000, m_counterText);
}

void CZephynDlg::ShowRxCounters() {
  m_rxCounterText = CounterText(m_rxBytes, m_rxCount, m_rxCrc);
  m_controls.setText(1001, m_rxCounterText);
}

void CZephynDlg::Clear() {
  {
    std::lock_guard lock(m_bufLock);
    m_displayLen = 0;
    m_rxLogLen = 0;
    m_lastDirection = 0;
    m_txCount = m_rxCount = 0;
    m_txBytes = m_rxBytes = 0;
    m_txCrc = m_rxCrc = 0;
  }
  m_controls.setText(1049, QString());
  ShowTxCounters();
  ShowRxCounters();
  // TODO(capture): discard the bytes already spilled to the capture file.
}

}  // namespace zephyn
