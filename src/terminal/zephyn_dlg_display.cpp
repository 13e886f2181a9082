// Clear and the counter labels.
#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::ShowCounters(int id, const TrafficCounters& counters) {
  m_controls.setText(id, QString::fromStdString(CounterText(counters)));
}

void CZephynDlg::ShowTxCounters() {
  ShowCounters(MainIds::kTxCounters, record().Tx());
}

void CZephynDlg::ShowRxCounters() {
  ShowCounters(MainIds::kRxCounters, record().Rx());
}

void CZephynDlg::Clear() {
  // The bytes already spilled go too: a later Save holds only what comes
  // after this Clear.
  record().Clear();
  m_controls.setText(MainIds::kReceivePane, QString());
  m_refresher.MarkDirty();  // the refresh thread starts its text afresh
  ShowTxCounters();
  ShowRxCounters();
}

}  // namespace zephyn
