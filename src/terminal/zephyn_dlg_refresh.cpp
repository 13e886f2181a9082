// The refresh thread: every 50 ms it rebuilds the receive pane when something
// new was recorded, and rewrites the TX counters and the file label. The
// conversion happens here; the window's thread only sets the finished text.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <chrono>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "terminal/pane_text.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

constexpr std::size_t kPaneBytes = 100'000;

}  // namespace

void CZephynDlg::RefreshThread() {
  while (!m_stopWait.SleepUnless(m_stopRefresh, std::chrono::milliseconds(50))) RefreshPass();
}

void CZephynDlg::RefreshPass() {
  // The flag is cleared before the copy, so a block that arrives while the
  // text is being built sets it again and gets its own redraw.
  if (m_displayDirty.exchange(0) != 0) {
    const bool echo = m_controls.checked(kEcho);
    const bool hex = m_controls.checked(kHexView);
    m_record.Tail(echo, kPaneBytes, m_paneTail);
    m_controls.setText(kReceivePane, PaneText(m_paneTail.data(), m_paneTail.size(), hex,
                                              m_advanceUtf8Check != 0, m_hexBytesPerLine));
    m_controls.post([this] {
      if (auto* pane = qobject_cast<QPlainTextEdit*>(m_controls.widget(kReceivePane)))
        pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
    });
  }

  ShowTxCounters();

  // The file label follows the chosen file; the Chinese template's own text
  // stays until a file is chosen.
  if (m_controls.text(kFileLabel) != QStringLiteral("请选择文件")) {
    std::string path;
    {
      std::lock_guard lock(m_filePathLock);
      path = m_filePath;
    }
    m_controls.setText(kFileLabel,
                       path.empty() ? Text(TextId::kNoFileChosen) : QString::fromStdString(path));
    if (!path.empty()) m_controls.setEnabled(kFileLabel, true);
  }
  RefreshFileProgress();
}

}  // namespace zephyn
