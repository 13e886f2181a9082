// The refresh thread: every 50 ms it brings the receive pane up to date when
// something new was recorded, and redraws the TX and RX counters when they
// changed, and the file label. The conversion happens here; the window's
// thread only applies the finished edit. Counters are counted per block by
// whoever records and drawn here, at most once a pass: the pass after the
// last block shows the final totals.
#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <chrono>

#include "common/text_ids.h"
#include "common/thread_name.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "terminal/receive_pane.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

bool SameCounters(const TrafficCounters& a, const TrafficCounters& b) {
  return a.bytes == b.bytes && a.count == b.count && a.crc == b.crc;
}

}  // namespace

void CZephynDlg::RefreshThread() {
  NameThisThread("pane-refresh");
  while (!m_stopWait.SleepUnless(m_stopRefresh, std::chrono::milliseconds(50))) RefreshPass();
}

void CZephynDlg::RefreshPass() {
  // The flag is cleared before the copy, so a block that arrives while the
  // text is being built sets it again and gets its own redraw. A minimized
  // window's pane is not touched and the flag stays: the first pass after
  // the window comes back brings the pane up to date at once (whole, when
  // more came than it holds), so hours of logging with the window out of
  // sight cost no text edits at all.
  if (m_minimized.load() == 0 && m_displayDirty.exchange(0) != 0) RefreshPane();
  RefreshCounters();
  RefreshFileProgress();
}

void CZephynDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) m_minimized.store(isMinimized() ? 1 : 0);
  QDialog::changeEvent(event);
}

void CZephynDlg::RefreshPane() {
  const PaneView view{m_controls.checked(kEcho), m_controls.checked(kHexView),
                      m_advanceUtf8Check != 0, m_hexBytesPerLine,
                      m_paneTimestamps != 0, int(paneNotes().size())};
  const PaneEdit edit = m_pane.Update(record(), view);
  if (!edit.whole) {
    // An edit in place keeps the view at the end by itself.
    if (!edit.Empty())
      m_controls.editText(kReceivePane, edit.removeFront, edit.front, edit.removeBack, edit.back);
    return;
  }
  m_controls.setText(kReceivePane, edit.back);
  m_controls.post([this] {
    if (auto* pane = qobject_cast<QPlainTextEdit*>(m_controls.widget(kReceivePane)))
      pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
  });
}

void CZephynDlg::RefreshCounters() {
  // Labels written elsewhere (Clear, a Send from the window) show values the
  // record held then; a label is redrawn whenever the record differs from
  // what this thread drew last, so it never stays behind the record.
  const TrafficCounters tx = record().Tx();
  const TrafficCounters rx = record().Rx();
  if (!m_countersDrawn || !SameCounters(tx, m_drawnTx)) ShowCounters(kTxCounters, tx);
  if (!m_countersDrawn || !SameCounters(rx, m_drawnRx)) ShowCounters(kRxCounters, rx);
  m_drawnTx = tx;
  m_drawnRx = rx;
  m_countersDrawn = true;
}

}  // namespace zephyn
