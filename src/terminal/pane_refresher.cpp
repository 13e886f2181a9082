// The conversion of new bytes happens on the refresh thread; the window's
// thread only applies the finished edit. Counters are counted per block by
// whoever records and drawn here, at most once a pass: the pass after the
// last block shows the final totals.
#include "terminal/pane_refresher.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <chrono>

#include "common/text_ids.h"
#include "common/thread_name.h"
#include "dialogs/gbk_string.h"
#include "resources/control_ids.h"
#include "terminal/status_strip_text.h"

namespace zephyn {

using namespace MainIds;
using std::chrono::milliseconds;

namespace {

bool SameCounters(const TrafficCounters& a, const TrafficCounters& b) {
  return a.bytes == b.bytes && a.count == b.count && a.crc == b.crc;
}

}  // namespace

PaneRefresher::PaneRefresher(Controls& controls, TrafficRecord& record, Inputs inputs)
    : m_controls(controls), m_record(record), m_inputs(std::move(inputs)) {}

PaneRefresher::~PaneRefresher() {
  Stop();
}

void PaneRefresher::SetHexBytesPerLine(int perLine) {
  if (m_hexBytesPerLine.exchange(perLine) != perLine) MarkDirty();
}

void PaneRefresher::SetViewChoices(bool utf8, bool stamps) {
  const bool changed = (m_utf8.exchange(utf8 ? 1 : 0) != 0) != utf8;
  if (((m_stamps.exchange(stamps ? 1 : 0) != 0) != stamps) || changed) MarkDirty();
}

void PaneRefresher::Start() {
  if (Running()) return;
  m_stop = 0;
  m_refreshThread = std::thread([this] { RefreshThread(); });
  m_speedThread = std::thread([this] { SpeedThread(); });
}

void PaneRefresher::Stop() {
  // No last pass rebuilds the pane of a closing window.
  m_dirty = 0;
  m_stop = 1;
  m_stopWait.WakeAll();
  for (std::thread* t : {&m_refreshThread, &m_speedThread})
    if (t->joinable()) t->join();
}

void PaneRefresher::ShowIfChanged(int id, const QString& text) {
  // An idle pass wakes the window's thread not.
  if (m_controls.text(id) != text) m_controls.setText(id, text);
}

void PaneRefresher::RefreshThread() {
  NameThisThread("pane-refresh");
  while (!m_stopWait.SleepUnless(m_stop, milliseconds(50))) RefreshPass();
}

void PaneRefresher::RefreshPass() {
  // The flag is cleared before the copy, so a block that arrives while the
  // text is being built sets it again and gets its own redraw. A minimized
  // window's pane is not touched and the flag stays: the first pass after
  // the window comes back brings the pane up to date at once (whole, when
  // more came than it holds), so hours of logging with the window out of
  // sight cost no text edits at all.
  if (m_minimized.load() == 0 && m_dirty.exchange(0) != 0) RefreshPane();
  RefreshCounters();
  RefreshFileProgress();
}

void PaneRefresher::RefreshPane() {
  PaneView view = m_inputs.view();
  view.hexBytesPerLine = m_hexBytesPerLine;
  view.utf8 = m_utf8 != 0;
  view.stamps = m_stamps != 0;
  const PaneEdit edit = m_pane.Update(m_record, view);
  if (!edit.whole) {
    // An edit in place keeps the view at the end by itself.
    if (!edit.Empty())
      m_controls.editText(kReceivePane, edit.removeFront, edit.front, edit.removeBack, edit.back);
    return;
  }
  m_controls.setText(kReceivePane, edit.back);
  Controls& controls = m_controls;
  m_controls.post([&controls] {
    if (auto* pane = qobject_cast<QPlainTextEdit*>(controls.widget(kReceivePane)))
      pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
  });
}

void PaneRefresher::RefreshCounters() {
  // Labels written elsewhere (Clear, a Send from the window) show values the
  // record held then; a label is redrawn whenever the record differs from
  // what this thread drew last, so it never stays behind the record.
  const TrafficCounters tx = m_record.Tx();
  const TrafficCounters rx = m_record.Rx();
  if (!m_countersDrawn || !SameCounters(tx, m_drawnTx))
    m_controls.setText(kTxCounters, QString::fromStdString(CounterText(tx)));
  if (!m_countersDrawn || !SameCounters(rx, m_drawnRx))
    m_controls.setText(kRxCounters, QString::fromStdString(CounterText(rx)));
  m_drawnTx = tx;
  m_drawnRx = rx;
  m_countersDrawn = true;
}

void PaneRefresher::RefreshFileProgress() {
  const FileProgress progress = m_inputs.fileProgress();
  if (m_controls.value(kProgress) != progress.thousandths)
    m_controls.setValue(kProgress, progress.thousandths);
  ShowIfChanged(kPercent, QString::asprintf("%.1f%%", progress.percent));
  if (progress.speedSample) m_fileSpeed = *progress.speedSample;
}

void PaneRefresher::SpeedThread() {
  NameThisThread("speeds");
  // Shows the bytes counted in the last second; the input takes them, so
  // counting starts afresh and no byte goes uncounted. A label is redrawn
  // only when its text changes (an idle port's "0 B/s" is drawn once).
  const QString unit = Text(TextId::kByteUnit) + QLatin1Char('/') + Text(TextId::kSecondUnit);
  do {
    Speeds speeds = m_inputs.takeSpeeds();
    // While a file goes out the TX speed is its sender's.
    if (const std::int32_t file = m_fileSpeed.exchange(-1); file >= 0) speeds.tx = file;
    ShowIfChanged(kTxSpeed, QStringLiteral("%1 %2").arg(speeds.tx).arg(unit));
    ShowIfChanged(kRxSpeed, QStringLiteral("%1 %2").arg(speeds.rx).arg(unit));
    if (m_controls.has(kStripCapture))
      ShowIfChanged(kStripCapture, QString::fromStdString(
                                       CaptureText(m_record.CapturedBytes(), CurrentLanguage())));
  } while (!m_stopWait.SleepUnless(m_stop, milliseconds(1000)));
}

}  // namespace zephyn
