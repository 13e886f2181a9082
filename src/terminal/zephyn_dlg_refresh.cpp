// What the window's refresher reads: the pane's view, the speed counters,
// the file's progress; and whether the window is minimized.
#include <QEvent>

#include "resources/control_ids.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

PaneRefresher::Inputs CZephynDlg::RefresherInputs() {
  PaneRefresher::Inputs inputs;
  inputs.view = [this] {
    PaneView view;
    view.echo = m_controls.checked(kEcho);
    view.hex = m_controls.checked(kHexView);
    view.reopenLines = int(m_session.PaneNotes().size());
    return view;
  };
  inputs.takeSpeeds = [this] {
    const SpeedBytes speeds = m_session.TakeSpeedBytes();
    return PaneRefresher::Speeds{speeds.tx, speeds.rx};
  };
  inputs.fileProgress = [this] {
    return PaneRefresher::FileProgress{m_session.FileThousandths(), m_session.FilePercent(),
                                       m_session.TakeFileSpeedSample()};
  };
  return inputs;
}

void CZephynDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) m_refresher.SetMinimized(isMinimized());
  QDialog::changeEvent(event);
}

}  // namespace zephyn
