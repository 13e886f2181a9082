// The refresh thread: every 50 ms it rebuilds the receive pane when something
// new was recorded, and rewrites the TX counters and the file label. The
// conversion happens here; the window's thread only sets the finished text.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <chrono>

#include "common/code_page.h"
#include "dialogs/gbk_string.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {
namespace {

constexpr std::int32_t kPaneBytes = 100'000;

// The hex view broken after whole "XX " groups, as many as fill the pane's
// width: it looks like wrapping, and the pane lays short lines out far
// faster than one line of 300,000 characters.
QString HexLines(const std::string& hex, int bytesPerLine) {
  const std::size_t perLine = std::size_t(std::max(1, bytesPerLine)) * 3;
  std::string lines;
  lines.reserve(hex.size() + hex.size() / perLine + 1);
  for (std::size_t i = 0; i < hex.size(); i += perLine) {
    if (i != 0) lines.push_back('\n');
    lines.append(hex, i, perLine);
  }
  return QString::fromLatin1(lines.data(), qsizetype(lines.size()));
}

}  // namespace

void CZephynDlg::RefreshThread() {
  while (!m_stopWait.SleepUnless(m_stopRefresh, std::chrono::milliseconds(50))) RefreshPass();
}

void CZephynDlg::RefreshPass() {
  // The flag is cleared before the copy, so a block that arrives while the
  // text is being built sets it again and gets its own redraw.
  if (m_displayDirty.exchange(0) != 0) {
    const bool echo = m_controls.checked(1045);
    const bool hex = m_controls.checked(1047);
    std::vector<std::uint8_t> tail;
    {
      std::lock_guard lock(m_bufLock);
      const std::uint8_t* source = echo ? m_displayBuf.get() : m_rxLog.get();
      const std::int32_t length = echo ? m_displayLen : m_rxLogLen;
      const std::int32_t n = std::min(length, kPaneBytes);
      tail.assign(source + (length - n), source + length);
    }
    QString text;
    if (hex) {
      text = HexLines(BytesToHex(tail.data(), tail.size()), m_hexBytesPerLine);
    } else {
      std::string plain = BytesToText(tail.data(), tail.size());
      if (m_advanceUtf8Check != 0) Utf8ToGbk(plain);
      text = FromGbk(plain);
    }
    m_controls.setText(1049, text);
    m_controls.post([this] {
      if (auto* pane = qobject_cast<QPlainTextEdit*>(m_controls.widget(1049)))
        pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
    });
  }

  QString counters;
  {
    std::lock_guard lock(m_bufLock);
    m_counterText = QString::asprintf("%d/%d CRC:%08X", m_txBytes, m_txCount, m_txCrc);
    counters = m_counterText;
  }
  if (m_controls.text(1000) != counters) m_controls.setText(1000, counters);

  // The file label follows the chosen file; the Chinese template's own text
  // stays until a file is chosen.
  if (m_controls.text(1118) != QStringLiteral("请选择文件")) {
    std::string path;
    {
      std::lock_guard lock(m_filePathLock);
      path = m_filePath;
    }
    const QString label = path.empty() ? Text(29) : QString::fromStdString(path);
    if (m_controls.text(1118) != label) m_controls.setText(1118, label);
    if (!path.empty() && !m_controls.enabled(1118)) m_controls.setEnabled(1118, true);
  }
  // TODO(file-send): the progress bar, the percentage and the file speed.
}

}  // namespace zephyn
